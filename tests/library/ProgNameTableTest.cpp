#include "library/CProgNameTable.h"

#include "data/DataCenter.h"
#include "data/FactoryPrograms.h"
#include "midi/MidiReceiver.h"
#include "midi/SysexMessages.h"
#include "support/RecordingPorts.h"

#include <gtest/gtest.h>

namespace vr
{
namespace
{
using test::bytesOf;

struct CountingListener : juce::ChangeListener
{
    void changeListenerCallback (juce::ChangeBroadcaster*) override { ++count; }
    int count{0};
};

// Presses and releases the mouse on a row, as a click in its "From" column.
void clickRow (juce::TableListBox& table, int row, juce::ModifierKeys mods = {})
{
    table.scrollToEnsureRowIsOnscreen (row);
    auto* rowComponent = table.getComponentForRowNumber (row);
    ASSERT_NE (rowComponent, nullptr) << row;
    const juce::Point<float> at (60.0f, 4.0f);
    const auto now = juce::Time::getCurrentTime();
    const juce::MouseEvent e (juce::Desktop::getInstance().getMainMouseSource(), at, mods, 1.0f, 0.0f, 0.0f,
                              0.0f, 0.0f, rowComponent, rowComponent, now, at, now, 1, false);
    rowComponent->mouseDown (e);
    rowComponent->mouseUp (e);
}

struct ProgNameTableTest : ::testing::Test
{
    ProgNameTableTest()
    {
        engine.pause = [] (int) {};
        engine.setOutput (std::make_unique<test::RecordingOutputPort> (sent));
        engine.setProgramLists (&unitTable.getList(), &romTable.getList());
        store.midiChannel = 2;
        selection.addChangeListener (&announced);

        for (auto* table : std::initializer_list<ProgramTable*>{&unitTable, &romTable})
        {
            table->setBounds (0, 0, 265, 316);
            table->setClock ([this] { return now; });
        }
        unitTable.fill();
        romTable.fill();
        for (int slot = 0; slot < kNumUserPrograms; ++slot)
            unitTable.getList().storeByte (slot, RecordByte::programLevel, slot % 32);

        // One open file whose program k carries k in its level byte.
        for (int k = 0; k < 200; ++k)
            store.fileBuffers[static_cast<size_t> (k * kRecordSize + RecordByte::programLevel)] =
                static_cast<std::uint8_t> (k);
        romTable.getList().fileNames[0] = "LIVE";
        romTable.fileBlockAppended (romTable.getList().appendFileBlock());
        romTable.getList().fileCount = 1;
        romTable.deselectAllRows();
    }

    ~ProgNameTableTest() override { selection.removeChangeListener (&announced); }

    void pump() { juce::MessageManager::getInstance()->runDispatchLoopUntil (20); }

    // What a recall of program n with this record puts on the wire.
    std::vector<std::vector<std::uint8_t>> expectedRecall (int programNumber, const ProgramRecord& record,
                                                           bool selects) const
    {
        std::vector<std::vector<std::uint8_t>> wire;
        if (selects)
            for (const auto& m : sysex::programSelect (store.midiChannel, programNumber))
                wire.push_back (bytesOf (m));
        wire.push_back (bytesOf (sysex::currentProgramDump (store.modelCode, record)));
        return wire;
    }

    std::vector<std::vector<std::uint8_t>> takeSent()
    {
        std::vector<std::vector<std::uint8_t>> wire;
        for (const auto& m : sent)
            wire.push_back (bytesOf (m));
        sent.clear();
        return wire;
    }

    bool press (ProgramTable& table, int keyCode, juce::ModifierKeys mods = {})
    {
        now += 200;
        return table.keyPressed (juce::KeyPress (keyCode, mods, 0));
    }

    std::vector<int> selectedRows (const ProgramTable& table) const { return table.currentSelection().rows; }

