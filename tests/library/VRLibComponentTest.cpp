#include "library/VRLibComponent.h"

#include "data/DataCenter.h"
#include "midi/MidiReceiver.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingPorts.h"

#include <gtest/gtest.h>

namespace vr
{
namespace
{
struct VRLibComponentTest : ::testing::Test
{
    VRLibComponentTest()
    {
        folder.createDirectory();
        engine.pause = [] (int) {};
        engine.setOutput (std::make_unique<test::RecordingOutputPort> (sent));
        engine.setProgramLists (&view.getUnitList(), &view.getRomList());
        view.onReceiveAll = [this] { ++receives; };
        view.onTransmitAll = [this] { ++transmits; };
    }

    ~VRLibComponentTest() override { folder.deleteRecursively(); }

    // A library whose programs all carry `level` in their level byte.
    juce::File library (const juce::String& name, int size = LibraryFormat::kFileSize, std::uint8_t level = 7)
    {
        std::vector<std::uint8_t> bytes (static_cast<size_t> (size), 0);
        std::memcpy (bytes.data(), LibraryFormat::kMagic, static_cast<size_t> (LibraryFormat::kMagicLength));
        for (size_t at = 32 + RecordByte::programLevel; at < bytes.size(); at += kRecordSize)
            bytes[at] = level;
        const auto f = folder.getChildFile (name);
        f.replaceWithData (bytes.data(), bytes.size());
        return f;
    }

    juce::Component* child (const juce::String& name)
    {
        for (auto* c : view.getChildren())
            if (c->getName() == name)
                return c;
        return nullptr;
    }

    juce::TextButton& button (const juce::String& name)
    {
        auto* b = dynamic_cast<juce::TextButton*> (child (name));
        if (b == nullptr)
            throw std::runtime_error (("no button " + name).toStdString());
        return *b;
    }

    void click (const juce::String& name)
    {
        button (name).triggerClick();
        juce::MessageManager::getInstance()->runDispatchLoopUntil (30);
    }

    // What a plain click on a row does: select it alone, then recall it.
    static void clickRow (ProgramTable& table, int row)
    {
        table.selectRow (row);
        table.recallRow (row);
    }

    // The row shown at the top of a table.
    static int topRow (ProgramTable& table)
    {
        return table.getRowContainingPosition (10, ProgramTable::kHeaderHeight + 2);
    }

    std::vector<int> unitSelection() { return view.getUnitTable().currentSelection().rows; }
    std::vector<int> romSelection() { return view.getRomTable().currentSelection().rows; }

    int tagAt (int slot) { return view.getUnitList().readByte (slot, 20); }

