#include "library/Clipboard.h"

#include "data/DataCenter.h"
#include "data/FactoryPrograms.h"
#include "support/RecordingDialogs.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace vr
{
namespace
{
// Element 20 of every unit row carries its original slot, so moves show.
constexpr size_t kTag = 20;
constexpr int kUntagged = -1;

RowSelection rowsSelected (std::vector<int> rows, int last)
{
    return {std::move (rows), last};
}

// A unit list whose rows tell their original slot, the factory programs and
// one open file named BANK.
struct Lists
{
    Lists()
    {
        unit.fill();
        for (int slot = 0; slot < kNumUserPrograms; ++slot)
        {
            auto& row = unit.rows[static_cast<size_t> (slot)];
            row.sourceNumber = slot;
            row.data[kTag] = slot;
            row.setName (juce::String::formatted ("SLOT %03d", slot));
        }
        rom.fill();
        rom.fileNames[0] = "BANK";
        store.fileBuffers[5 * kRecordSize] = 200; // file program 5: a name byte past '^'
        rom.appendFileBlock();
        rom.fileCount = 1;
    }

    int tagAt (int slot) const
    {
        const auto& row = unit.rows[static_cast<size_t> (slot)];
        return row.sourceNumber == Source::empty ? kUntagged : row.data[kTag];
    }

    std::vector<int> modifiedSlots() const
    {
        std::vector<int> slots;
        for (int i = 0; i < kNumUserPrograms; ++i)
            if (store.modified[static_cast<size_t> (i)] != 0)
                slots.push_back (i);
        return slots;
    }

    void copyUnit (std::vector<int> rows)
    {
        store.activeList = 0;
        commands.copy (rowsSelected (std::move (rows), -1));
    }

    DataCenter store;
    UnitProgramList unit{store};
    RomFileProgramList rom{store};
    test::RecordingDialogs dialogs;
    ClipboardCommands commands{store, unit, rom, dialogs};
};

struct ClipboardTest : ::testing::Test, Lists
{
};

//==============================================================================
TEST (Clipboard, PasteWritesFromTheSelectedSlotAndAsksWhenItDoesNotFit)
{
    struct Case
    {
        std::vector<int> copied;
        int target;
        std::deque<int> answers;
        bool asks;
        std::vector<int> expectedModified;
    };
    const Case cases[] = {
        {{10, 11, 12}, 0, {}, false, {0, 1, 2}},    {{10, 11, 12}, 197, {}, false, {197, 198, 199}},
        {{10, 11, 12}, 198, {0}, true, {198, 199}}, // the third copy is dropped
        {{10, 11, 12}, 198, {1}, true, {}},         // Cancel
        {{10, 11, 12}, 198, {-1}, true, {}},        // closed without a button
    };

    for (const auto& c : cases)
    {
        Lists fresh;
        fresh.copyUnit (c.copied);
        fresh.dialogs.answers = c.answers;
        fresh.commands.paste (rowsSelected ({c.target}, c.target));

        SCOPED_TRACE (c.target);
        ASSERT_EQ (fresh.unit.size(), kNumUserPrograms);
        ASSERT_EQ (fresh.dialogs.shown.size(), c.asks ? 1u : 0u);
        if (c.asks)
        {
            const auto& q = fresh.dialogs.shown[0];
            EXPECT_EQ (q.title, "Warning:");
            EXPECT_EQ (q.message, "Some Program(s) can't paste. Paste Anyway?");
            EXPECT_EQ (q.buttons, juce::StringArray ({"  OK  ", "Cancel"}));
            EXPECT_EQ (q.icon, AlertText::Icon::warning);
        }
        EXPECT_EQ (fresh.modifiedSlots(), c.expectedModified);
        for (size_t i = 0; i < c.expectedModified.size(); ++i)
            EXPECT_EQ (fresh.tagAt (c.expectedModified[i]), c.copied[i]);
        for (int slot : {9, 10, 11, 12, 13, 100})
        {
            if (slot < c.target)
            {
                EXPECT_EQ (fresh.tagAt (slot), slot);
            }
        }
        // The clipboard stays for the next paste.
        EXPECT_EQ (fresh.store.clipboard.size(), c.copied.size());
    }
}

std::vector<int> slotsFrom (int first)
{
    std::vector<int> slots;
    for (int slot = first; slot < kNumUserPrograms; ++slot)
        slots.push_back (slot);
    return slots;
}

// Every slot whose program moved is marked: the unit holds another one there.
TEST (Clipboard, InsertPushesSlotsDownAndLosesThosePastTheEnd)
{
    struct Case
    {
        int target;
        std::vector<int> expectedModified;
        std::vector<std::pair<int, int>> expectedTags; // slot, tag
    };
    const Case cases[] = {
        {0, slotsFrom (0), {{0, 50}, {1, 51}, {2, 52}, {3, 0}, {199, 196}}},
        {100, slotsFrom (100), {{99, 99}, {100, 50}, {103, 100}, {199, 196}}},
        {198, {198, 199}, {{197, 197}, {198, 50}, {199, 51}}},
    };

    for (const auto& c : cases)
    {
        Lists fresh;
        fresh.copyUnit ({50, 51, 52});
        fresh.commands.insert (rowsSelected ({c.target}, c.target));

        SCOPED_TRACE (c.target);
        EXPECT_TRUE (fresh.dialogs.shown.empty());
        ASSERT_EQ (fresh.unit.size(), kNumUserPrograms);
        EXPECT_EQ (fresh.modifiedSlots(), c.expectedModified);
        for (const auto& [slot, tag] : c.expectedTags)
            EXPECT_EQ (fresh.tagAt (slot), tag) << "slot " << slot;
    }
}

TEST_F (ClipboardTest, CutMovesTheRestUpAndLeavesEmptySlotsAtTheEnd)
{
    const auto outcome = commands.cut (rowsSelected ({5, 7}, 7));

    ASSERT_EQ (unit.size(), kNumUserPrograms);
    EXPECT_EQ (tagAt (4), 4);
    EXPECT_EQ (tagAt (5), 6);
    for (int slot = 6; slot <= 197; ++slot)
        ASSERT_EQ (tagAt (slot), slot + 2) << slot;
    for (int slot : {198, 199})
    {
        EXPECT_EQ (tagAt (slot), kUntagged);
        EXPECT_EQ (fromColumnText (unit.rows[static_cast<size_t> (slot)].sourceNumber, &rom), "--- : ---");
    }
    EXPECT_EQ (outcome.selectUnitRow, 5);
    EXPECT_EQ (unit.rememberedRow, 6);
    EXPECT_EQ (modifiedSlots(), slotsFrom (5)) << "every slot whose program moved";
    ASSERT_EQ (store.clipboard.size(), 2u);
    EXPECT_EQ (store.clipboard[0].data[kTag], 5);
    EXPECT_EQ (store.clipboard[1].data[kTag], 7);
    EXPECT_TRUE (unit.pasteReady);
}

TEST_F (ClipboardTest, ClearLeavesAnEmptyModifiedSlotAndKeepsTheOldOne)
{
    commands.clear (rowsSelected ({9}, 9));

    ASSERT_EQ (unit.size(), kNumUserPrograms);
    EXPECT_EQ (fromColumnText (unit.rows[9].sourceNumber, &rom), "--- : ---");
    EXPECT_EQ (unit.readRowName (9), " VORANTE  ");
    EXPECT_EQ (unit.recordAt (9), defaultRecord());
    EXPECT_EQ (modifiedSlots(), std::vector<int> ({9}));
    EXPECT_EQ (tagAt (8), 8);
    EXPECT_EQ (tagAt (10), 10);
    ASSERT_EQ (store.clipboard.size(), 1u);
    EXPECT_EQ (store.clipboard[0].data[kTag], 9);
    EXPECT_EQ (store.clipboard[0].getName(), "SLOT 009  ");
    EXPECT_TRUE (unit.pasteReady);
}

TEST_F (ClipboardTest, RowsPastedFromFactoryAndFileRowsSayWhereTheyCameFrom)
{
    store.activeList = 1;
    commands.copy (rowsSelected ({3, 205}, 205));
    store.activeList = 0;
    commands.paste (rowsSelected ({20}, 20));

    EXPECT_EQ (fromColumnText (unit.rows[20].sourceNumber, &rom), "203 : ROM");
    EXPECT_EQ (fromColumnText (unit.rows[21].sourceNumber, &rom), "405 : BANK");
    EXPECT_EQ (unit.recordAt (20), factoryProgram (203));
    // The file's out-of-range name byte was cleared on the way.
    EXPECT_EQ (unit.readByte (21, 0), 0);
    EXPECT_EQ (modifiedSlots(), std::vector<int> ({20, 21}));
}

TEST (Clipboard, TheRomAreaIsReadOnly)
{
    struct Case
    {
        const char* name;
        ClipboardOutcome (ClipboardCommands::*operation) (const RowSelection&);
        RowSelection selection; // in the ROM and file list
        const char* message;    // nullptr: no alert
        bool copies;
    };
    const char* fileRows =
        "Library file rows cannot be changed.\nPaste and Insert go into the unit list: select a slot there.";
    const Case cases[] = {
        {"cut", &ClipboardCommands::cut, {{3, 4}, 4}, "Illegal Command.", true},
        {"clear", &ClipboardCommands::clear, {{3, 4}, 4}, nullptr, false},
        {"paste", &ClipboardCommands::paste, {{3, 4}, 4}, "Cannot paste on the ROM Area.", false},
        {"insert", &ClipboardCommands::insert, {{3, 4}, 4}, "Cannot paste on the ROM Area.", false},
        {"paste on a file row", &ClipboardCommands::paste, {{199, 205}, 205}, fileRows, false},
        {"insert on a file row", &ClipboardCommands::insert, {{205}, 205}, fileRows, false},
        {"paste, file row deselected last", &ClipboardCommands::paste, {{210}, -1}, fileRows, false},
    };

    for (const auto& c : cases)
    {
        Lists fresh;
        fresh.copyUnit ({1});
        const auto unitBefore = fresh.unit.rows;
        const auto romBefore = fresh.rom.rows;

        fresh.store.activeList = 1;
        (fresh.commands.*c.operation) (c.selection);

        SCOPED_TRACE (c.name);
        ASSERT_EQ (fresh.dialogs.shown.size(), c.message != nullptr ? 1u : 0u);
        if (c.message != nullptr)
        {
            EXPECT_EQ (fresh.dialogs.shown[0].title, "Warning:");
            EXPECT_EQ (fresh.dialogs.shown[0].message, c.message);
            EXPECT_EQ (fresh.dialogs.shown[0].buttons, juce::StringArray ({"  OK  "}));
        }
        EXPECT_EQ (fresh.store.clipboard.size(), c.copies ? 2u : 1u);
        EXPECT_EQ (fresh.rom.size(), static_cast<int> (romBefore.size()));
        for (size_t i = 0; i < romBefore.size(); i += 57)
            EXPECT_EQ (fresh.rom.rows[i].data, romBefore[i].data);
        for (size_t i = 0; i < unitBefore.size(); ++i)
            ASSERT_EQ (fresh.unit.rows[i].data, unitBefore[i].data);
        EXPECT_TRUE (fresh.modifiedSlots().empty());
    }
}

TEST (Clipboard, PasteAndInsertWithoutATargetSlotSaySoAndChangeNothing)
{
    struct Case
    {
        ClipboardOutcome (ClipboardCommands::*operation) (const RowSelection&);
        const char* title;
    };
    for (const auto& c :
         {Case{&ClipboardCommands::paste, "Paste:"}, Case{&ClipboardCommands::insert, "Insert:"}})
    {
        Lists fresh;
        fresh.copyUnit ({1, 2});
        const auto before = fresh.unit.rows;

        // Rows may be selected while the last selected one was let go.
        (fresh.commands.*c.operation) (rowsSelected ({4}, -1));

        ASSERT_EQ (fresh.dialogs.shown.size(), 1u);
        EXPECT_EQ (fresh.dialogs.shown[0].title, c.title);
        EXPECT_TRUE (fresh.dialogs.shown[0].message.contains ("No program slot is selected"));
        EXPECT_EQ (fresh.dialogs.shown[0].buttons, juce::StringArray ({"  OK  "}));
        ASSERT_EQ (fresh.unit.size(), kNumUserPrograms);
        for (size_t i = 0; i < before.size(); ++i)
            ASSERT_EQ (fresh.unit.rows[i].data, before[i].data);
        EXPECT_TRUE (fresh.modifiedSlots().empty());
    }
}

TEST (Clipboard, DuringABulkTransferEditsMarkNothingModified)
{
    using Operation = ClipboardOutcome (ClipboardCommands::*) (const RowSelection&);
    for (const Operation operation :
         {&ClipboardCommands::paste, &ClipboardCommands::insert, &ClipboardCommands::clear})
    {
        Lists fresh;
        fresh.copyUnit ({50});
        fresh.store.bulkTransfer = true;
        (fresh.commands.*operation) (rowsSelected ({30}, 30));

        EXPECT_NE (fresh.tagAt (30), 30); // the slot did change
        EXPECT_TRUE (fresh.modifiedSlots().empty());
    }
}

TEST_F (ClipboardTest, AnySequenceOfOperationsKeepsTwoHundredSlots)
{
    using Operation = ClipboardOutcome (ClipboardCommands::*) (const RowSelection&);
    const Operation operations[] = {&ClipboardCommands::cut, &ClipboardCommands::clear,
                                    &ClipboardCommands::copy, &ClipboardCommands::paste,
                                    &ClipboardCommands::insert};
    std::mt19937 random (20240611u);
    const auto below = [&random] (int n) { return std::uniform_int_distribution<int> (0, n - 1) (random); };
    const auto romRows = rom.size();

    for (int step = 0; step < 3000; ++step)
    {
        store.activeList = below (4) == 0 ? 1 : 0;
        const int size = store.activeList == 0 ? unit.size() : rom.size();

        // Any selection a table can hold: none, one row, a run, scattered rows.
        std::set<int> picked;
        const int count = below (4) == 0 ? 0 : 1 + below (below (3) == 0 ? 60 : 4);
        const int runStart = below (size);
        for (int i = 0; i < count; ++i)
            picked.insert (below (2) == 0 ? juce::jmin (size - 1, runStart + i) : below (size));
        RowSelection selection{{picked.begin(), picked.end()}, -1};
        if (!picked.empty() && below (5) != 0)
            selection.lastSelected =
                selection.rows[static_cast<size_t> (below (static_cast<int> (picked.size())))];

        dialogs.answers = {below (2)};
        (commands.*operations[below (5)]) (selection);

        ASSERT_EQ (unit.size(), kNumUserPrograms) << "step " << step;
        ASSERT_EQ (rom.size(), romRows) << "step " << step;
    }
}
} // namespace
} // namespace vr