    DataCenter store;
    std::vector<juce::MidiMessage> sent;
    MidiReceiver engine{store};
    juce::ChangeBroadcaster selection;
    CountingListener announced;
    juce::int64 now{100000};
    CProgNameTable unitTable{store, engine, selection};
    CProgNameTable2 romTable{store, engine, selection, unitTable.getList()};
};

//==============================================================================
TEST_F (ProgNameTableTest, ClickingARowRecallsItAndSendsIt)
{
    struct Case
    {
        bool unit;
        int row;
        int programNumber;
        bool selectsOnUnit;
    };
    const Case cases[] = {
        {true, 0, 0, true},     {true, 57, 57, true},     {true, 199, 199, true},
        {false, 0, 200, false}, {false, 199, 399, false}, {false, 217, 417, false},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.unit ? "unit " : "rom ") + juce::String (c.row));
        ProgramTable& table = c.unit ? static_cast<ProgramTable&> (unitTable) : romTable;
        store.activeList = c.unit ? 1 : 0;
        int activations = 0;
        table.onActivated = [&activations] { ++activations; };
        const int announcedBefore = announced.count;
        store.setSelectedProgram (3);

        clickRow (table, c.row);
        pump();

        const auto record =
            c.unit ? unitTable.getList().recordAt (c.row) : romTable.getList().recordAt (c.row);
        EXPECT_EQ (selectedRows (table), std::vector<int>{c.row});
        EXPECT_EQ (store.activeList, c.unit ? 0 : 1);
        EXPECT_GE (activations, 1);
        EXPECT_EQ (store.currentProgramNumber, c.programNumber);
        EXPECT_EQ (store.current, record);
        EXPECT_EQ (store.selectedProgram, c.selectsOnUnit ? c.programNumber : 3);
        EXPECT_EQ (takeSent(), expectedRecall (c.programNumber, record, c.selectsOnUnit));
        EXPECT_EQ (announced.count, announcedBefore + 1);
        table.onActivated = nullptr;
    }
    // The file row is the file's program 17.
    EXPECT_EQ (romTable.getList().recordAt (217)[RecordByte::programLevel], 17);
}

TEST_F (ProgNameTableTest, KeysMoveTheSelectionAndRecallTheRowTheyReach)
{
    struct Case
    {
        int start; // -1: nothing selected
        int key;
        bool shift;
        std::vector<int> selected;
        int recalled; // -1: nothing sent
    };
    using K = juce::KeyPress;
    const Case cases[] = {
        {5, K::downKey, false, {6}, 6},
        {199, K::downKey, false, {199}, 199},
        {-1, K::downKey, false, {0}, 0},
        {5, K::upKey, false, {4}, 4},
        {0, K::upKey, false, {0}, 0},
        {5, K::pageDownKey, false, {25}, 25},
        {190, K::pageDownKey, false, {199}, 199},
        {-1, K::pageDownKey, false, {19}, 19},
        {5, K::pageUpKey, false, {0}, 0},
        {45, K::pageUpKey, false, {25}, 25},
        {45, K::homeKey, false, {0}, 0},
        {45, K::endKey, false, {199}, 199},
        {7, K::returnKey, false, {7}, 7},
        {-1, K::returnKey, false, {}, -1},
        {5, K::downKey, true, {5, 6}, 6},
        {199, K::downKey, true, {199}, 199},
        {5, K::upKey, true, {4, 5}, 4},
        {0, K::upKey, true, {0}, 0},
    };

    // Both tables the same length, so the same cases hold at both ends.
    romTable.closeAllFiles();

    for (const bool unit : {true, false})
        for (const auto& c : cases)
        {
            SCOPED_TRACE (juce::String (unit ? "unit " : "rom ") + juce::String (c.start) + " key " +
                          juce::String (c.key) + (c.shift ? " shift" : ""));
            ProgramTable& table = unit ? static_cast<ProgramTable&> (unitTable) : romTable;
            table.deselectAllRows();
            if (c.start >= 0)
                table.selectRow (c.start);
            sent.clear();

            const bool handled = press (table, c.key, c.shift ? juce::ModifierKeys::shiftModifier : 0);

            // The unit table lets every key on to the window.
            EXPECT_EQ (handled, !unit);
            EXPECT_EQ (selectedRows (table), c.selected);
            if (c.recalled < 0)
            {
                EXPECT_TRUE (takeSent().empty());
                continue;
            }
            const int programNumber = unit ? c.recalled : c.recalled + 200;
            const auto record =
                unit ? unitTable.getList().recordAt (c.recalled) : romTable.getList().recordAt (c.recalled);
            EXPECT_EQ (takeSent(), expectedRecall (programNumber, record, unit));
            EXPECT_EQ (store.currentProgramNumber, programNumber);
        }
}