    // One folder per test process: ctest runs tests of one suite side by side.
    const juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                                  .getChildFile ("vr-libview-" + juce::Uuid().toString());
    DataCenter store;
    std::vector<juce::MidiMessage> sent;
    MidiReceiver engine{store};
    juce::ChangeBroadcaster selection;
    test::RecordingDialogs dialogs;
    VRLibComponent view{store, engine, selection, dialogs};
    int receives{0};
    int transmits{0};
};

//==============================================================================
TEST_F (VRLibComponentTest, ChildrenHaveTheirNamesBoundsAndStates)
{
    const struct
    {
        const char* name;
        juce::Rectangle<int> bounds;
        const char* text; // buttons only
        bool enabled;
        juce::uint32 colour;
    } children[] = {
        {"VRListRAM", {86, 210, 265, 316}, nullptr, true, 0},
        {"VRListROM", {361, 210, 265, 316}, nullptr, true, 0},
        {"m_ButtonOpen", {640, 336, 80, 30}, "Open File", true, 0xE0FFCCDD},
        {"m_ButtonSave", {640, 384, 80, 30}, "Save As...", true, 0xE0FFCCDD},
        {"m_ButtonTx", {640, 432, 80, 30}, "Transmit All", false, 0x80FFCCDD},
        {"m_ButtonRx", {640, 480, 80, 30}, "Receive All", false, 0x80FFCCDD},
    };

    EXPECT_EQ (view.getBounds(), juce::Rectangle<int> (0, 0, 800, 600));
    for (const auto& c : children)
    {
        SCOPED_TRACE (c.name);
        auto* component = child (c.name);
        ASSERT_NE (component, nullptr);
        EXPECT_EQ (component->getBounds(), c.bounds);
        EXPECT_EQ (component->isEnabled(), c.enabled);
        if (c.text == nullptr)
            continue;
        auto& b = button (c.name);
        EXPECT_EQ (b.getButtonText(), c.text);
        EXPECT_EQ (b.findColour (juce::TextButton::buttonColourId), juce::Colour (c.colour));
        EXPECT_TRUE (b.isConnectedOnLeft() && b.isConnectedOnRight());
    }
    EXPECT_EQ (view.getUnitList().size(), 200);
    EXPECT_EQ (view.getRomList().size(), 200);
    EXPECT_TRUE (unitSelection().empty());
    EXPECT_TRUE (romSelection().empty());
}

TEST_F (VRLibComponentTest, TransferButtonsWorkOnlyWithAUnit)
{
    click ("m_ButtonRx");
    click ("m_ButtonTx");
    EXPECT_EQ (receives + transmits, 0);

    store.connected = true;
    view.updateTransferButtons();
    for (const char* name : {"m_ButtonRx", "m_ButtonTx"})
    {
        EXPECT_TRUE (button (name).isEnabled());
        EXPECT_EQ (button (name).findColour (juce::TextButton::buttonColourId), juce::Colour (0xE0FFCCDD));
    }
    click ("m_ButtonRx");
    click ("m_ButtonTx");
    EXPECT_EQ (receives, 1);
    EXPECT_EQ (transmits, 1);

    store.connected = false;
    view.updateTransferButtons();
    EXPECT_FALSE (button ("m_ButtonRx").isEnabled());
    EXPECT_EQ (button ("m_ButtonTx").findColour (juce::TextButton::buttonColourId),
               juce::Colour (0x80FFCCDD));
}

TEST_F (VRLibComponentTest, OpenFileAndSaveAsWorkBeforeAnyUnitIsFound)
{
    clickRow (view.getUnitTable(), 5);
    dialogs.filesToOpen = {library ("first.vrm")};
    click ("m_ButtonOpen");

    EXPECT_EQ (view.getRomList().fileCount, 1);
    EXPECT_EQ (view.getRomList().size(), 400);
    EXPECT_TRUE (unitSelection().empty());
    EXPECT_EQ (romSelection(), std::vector<int>{200});
    EXPECT_EQ (view.getRomList().rows[200].data[RecordByte::programLevel], 7);

    const auto saved = folder.getChildFile ("saved");
    dialogs.filesToSave = {saved};
    click ("m_ButtonSave");
    EXPECT_EQ (saved.getSiblingFile ("saved.vrm").getSize(), 6432);
    EXPECT_TRUE (dialogs.shown.empty());
}

TEST_F (VRLibComponentTest, DroppedFilesOpenUpToThree)
{
    EXPECT_TRUE (view.isInterestedInFileDrag ({"anything.txt"}));

    view.filesDropped ({library ("a.vrm", 6432, 1).getFullPathName(),
                        library ("b.vrm", 6432, 2).getFullPathName(),
                        library ("c.vrm", 6432, 3).getFullPathName()},
                       300, 300);
    EXPECT_EQ (view.getRomList().fileCount, 3);
    EXPECT_EQ (view.getRomList().size(), 800);
    EXPECT_EQ (view.getRomList().rows[600].data[RecordByte::programLevel], 3);
    EXPECT_EQ (romSelection(), std::vector<int>{600});
    EXPECT_TRUE (dialogs.shown.empty());

    view.filesDropped (juce::StringArray (library ("d.vrm").getFullPathName()), 300, 300);
    ASSERT_EQ (dialogs.shown.size(), 1u);
    EXPECT_EQ (dialogs.shown[0].message, "Can't open more than 3 files.");
    EXPECT_EQ (view.getRomList().size(), 800);

    // Two files handed over by other starts: the second's alert waits for the
    // first's, and each says what is wrong with its own file.
    dialogs.shown.clear();
    const auto missing = folder.getChildFile ("missing.vrm");
    dialogs.meanwhile = [this, missing] { EXPECT_FALSE (view.openCommandLineFile (missing)); };
    EXPECT_FALSE (view.openCommandLineFile (library ("e.vrm")));
    ASSERT_EQ (dialogs.shown.size(), 2u);
    EXPECT_EQ (dialogs.mostAtOnce, 1);
    EXPECT_EQ (dialogs.shown[0].message,
               library ("e.vrm").getFullPathName() + "\n\rCan't open more than 3 files.");
    EXPECT_EQ (dialogs.shown[1].message, missing.getFullPathName() + "\n\rThere is no such file.");
}

TEST_F (VRLibComponentTest, AnOpenedFileIsShownAtItsFirstRowWhicheverWayItCame)
{
    const std::function<void (const juce::File&)> ways[] = {
        [this] (const juce::File& f)
        {
            dialogs.filesToOpen = {f};
            click ("m_ButtonOpen");
        },
        [this] (const juce::File& f) { view.filesDropped (juce::StringArray (f.getFullPathName()), 5, 5); },
        [this] (const juce::File& f) { view.openCommandLineFile (f); },
    };

    int firstRow = 200;
    for (const auto& open : ways)
    {
        SCOPED_TRACE (firstRow);
        clickRow (view.getUnitTable(), 30);
        sent.clear();

        open (library ("bank" + juce::String (firstRow) + ".vrm"));

        EXPECT_TRUE (unitSelection().empty());
        EXPECT_EQ (romSelection(), std::vector<int>{firstRow});
        EXPECT_EQ (topRow (view.getRomTable()), firstRow);
        // The selected rows are the ones the clipboard commands take; nothing is recalled.
        EXPECT_EQ (store.activeList, 1);
        EXPECT_TRUE (sent.empty());
        firstRow += 200;
    }
}

TEST_F (VRLibComponentTest, AShortFileIsRefusedOnDropAndOnTheCommandLine)
{
    view.filesDropped (juce::StringArray (library ("short.vrm", 3000).getFullPathName()), 10, 10);
    EXPECT_FALSE (view.openCommandLineFile (library ("short2.vrm", 6431)));

    ASSERT_EQ (dialogs.shown.size(), 2u);
    for (const auto& alert : dialogs.shown)
        EXPECT_EQ (alert.title, "File Open Error:");
    EXPECT_EQ (view.getRomList().fileCount, 0);
    EXPECT_EQ (view.getRomList().size(), 200);

    EXPECT_TRUE (view.openCommandLineFile (library ("whole.vrm")));
    EXPECT_EQ (view.getRomList().fileNames[0], "whole");
}

TEST_F (VRLibComponentTest, ClipboardCommandsActOnTheActiveTable)
{
    auto& unitTable = view.getUnitTable();
    for (int slot = 0; slot < 200; ++slot)
        view.getUnitList().storeByte (slot, 20, slot);

    // Nothing shown selected yet: only the paste rules wait for a copy.
    EXPECT_FALSE (view.canCopy());
    EXPECT_FALSE (view.canPaste());
    clickRow (unitTable, 10);
    unitTable.selectRangeOfRows (10, 12);
    (void) view.createComponentSnapshot (view.getLocalBounds()); // paints the selected rows
    EXPECT_TRUE (view.canCut());
    EXPECT_TRUE (view.canCopy());
    view.copy();
    EXPECT_TRUE (view.canPaste());

    clickRow (unitTable, 198);
    dialogs.answers = {0};
    view.paste();
    ASSERT_EQ (dialogs.shown.size(), 1u);
    EXPECT_EQ (dialogs.shown[0].message, "Some Program(s) can't paste. Paste Anyway?");
    EXPECT_EQ (tagAt (198), 10);
    EXPECT_EQ (tagAt (199), 11);
    EXPECT_EQ (store.modified[198], 1);

    // Cut leaves the first removed slot selected.
    unitTable.selectRow (5);
    unitTable.selectRow (7, false, false);
    view.cut();
    EXPECT_EQ (unitSelection(), std::vector<int>{5});
    EXPECT_EQ (tagAt (5), 6);
    EXPECT_EQ (view.getUnitList().size(), 200);

    // A click in the right table takes the selection from the left one.
    dialogs.shown.clear();
    clickRow (view.getRomTable(), 3);
    EXPECT_TRUE (unitSelection().empty());
    EXPECT_EQ (store.activeList, 1);
    view.paste();
    view.cut();
    ASSERT_EQ (dialogs.shown.size(), 2u);
    EXPECT_EQ (dialogs.shown[0].message, "Cannot paste on the ROM Area.");
    EXPECT_EQ (dialogs.shown[1].message, "Illegal Command.");

    // Back on the unit list with no slot selected, Paste says why it does nothing.
    dialogs.shown.clear();
    store.activeList = 0;
    view.getRomTable().deselectAllRows();
    EXPECT_TRUE (view.canPaste());
    view.insert();
    ASSERT_EQ (dialogs.shown.size(), 1u);
    EXPECT_EQ (dialogs.shown[0].title, "Insert:");
    EXPECT_EQ (tagAt (0), 0);
}

TEST_F (VRLibComponentTest, ClosingFilesKeepsASelectionInsideTheList)
{
    ASSERT_TRUE (view.openCommandLineFile (library ("a.vrm")));

    clickRow (view.getUnitTable(), 4);
    view.closeAllFiles();
    EXPECT_TRUE (unitSelection().empty());
    EXPECT_EQ (view.getRomList().size(), 200);
    EXPECT_EQ (view.getRomList().fileCount, 0);
    EXPECT_EQ (romSelection(), std::vector<int>{199});

    ASSERT_TRUE (view.openCommandLineFile (library ("b.vrm")));
    clickRow (view.getRomTable(), 250);
    view.getUnitTable().selectRow (9); // selected without a click, so the ROM list stays active
    view.closeAllFiles();
    EXPECT_EQ (unitSelection(), std::vector<int>{9});
    EXPECT_EQ (romSelection(), std::vector<int>{199});

    // The last selected row went with the file: only the list's last row stays selected.
    ASSERT_TRUE (view.openCommandLineFile (library ("c.vrm")));
    view.getRomTable().selectRow (10);
    view.getRomTable().selectRow (250, false, false);
    view.closeAllFiles();
    EXPECT_EQ (romSelection(), std::vector<int>{199});
}

TEST_F (VRLibComponentTest, SelectingAProgramRowSendsNothing)
{
    view.selectProgramRow (57);
    EXPECT_EQ (unitSelection(), std::vector<int>{57});
    EXPECT_TRUE (romSelection().empty());

    view.selectProgramRow (250);
    EXPECT_TRUE (unitSelection().empty());
    EXPECT_EQ (romSelection(), std::vector<int>{50});
    EXPECT_TRUE (sent.empty());
}
} // namespace
} // namespace vr
