#include "editor/PGNameEditComponent.h"
#include "EditorTestSupport.h"
#include "data/DataCenter.h"
#include "library/ProgramLists.h"
#include "midi/MidiReceiver.h"
#include "support/RecordingPorts.h"

#include <gtest/gtest.h>

namespace vr
{
namespace
{
using test::pressReturn;
using test::pump;
using test::typeInto;

juce::String padded (const juce::String& name)
{
    return name.paddedRight (' ', kNameLength);
}

class PGNameEditComponentTest : public ::testing::Test
{
protected:
    PGNameEditComponentTest()
    {
        unitList.fill();
        engine.pause = [] (int) {};
        engine.setOutput (std::make_unique<test::RecordingOutputPort> (sent));
        engine.addChangeListener (&strip);
    }

    ~PGNameEditComponentTest() override { engine.removeChangeListener (&strip); }

    void showProgram (int n)
    {
        store.setCurrentProgramNumber (n);
        store.setSelectedProgram (n);
        programSelection.sendChangeMessage();
        pump();
        sent.clear();
    }

    void clearName()
    {
        strip.nameBox().setText ({}, true);
        pump();
    }

    std::vector<int> codesSent() const
    {
        std::vector<int> codes;
        for (const auto& m : sent)
            codes.push_back (test::makerCode (m));
        return codes;
    }

