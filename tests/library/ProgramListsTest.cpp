#include "library/ProgramLists.h"

#include "data/DataCenter.h"
#include "data/FactoryPrograms.h"

#include <gtest/gtest.h>

#include <climits>

namespace vr
{
namespace
{
const juce::String tenSpaces = juce::String::repeatedString (" ", kNameLength);

// Gives every file slot recognisable bytes: element 11 = slot, element 12 =
// program within the slot, element 13 = 199 - program (catches reversed copies).
void fillFileBuffers (DataCenter& store)
{
    for (int slot = 0; slot < Source::maxFiles; ++slot)
        for (int k = 0; k < Source::perFile; ++k)
        {
            auto* record = store.fileBuffers.data() + (slot * Source::perFile + k) * kRecordSize;
            record[11] = static_cast<std::uint8_t> (slot);
            record[12] = static_cast<std::uint8_t> (k);
            record[13] = static_cast<std::uint8_t> (Source::perFile - 1 - k);
        }
}

struct UnitProgramListTest : ::testing::Test
{
    UnitProgramListTest()
    {
        list.onChanged = [this] { ++changes; };
    }

    DataCenter store;
    UnitProgramList list{store};
    int changes{0};
};

struct RomFileProgramListTest : ::testing::Test
{
    RomFileProgramListTest()
    {
        list.onChanged = [this] { ++changes; };
        fillFileBuffers (store);
    }

    // Appends a block the way the file reader's caller does.
    int openFile (const juce::String& name)
    {
        list.fileNames[static_cast<size_t> (list.fileCount)] = name;
        const auto first = list.appendFileBlock();
        if (first >= 0)
            ++list.fileCount;
        return first;
    }