TEST_F (ProgNameTableTest, ShiftWithTheArrowsGrowsAndShrinksARange)
{
    unitTable.selectRow (10);
    press (unitTable, juce::KeyPress::downKey, juce::ModifierKeys::shiftModifier);
    press (unitTable, juce::KeyPress::downKey, juce::ModifierKeys::shiftModifier);
    EXPECT_EQ (selectedRows (unitTable), (std::vector<int>{10, 11, 12}));
    EXPECT_EQ (unitTable.getLastRowSelected(), 12);

    press (unitTable, juce::KeyPress::upKey, juce::ModifierKeys::shiftModifier);
    EXPECT_EQ (selectedRows (unitTable), (std::vector<int>{10, 11}));
    EXPECT_EQ (unitTable.getLastRowSelected(), 11);
}

TEST_F (ProgNameTableTest, ARowDeselectedWithCtrlClickIsNotTheLastSelected)
{
    const auto ctrl = juce::ModifierKeys::commandModifier;
    clickRow (unitTable, 10);
    clickRow (unitTable, 12, ctrl);
    clickRow (unitTable, 15, ctrl);
    EXPECT_EQ (unitTable.currentSelection().lastSelected, 15);

    // Taking the last one away leaves no last row (the list box would name row 10).
    clickRow (unitTable, 15, ctrl);
    EXPECT_EQ (selectedRows (unitTable), (std::vector<int>{10, 12}));
    EXPECT_EQ (unitTable.currentSelection().lastSelected, -1);
    EXPECT_EQ (unitTable.lastSelectedRow(), -1);

    // Taking away another row keeps it that way; selecting one names it again.
    clickRow (unitTable, 10, ctrl);
    EXPECT_EQ (unitTable.lastSelectedRow(), -1);
    clickRow (unitTable, 40, ctrl);
    EXPECT_EQ (selectedRows (unitTable), (std::vector<int>{12, 40}));
    EXPECT_EQ (unitTable.lastSelectedRow(), 40);
}

TEST_F (ProgNameTableTest, AHeldKeyMovesAtMostOneRowPerHundredFiftyMilliseconds)
{
    romTable.selectRow (0);
    const struct
    {
        juce::int64 at;
        bool passes;
    } presses[] = {{0, true},    {100, false}, {149, false}, {150, true},
                   {299, false}, {300, true},  {450, true}};

    const auto start = now + 1000;
    int expectedRow = 0;
    for (const auto& p : presses)
    {
        SCOPED_TRACE (p.at);
        now = start + p.at;
        sent.clear();
        const bool handled = romTable.keyPressed (juce::KeyPress (juce::KeyPress::downKey));
        if (p.passes)
            ++expectedRow;
        EXPECT_EQ (handled, p.passes);
        EXPECT_EQ (romTable.getLastRowSelected(), expectedRow);
        EXPECT_EQ (sent.size(), p.passes ? 1u : 0u);
    }

    // Any key counts for the guard, even one the table does not use.
    sent.clear();
    now += 1000;
    EXPECT_FALSE (unitTable.keyPressed (juce::KeyPress ('a')));
    now += 100;
    EXPECT_FALSE (unitTable.keyPressed (juce::KeyPress (juce::KeyPress::downKey)));
    EXPECT_TRUE (sent.empty());
}

//==============================================================================
// Paints one row of a table as the list box does and reports what is drawn.
struct PaintedRow
{
    juce::Image image;
    juce::Colour at (int x, int y) const { return image.getPixelAt (x, y); }