    DataCenter store;
    MidiReceiver engine{store};
    UnitProgramList unitList{store};
    juce::ChangeBroadcaster programSelection;
    PGNameEditComponent strip{store, engine, unitList, programSelection};
    std::vector<juce::MidiMessage> sent;
};
} // namespace

TEST_F (PGNameEditComponentTest, StartsWithItsOwnTextsAndShowsTheSelectedProgram)
{
    EXPECT_EQ (strip.nameBox().getName(), "PGNameBox");
    EXPECT_EQ (strip.numberBox().getName(), "PGNumEdit");
    EXPECT_EQ (strip.nameBox().getText(), " VORANTE ");
    EXPECT_EQ (strip.numberBox().getText(), "000");
    EXPECT_TRUE (strip.numberBox().isReadOnly());
    EXPECT_EQ (strip.categoryBox().getNumItems(), 3);
    EXPECT_EQ (strip.categoryBox().getItemText (1), "[B]");

    auto record = defaultRecord();
    encodeName ("BLUE HOUR", record.data());
    record[RecordByte::category] = 2;
    store.setCurrentData (record);
    showProgram (257);

    EXPECT_EQ (strip.nameBox().getText(), "BLUE HOUR ");
    EXPECT_EQ (strip.numberBox().getText(), "257");
    EXPECT_EQ (strip.categoryBox().getSelectedId(), 3);
    // The category shown was the stored one: nothing goes back.
    EXPECT_TRUE (sent.empty());

    store.setSelectedProgram (7);
    engine.sendChangeMessage();
    pump();
    EXPECT_EQ (strip.numberBox().getText(), "007");
}

TEST_F (PGNameEditComponentTest, TypedLettersBecomeCapitalsAndOnlyTenFit)
{
    clearName();
    typeInto (strip.nameBox(), "abc");
    EXPECT_EQ (strip.nameBox().getText(), "ABC");
    EXPECT_EQ (store.getName(), padded ("ABC"));

    typeInto (strip.nameBox(), "defghijkl");
    EXPECT_EQ (strip.nameBox().getText(), "ABCDEFGHIJ");
    EXPECT_EQ (store.getName(), "ABCDEFGHIJ");
}

TEST_F (PGNameEditComponentTest, CharactersTheUnitCannotHoldAreNotAccepted)
{
    clearName();
    typeInto (strip.nameBox(), "a{b~c_d");
    EXPECT_EQ (strip.nameBox().getText(), "ABCD");
    EXPECT_EQ (store.getName(), padded ("ABCD"));

    // Focus loss shows what the store holds.
    strip.nameBox().focusLost (juce::Component::focusChangedByMouseClick);
    pump();
    EXPECT_EQ (strip.nameBox().getText(), padded ("ABCD"));
}

TEST_F (PGNameEditComponentTest, ReturnOnAUserProgramRenamesItsSlotAndSendsTheProgram)
{
    showProgram (17);
    clearName();
    typeInto (strip.nameBox(), "new one");
    pressReturn (strip.nameBox());

    EXPECT_EQ (unitList.readRowName (17), padded ("NEW ONE"));
    EXPECT_EQ (store.modified[17], 1);
    ASSERT_EQ (codesSent(), (std::vector<int>{sysex::Code::currentProgramDump}));
    const auto dump = test::bytesOf (sent[0]);
    EXPECT_EQ (decodeName (dump.data() + 7), padded ("NEW ONE"));

    // While the edit buffer is parked for a transfer the slot is renamed but not marked.
    store.modified[17] = 0;
    store.bulkTransfer = true;
    pressReturn (strip.nameBox());
    EXPECT_EQ (store.modified[17], 0);
    store.bulkTransfer = false;
}

TEST_F (PGNameEditComponentTest, ReturnOnAFactoryProgramTouchesNoSlot)
{
    showProgram (250);
    juce::StringArray namesBefore;
    for (int row = 0; row < unitList.size(); ++row)
        namesBefore.add (unitList.readRowName (row));
    clearName();
    typeInto (strip.nameBox(), "ROM EDIT");
    pressReturn (strip.nameBox());

    EXPECT_EQ (store.getName(), padded ("ROM EDIT"));
    EXPECT_EQ (codesSent(), (std::vector<int>{sysex::Code::currentProgramDump}));
    for (int row = 0; row < unitList.size(); ++row)
        ASSERT_EQ (unitList.readRowName (row), namesBefore[row]) << row;
    for (const auto flag : store.modified)
        ASSERT_EQ (flag, 0);
}

TEST_F (PGNameEditComponentTest, ChoosingACategorySendsItAndMarksTheSlot)
{
    showProgram (42);
    ASSERT_EQ (strip.categoryBox().getSelectedId(), 1);

    strip.categoryBox().setSelectedId (2);
    pump();

    EXPECT_EQ (store.current[RecordByte::category], 1);
    EXPECT_EQ (unitList.readByte (42, RecordByte::category), 1);
    EXPECT_EQ (store.modified[42], 1);
    ASSERT_EQ (sent.size(), 1u);
    EXPECT_EQ (test::bytesOf (sent[0]), (std::vector<std::uint8_t>{0xf0, 0x7d, 0x30, 0x00, 0x01, 0x0f, 0x41,
                                                                   0x01, 0x0a, 0x00, 0x01, 0xf7}));

    // The category already shown: the box reports nothing.
    sent.clear();
    strip.categoryBox().setSelectedId (2);
    pump();
    EXPECT_TRUE (sent.empty());
}

TEST_F (PGNameEditComponentTest, CategoryIsHeldBackDuringAReceive)
{
    showProgram (3);
    engine.startReceiveAll();
    sent.clear();

    strip.categoryBox().setSelectedId (3);
    pump();

    EXPECT_EQ (store.current[RecordByte::category], 2);
    EXPECT_TRUE (sent.empty());
}

TEST_F (PGNameEditComponentTest, ReceiveAllShowsItsProgress)
{
    showProgram (0);
    engine.setProgramLists (&unitList, nullptr);
    engine.startReceiveAll();
    for (int n = 0; n < 37; ++n)
        engine.handleMessage (sysex::programDump (store.modelCode, n, defaultRecord()));
    pump();

    EXPECT_EQ (engine.getTransferIndex(), 37);
    EXPECT_EQ (strip.numberBox().getText(), "037");
    EXPECT_EQ (strip.nameBox().getText(), "RECEIVED...");
}

TEST_F (PGNameEditComponentTest, TransmitAllShowsItsProgressThenTheRestoredProgram)
{
    auto record = defaultRecord();
    encodeName ("KEEP ME", record.data());
    store.setCurrentData (record);
    showProgram (12);
    engine.setProgramLists (&unitList, nullptr);

    // Modified-only mode: the five marked slots.
    for (int slot = 1; slot <= 5; ++slot)
        store.modified[static_cast<size_t> (slot)] = 1;
    engine.startTransmitAll (true);
    for (int i = 0; i < 4; ++i)
        engine.handleMessage (sysex::makerMessage (store.modelCode, sysex::Code::operationCompleted));
    pump();
    EXPECT_EQ (strip.numberBox().getText(), "005");
    EXPECT_EQ (strip.nameBox().getText(), "TRANSMIT...");

    // The last read-back ends the transfer while the program is still
    // parked: the strip keeps the status until the program is back.
    engine.handleMessage (sysex::makerMessage (store.modelCode, sysex::Code::operationCompleted));
    for (int slot = 1; slot <= 5; ++slot)
        engine.handleMessage (sysex::programDump (store.modelCode, slot, unitList.recordAt (slot)));
    pump();
    ASSERT_FALSE (engine.isTransmitting());
    EXPECT_EQ (strip.nameBox().getText(), "TRANSMIT...");

    engine.finishTransfer();
    pump();
    EXPECT_EQ (strip.nameBox().getText(), padded ("KEEP ME"));
    EXPECT_EQ (store.getName(), padded ("KEEP ME"));
    EXPECT_EQ (strip.numberBox().getText(), "012");
}

TEST_F (PGNameEditComponentTest, AccentedLettersFoldToPlainCapitalsAsTyped)
{
    // What the box shows is what the unit and files get, after Return too.
    showProgram (8);
    clearName();
    typeInto (strip.nameBox(), juce::String::fromUTF8 ("Gr\xc3\xb6\xc3\x9f"
                                                       "e \xc3\xa9t\xc3\xa9"));
    EXPECT_EQ (strip.nameBox().getText(), "GROSSE ETE");
    pressReturn (strip.nameBox());
    EXPECT_EQ (strip.nameBox().getText(), "GROSSE ETE");
    EXPECT_EQ (unitList.readRowName (8), "GROSSE ETE");
    EXPECT_EQ (decodeName (test::bytesOf (sent.at (0)).data() + 7), "GROSSE ETE");

    // A letter that folds to two still stops at ten.
    clearName();
    typeInto (strip.nameBox(), juce::String::fromUTF8 ("abcdefghi\xc3\x9f"));
    EXPECT_EQ (strip.nameBox().getText(), "ABCDEFGHIS");
}
} // namespace vr

namespace vr
{
// The number is the slot Write goes to; an auditioned program says where it
// came from.
TEST_F (PGNameEditComponentTest, AnAuditionedProgramSaysWhereItCameFrom)
{
    store.setSelectedProgram (2);
    store.setCurrentProgramNumber (215);
    EXPECT_EQ (strip.originText(), "from 215 ROM");
    store.setCurrentProgramNumber (2);
    EXPECT_EQ (strip.originText(), "");
}
} // namespace vr