    DataCenter store;
    RomFileProgramList list{store};
    int changes{0};
};
} // namespace

//==============================================================================
TEST_F (UnitProgramListTest, FillAddsTwoHundredEmptyRowsOnlyOnce)
{
    list.fill();
    list.rows[7].data[3] = 200; // an out-of-range name element, as a file could bring
    list.rows[7].data[20] = 200;
    list.fill();

    ASSERT_EQ (list.size(), kNumUserPrograms);
    EXPECT_EQ (changes, 2);
    for (int slot = 0; slot < list.size(); slot += 37)
    {
        EXPECT_EQ (list.rows[static_cast<size_t> (slot)].sourceNumber, Source::empty);
        EXPECT_EQ (fromColumnText (list.rows[static_cast<size_t> (slot)].sourceNumber, nullptr), "--- : ---");
        EXPECT_EQ (list.readRowName (slot), " VORANTE  ");
    }
    // The second fill re-encodes names but leaves the parameters alone.
    EXPECT_EQ (list.readByte (7, 3), 0);
    EXPECT_EQ (list.readByte (7, 20), 200);
    EXPECT_EQ (list.recordAt (0), defaultRecord());
}

TEST_F (UnitProgramListTest, NamesKeepOnlySpaceToCaret)
{
    list.fill();

    list.setRowName (0, "abc");
    EXPECT_EQ (list.readRowName (0), tenSpaces);

    list.setRowName (1, "AB^_");
    EXPECT_EQ (list.readRowName (1), "AB^" + juce::String::repeatedString (" ", 7));

    list.setRowName (2, "TOO LONG A NAME");
    EXPECT_EQ (list.readRowName (2), "TOO LONG A");

    list.storeByte (3, 0, 200);
    list.storeByte (3, 1, 63);
    list.storeByte (3, 2, 62);
    EXPECT_EQ (list.readRowName (3).substring (0, 3), "  ^");
    EXPECT_EQ (list.readRowName (3).length(), kNameLength);
}

TEST_F (UnitProgramListTest, AccessOutsideTheListChangesNothingAndReadsAsEmpty)
{
    list.fill();
    const auto before = list.rows;

    for (int row : {kNumUserPrograms, 250, -1, INT_MAX, INT_MIN})
    {
        list.storeByte (row, 0, 5);
        list.setRowName (row, "HELLO");
        EXPECT_EQ (list.readByte (row, 0), 0) << row;
        EXPECT_EQ (list.readRowName (row), tenSpaces) << row;
        EXPECT_EQ (list.recordAt (row), ProgramRecord{}) << row;
    }
    for (int element : {kRecordSize, -1, INT_MAX, INT_MIN})
    {
        list.storeByte (0, element, 5);
        EXPECT_EQ (list.readByte (0, element), 0) << element;
    }

    ASSERT_EQ (list.rows.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ (list.rows[i].data, before[i].data) << i;
}

TEST_F (UnitProgramListTest, CellsKeepWhatWasStoredAndRecordsTakeTheLowEightBits)
{
    list.fill();
    list.storeByte (199, 31, 0x1a5);
    list.storeByte (199, 10, -1);

    EXPECT_EQ (list.readByte (199, 31), 0x1a5);
    EXPECT_EQ (list.readByte (199, 10), -1);
    const auto record = list.recordAt (199);
    EXPECT_EQ (record[31], 0xa5);
    EXPECT_EQ (record[10], 0xff);
    EXPECT_EQ (record[11], defaultRecord()[11]);
}

TEST_F (UnitProgramListTest, FinishReceiveNumbersEverySlotAndClearsEveryFlag)
{
    list.fill();
    store.modified.fill (1);
    list.storeByte (5, 0, 99);
    changes = 0;

    list.finishReceive();

    EXPECT_EQ (changes, 1);
    for (int slot = 0; slot < kNumUserPrograms; ++slot)
    {
        const auto& row = list.rows[static_cast<size_t> (slot)];
        EXPECT_EQ (row.sourceNumber, slot);
        EXPECT_EQ (store.modified[static_cast<size_t> (slot)], 0) << slot;
    }
    EXPECT_EQ (fromColumnText (list.rows[0].sourceNumber, nullptr), "000 : RAM");
    EXPECT_EQ (fromColumnText (list.rows[42].sourceNumber, nullptr), "042 : RAM");
    EXPECT_EQ (fromColumnText (list.rows[199].sourceNumber, nullptr), "199 : RAM");
    EXPECT_EQ (list.readByte (5, 0), 0);
}

TEST_F (UnitProgramListTest, FinishReceiveOnAShortListTouchesOnlyExistingRows)
{
    store.modified.fill (1);
    list.finishReceive();
    EXPECT_TRUE (list.rows.empty());
    EXPECT_EQ (store.modified[199], 0);
}

//==============================================================================
TEST_F (RomFileProgramListTest, FillHoldsTheFactoryProgramsOnlyOnce)
{
    list.fill();
    list.fill();

    ASSERT_EQ (list.size(), kNumFactoryPrograms);
    EXPECT_EQ (changes, 2);
    const auto& table = factoryTable();
    for (size_t k = 0; k < table.size(); ++k)
    {
        EXPECT_EQ (list.recordAt (static_cast<int> (k)), table[k]) << k;
        EXPECT_EQ (list.rows[k].sourceNumber, Source::firstFactory + static_cast<int> (k));
    }
    EXPECT_EQ (list.recordAt (kNumFactoryPrograms), ProgramRecord{});
    EXPECT_EQ (list.recordAt (-1), ProgramRecord{});
}

TEST_F (RomFileProgramListTest, FileBlocksTakeTheBytesOfTheirOwnSlot)
{
    list.fill();

    EXPECT_EQ (openFile ("ONE"), 200);
    EXPECT_EQ (openFile ("TWO"), 400);
    EXPECT_EQ (openFile ("THREE"), 600);
    ASSERT_EQ (list.size(), 800);

    for (int slot = 0; slot < Source::maxFiles; ++slot)
        for (int k : {0, 1, 117, 199})
        {
            const int row = 200 + slot * 200 + k;
            SCOPED_TRACE (row);
            EXPECT_EQ (list.rows[static_cast<size_t> (row)].sourceNumber, row + 200);
            const auto record = list.recordAt (row);
            EXPECT_EQ (record[11], slot);
            EXPECT_EQ (record[12], k);
            EXPECT_EQ (record[13], 199 - k);
        }
    // The factory rows are untouched by the blocks behind them.
    EXPECT_EQ (list.recordAt (199), factoryTable()[199]);
}

TEST_F (RomFileProgramListTest, AFourthFileBlockDoesNothing)
{
    list.fill();
    for (auto name : {"A", "B", "C"})
        openFile (name);
    changes = 0;

    EXPECT_EQ (list.appendFileBlock(), -1);
    EXPECT_EQ (list.size(), 800);
    EXPECT_EQ (list.fileCount, 3);
    EXPECT_EQ (changes, 0);
}

TEST_F (RomFileProgramListTest, HighFileBytesSurviveExceptInTheName)
{
    list.fill();
    store.fileBuffers[0] = 200;  // name element 0 of slot 0, program 0
    store.fileBuffers[9] = 63;   // last name element
    store.fileBuffers[20] = 200; // a parameter cell
    store.fileBuffers[31] = 255;
    openFile ("HIGH");

    const auto& row = list.rows[200];
    EXPECT_EQ (row.data[0], 0);
    EXPECT_EQ (row.data[9], 0);
    EXPECT_EQ (row.data[20], 200);
    EXPECT_EQ (row.data[31], 255);
    EXPECT_EQ (row.getName(), tenSpaces);
    EXPECT_EQ (list.recordAt (200)[20], 200);
}

TEST_F (RomFileProgramListTest, CloseAllFilesKeepsTheFactoryRowsAndTheNames)
{
    list.fill();
    openFile ("FIRST");
    openFile ("SECOND");
    changes = 0;

    list.closeAllFiles();

    EXPECT_EQ (changes, 1);
    EXPECT_EQ (list.size(), kNumFactoryPrograms);
    EXPECT_EQ (list.fileCount, 0);
    EXPECT_EQ (list.fileNames[0], "FIRST");
    EXPECT_EQ (list.fileNames[1], "SECOND");
    EXPECT_EQ (list.recordAt (0), factoryTable()[0]);

    // The next file reuses slot 0: its sources, its bytes, its name.
    EXPECT_EQ (openFile ("AGAIN"), 200);
    EXPECT_EQ (list.rows[200].sourceNumber, 400);
    EXPECT_EQ (list.rows[399].sourceNumber, 599);
    EXPECT_EQ (list.recordAt (399)[11], 0);
    EXPECT_EQ (list.recordAt (399)[12], 199);
    EXPECT_EQ (fromColumnText (list.rows[217].sourceNumber, &list), "417 : AGAIN");
}

TEST_F (RomFileProgramListTest, FileBlocksStayInsideTheBuffersWhateverTheState)
{
    // Never filled: the block starts at slot 0 and becomes the first rows.
    list.fileCount = 2;
    EXPECT_EQ (list.appendFileBlock(), 0);
    ASSERT_EQ (list.size(), 200);
    EXPECT_EQ (list.rows[0].sourceNumber, 400);
    EXPECT_EQ (list.recordAt (0)[11], 0);

    list.fileCount = -1;
    EXPECT_EQ (list.appendFileBlock(), -1);
    EXPECT_EQ (list.size(), 200);

    // Surplus rows cannot push the start past the last slot.
    list.rows.resize (1200);
    list.fileCount = 2;
    EXPECT_EQ (list.appendFileBlock(), 1200);
    EXPECT_EQ (list.rows[1200].sourceNumber, 800);
    EXPECT_EQ (list.recordAt (1399)[11], 2);
}

TEST_F (RomFileProgramListTest, FromColumnNamesTheOrigin)
{
    list.fileNames = {"BANK A", "BANK B", "BANK C"};

    EXPECT_EQ (fromColumnText (-1, &list), "--- : ---");
    EXPECT_EQ (fromColumnText (0, &list), "000 : RAM");
    EXPECT_EQ (fromColumnText (12, &list), "012 : RAM");
    EXPECT_EQ (fromColumnText (199, &list), "199 : RAM");
    EXPECT_EQ (fromColumnText (200, &list), "200 : ROM");
    EXPECT_EQ (fromColumnText (231, &list), "231 : ROM");
    EXPECT_EQ (fromColumnText (399, &list), "399 : ROM");
    EXPECT_EQ (fromColumnText (400, &list), "400 : BANK A");
    EXPECT_EQ (fromColumnText (417, &list), "417 : BANK A");
    EXPECT_EQ (fromColumnText (599, &list), "599 : BANK A");
    EXPECT_EQ (fromColumnText (600, &list), "600 : BANK B");
    EXPECT_EQ (fromColumnText (799, &list), "799 : BANK B");
    EXPECT_EQ (fromColumnText (800, &list), "800 : BANK C");
    EXPECT_EQ (fromColumnText (999, &list), "999 : BANK C");
    EXPECT_EQ (fromColumnText (1000, &list), "1000 : ");
    EXPECT_EQ (fromColumnText (417, nullptr), "417 : ");

    EXPECT_EQ (list.fileNameForSource (399), "");
    EXPECT_EQ (list.fileNameForSource (1000), "");
    EXPECT_EQ (list.fileNameForSource (-200), "");
    EXPECT_EQ (list.fileNameForSource (INT_MIN), "");
    EXPECT_EQ (list.fileNameForSource (INT_MAX), "");
}
} // namespace vr