    // Pixels of about this colour, as text strokes leave them.
    int countNear (juce::Colour colour, int x0, int x1) const
    {
        int n = 0;
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = x0; x < x1; ++x)
            {
                const auto p = image.getPixelAt (x, y);
                if (std::abs (p.getRed() - colour.getRed()) < 40 &&
                    std::abs (p.getGreen() - colour.getGreen()) < 40 &&
                    std::abs (p.getBlue() - colour.getBlue()) < 40)
                    ++n;
            }
        return n;
    }
};

PaintedRow paintRow (ProgramTable& table, int row, bool selected)
{
    constexpr int width = 240, height = 14;
    PaintedRow painted{juce::Image (juce::Image::ARGB, width, height, true)};
    juce::Graphics g (painted.image);
    table.paintRowBackground (g, row, width, height, selected);
    int x = 0;
    for (const int id : {1, 2, 3, 4})
    {
        const int w = table.getHeader().getColumnWidth (id);
        if (!table.getHeader().isColumnVisible (id))
            continue;
        juce::Graphics::ScopedSaveState state (g);
        g.setOrigin (x, 0);
        g.reduceClipRegion (0, 0, w, height);
        table.paintCell (g, row, id, w, height, selected);
        x += w;
    }
    return painted;
}

TEST_F (ProgNameTableTest, ModifiedSlotsShowTheirNumberInYellowOrBlueWhenSelected)
{
    const auto yellow = juce::Colour (0xFFFFFF00), blue = juce::Colour (0xFF000060);
    const auto orange = juce::Colour (0xFFD2691E), plain = juce::Colour (0xFF303030);
    store.modified[12] = 1;

    const struct
    {
        int row;
        bool selected;
        juce::Colour background;
        int yellowPixels, bluePixels; // -1: some, 0: none
    } cases[] = {
        {12, false, plain, -1, 0},
        {12, true, orange, 0, -1},
        {13, false, plain, 0, 0},
        {13, true, orange, 0, 0},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.row) + (c.selected ? " selected" : ""));
        const auto painted = paintRow (unitTable, c.row, c.selected);
        EXPECT_EQ (painted.at (1, 1), c.background);
        // Only the "To :" column (the first 30 pixels) may show the slot colours.
        EXPECT_EQ (painted.countNear (yellow, 0, 30) > 0, c.yellowPixels != 0);
        EXPECT_EQ (painted.countNear (blue, 0, 30) > 0, c.bluePixels != 0);
        EXPECT_EQ (painted.countNear (yellow, 30, 240), 0);
        EXPECT_GT (painted.countNear (juce::Colour (0xFFF5F5DC), 30, 240), 0) << "cell text";
    }
}

TEST_F (ProgNameTableTest, RomRowsAreShadedByBlockAndAShownSelectionEnablesCopy)
{
    EXPECT_FALSE (romTable.getHeader().isColumnVisible (1));
    EXPECT_EQ (paintRow (romTable, 199, false).at (1, 1), juce::Colour (0xFF303030));
    EXPECT_EQ (paintRow (romTable, 200, false).at (1, 1), juce::Colour (0xFF383838));
    EXPECT_EQ (paintRow (romTable, 399, false).at (1, 1), juce::Colour (0xFF383838));

    EXPECT_FALSE (unitTable.getList().selectionSeen);
    EXPECT_EQ (paintRow (romTable, 205, true).at (1, 1), juce::Colour (0xFFD2691E));
    EXPECT_TRUE (unitTable.getList().selectionSeen);
}

TEST_F (ProgNameTableTest, TwentyRowsFillTheTableBelowItsHeader)
{
    EXPECT_EQ (unitTable.getRowHeight(), (316 - 22) / 20);
    EXPECT_EQ (unitTable.getHeader().getHeight(), 22);
    unitTable.setSize (265, 100);
    EXPECT_EQ (unitTable.getRowHeight(), 3);
    unitTable.setSize (265, 30);
    EXPECT_EQ (unitTable.getRowHeight(), 1);
}
} // namespace
} // namespace vr
