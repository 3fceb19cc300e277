#include "EditorTestSupport.h"
#include "data/DataCenter.h"
#include "data/DispCenter.h"
#include "data/FactoryPrograms.h"
#include "editor/EditParamComponent.h"
#include "editor/EditSession.h"
#include "library/ProgramLists.h"
#include "midi/MidiReceiver.h"
#include "midi/SysexMessages.h"
#include "support/RecordingPorts.h"

#include <gtest/gtest.h>

namespace vr
{
namespace
{
constexpr int kLevelKnob = 9;
constexpr int kGainKnob = 6;

// The record a current program dump carries, or none for anything else.
std::optional<ProgramRecord> dumpedRecord (const juce::MidiMessage& m)
{
    const auto b = test::bytesOf (m);
    if (test::makerCode (m) != sysex::Code::currentProgramDump || b.size() != 7 + kRecordSize + 1)
        return std::nullopt;
    ProgramRecord record;
    std::copy (b.begin() + 7, b.begin() + 7 + kRecordSize, record.begin());
    return record;
}

// The stored program and an edit of it that differs in the level and the
// reverb type; the panel shows the edit.
class CompareTest : public ::testing::Test
{
protected:
    CompareTest()
    {
        stored = factoryProgram (205);
        store.setCurrentData (stored);
        store.setKnob (store.getKnob (kLevelKnob) == 20 ? 21 : 20, kLevelKnob);
        store.setType (RecordByte::firstType + reverb, store.getType (reverb) == 1 ? 2 : 1);
        edited = store.current;

        panel.setSession (&session);
        session.onCompareChanged = [this] (bool comparing)
        {
            reported.push_back (comparing);
            panel.compareChanged();
        };
        panel.changeListenerCallback (nullptr);
        test::pump();
        engine.pause = [] (int) {};
        engine.setOutput (std::make_unique<test::RecordingOutputPort> (sent));
    }

    juce::String shown (int knobIndex, const ProgramRecord& record)
    {
        DataCenter other;
        other.setCurrentData (record);
        return DispCenter (other).valueToText (kFirstKnobParameter + knobIndex, other.getKnob (knobIndex));
    }

    std::vector<int> markedBoxes()
    {
        std::vector<int> boxes;
        for (int k = 0; k < kNumKnobs; ++k)
            if (panel.isValueBoxMarked (k))
                boxes.push_back (k);
        return boxes;
    }

    static bool takesClicks (const juce::Component& c)
    {
        bool self = false, children = false;
        c.getInterceptsMouseClicks (self, children);
        return self;
    }

    bool editable()
    {
        return !panel.valueBox (kGainKnob).isReadOnly() && takesClicks (panel.knob (kGainKnob)) &&
               takesClicks (panel.onOffButton (amp)) && panel.typeBox (amp).getWantsKeyboardFocus();
    }

    ProgramRecord stored{}, edited{};
    DataCenter store;
    MidiReceiver engine{store};
    UnitProgramList unitList{store};
    EditSession session{store, engine, unitList};
    EditParamComponent panel{store, engine};
    std::vector<juce::MidiMessage> sent;
    std::vector<bool> reported;
};
} // namespace

TEST_F (CompareTest, SwitchesBetweenEditedAndStoredOnScreenAndOnTheUnit)
{
    // The changed level is marked before any compare; the type is not a value box.
    EXPECT_EQ (markedBoxes(), std::vector<int>{kLevelKnob});
    EXPECT_FALSE (panel.compareButton().getToggleState());
    const auto baseline = store.loaded;

    for (int round = 0; round < 2; ++round)
    {
        SCOPED_TRACE (round);
        sent.clear();
        panel.toggleCompare();
        test::pump();
        // The stored version: in the store, on screen, and one dump to the unit.
        EXPECT_TRUE (panel.isComparing());
        EXPECT_EQ (store.current, stored);
        ASSERT_EQ (sent.size(), 1u);
        EXPECT_EQ (dumpedRecord (sent[0]), stored);
        EXPECT_EQ (panel.valueBox (kLevelKnob).getText(), shown (kLevelKnob, stored));
        EXPECT_EQ (panel.typeBox (reverb).getSelectedId(), stored[RecordByte::firstType + reverb] + 1);
        EXPECT_TRUE (panel.compareButton().getToggleState());
        EXPECT_EQ (markedBoxes(), std::vector<int>{kLevelKnob});
        EXPECT_FALSE (editable());

        // Read-only: typing and Return change nothing and send nothing.
        sent.clear();
        auto& box = panel.valueBox (kGainKnob);
        test::typeInto (box, "9.9");
        test::pressReturn (box);
        EXPECT_EQ (store.current, stored);
        EXPECT_TRUE (sent.empty());

        panel.toggleCompare();
        test::pump();
        // Back exactly to the edit, and the unit hears it whole.
        EXPECT_FALSE (panel.isComparing());
        EXPECT_EQ (store.current, edited);
        ASSERT_EQ (sent.size(), 1u);
        EXPECT_EQ (dumpedRecord (sent[0]), edited);
        EXPECT_EQ (panel.valueBox (kLevelKnob).getText(), shown (kLevelKnob, edited));
        EXPECT_EQ (panel.typeBox (reverb).getSelectedId(), edited[RecordByte::firstType + reverb] + 1);
        EXPECT_FALSE (panel.compareButton().getToggleState());
        EXPECT_TRUE (editable());
        EXPECT_EQ (store.loaded, baseline) << "comparing keeps what the EDITED mark compares with";
    }
    EXPECT_EQ (reported, (std::vector<bool>{true, false, true, false}));
    // Back to editing, the knobs still leave the keyboard to the boxes.
    EXPECT_FALSE (panel.knob (kGainKnob).getWantsKeyboardFocus());

    // Turned back to the stored value, nothing is marked.
    panel.knob (kLevelKnob).setValue (stored[static_cast<size_t> (knobIndexToByte (kLevelKnob))]);
    test::pump();
    EXPECT_TRUE (markedBoxes().empty());
}

TEST_F (CompareTest, AChangeFromTheUnitWhileComparingLandsOnTheEditWhichStaysEdited)
{
    // The player turns a knob on the unit while it plays the stored version.
    panel.toggleCompare();
    sent.clear();
    engine.handleMessage (sysex::parameterChangeFor (store.modelCode, kFirstKnobParameter + kGainKnob, 33));
    test::pump();
    EXPECT_FALSE (panel.isComparing());
    EXPECT_TRUE (editable());
    auto expected = edited;
    expected[static_cast<size_t> (knobIndexToByte (kGainKnob))] = 33;
    EXPECT_EQ (store.current, expected);
    EXPECT_TRUE (store.isEdited());
    EXPECT_TRUE (
        std::any_of (sent.begin(), sent.end(), [&] (const auto& m) { return dumpedRecord (m) == expected; }))
        << "the unit gets the edit with its change";
    EXPECT_EQ (reported, (std::vector<bool>{true, false}));

    // Another program replaces the edit: a compare of it shows that one's stored version.
    store.setCurrentData (factoryProgram (207));
    panel.changeListenerCallback (&engine);
    EXPECT_TRUE (markedBoxes().empty());
    panel.toggleCompare();
    EXPECT_EQ (store.current, factoryProgram (207));
    EXPECT_FALSE (store.isEdited());
}
} // namespace vr
