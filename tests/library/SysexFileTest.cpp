#include "library/SysexFile.h"

#include "data/DataCenter.h"
#include "data/FactoryPrograms.h"
#include "midi/SysexMessages.h"
#include "support/RecordingDialogs.h"

#include <gtest/gtest.h>

#include <map>
#include <numeric>

namespace vr
{
namespace
{
using Bytes = std::vector<std::uint8_t>;

// Record k: name "P<k>" and parameters that differ from program to program.
ProgramRecord rec (int k)
{
    ProgramRecord r{};
    encodeName (juce::String::formatted ("P%03d", k), r.data());
    for (int i = kNameLength; i < kRecordSize; ++i)
        r[static_cast<size_t> (i)] = static_cast<std::uint8_t> ((k * 7 + i) % 100);
    return r;
}

Bytes raw (const juce::MidiMessage& m)
{
    return {m.getRawData(), m.getRawData() + m.getRawDataSize()};
}

Bytes dump (int number, int k, std::uint8_t model = sysex::kModelWren)
{
    return raw (sysex::programDump (model, number, rec (k)));
}

Bytes current (int k, std::uint8_t model = sysex::kModelHeron)
{
    return raw (sysex::currentProgramDump (model, rec (k)));
}

Bytes join (std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const auto& p : parts)
        all.insert (all.end(), p.begin(), p.end());
    return all;
}

Bytes with (Bytes b, size_t at, std::uint8_t value)
{
    b[at] = value;
    return b;
}

Bytes resized (Bytes b, size_t size)
{
    b.resize (size, 0);
    return b;
}

// The message with its body cut or padded so that it is `size` bytes with its F7.
Bytes ofLength (Bytes b, size_t size)
{
    b.pop_back();
    b.resize (size - 1, 0);
    b.push_back (0xf7);
    return b;
}

SysexPrograms read (const Bytes& b)
{
    return readSysexPrograms (b.data(), b.size(), "x.syx");
}

TEST (SysexFileRead, TakesOurDumpsWhereverTheyAreAndPassesOverEverythingElse)
{
    const Bytes roland{0xf0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7f, 0x00, 0x41, 0xf7};
    const Bytes identityRequest{0xf0, 0x7e, 0x7f, 0x06, 0x01, 0xf7};
    const auto ourParameterChange = raw (sysex::parameterChange (0, 21, 0, 17));
    const Bytes runningStatus{0x90, 0x3c, 0x40, 0x3e, 0x40, 0x40, 0x00, 0xb0, 0x07, 0x64, 0x0a, 0x20};
    const Bytes garbage{0x00, 0x12, 0xf7, 0xff, 0xf8, 0x7d};
    const auto otherModel = dump (6, 6, 0x05);

    struct Case
    {
        const char* name;
        Bytes bytes;
        std::map<int, int> slots; // slot -> k of rec (k); every other slot holds the default record
        int skipped;
        bool truncated;
        const char* error;
    };
    const Case cases[] = {
        {"back to back, both models",
         join ({dump (5, 1), dump (7, 2, sysex::kModelHeron)}),
         {{5, 1}, {7, 2}},
         0,
         false,
         nullptr},
        {"current dumps fill the slots left, in file order",
         join ({current (10), dump (0, 1), current (11), dump (2, 2)}),
         {{0, 1}, {1, 10}, {2, 2}, {3, 11}},
         0,
         false,
         nullptr},
        {"a later dump of a number wins", join ({dump (4, 1), dump (4, 2)}), {{4, 2}}, 0, false, nullptr},
        {"other makers, other codes, other models between",
         join ({roland, dump (3, 1), identityRequest, ourParameterChange, otherModel, current (2, 0)}),
         {{0, 2}, {3, 1}},
         0,
         false,
         nullptr},
        {"running status and garbage between",
         join ({runningStatus, dump (9, 1), garbage, dump (10, 2), garbage}),
         {{9, 1}, {10, 2}},
         0,
         false,
         nullptr},
        {"damaged dumps are counted",
         join ({with (dump (0, 0), 20, 0x80), ofLength (dump (1, 1), 41), ofLength (dump (1, 1), 43),
                with (current (2), 30, 0xf8), resized (dump (2, 2), 30), dump (3, 3)}),
         {{3, 3}},
         5,
         false,
         nullptr},
        {"numbers beyond the user slots are counted",
         join ({dump (200, 1), with (dump (199, 2), 8, 100), dump (199, 3)}),
         {{199, 3}},
         2,
         false,
         nullptr},
        {"cut off at the end keeps the whole ones",
         join ({dump (0, 1), resized (dump (1, 2), 20)}),
         {{0, 1}},
         0,
         true,
         "x.syx ends in the middle of a message; 1 programs were read."},
        {"cut off with nothing whole",
         Bytes{0xf0, 0x7d},
         {},
         0,
         true,
         "x.syx holds no wren or heron programs."},
        {"nothing of ours",
         join ({roland, otherModel, runningStatus}),
         {},
         0,
         false,
         "x.syx holds no wren or heron programs."},
        {"empty", {}, {}, 0, false, "x.syx holds no wren or heron programs."},
        {"over 1 MB",
         resized (dump (0, 1), SysexFormat::kMaxFileSize + 1),
         {},
         0,
         false,
         "x.syx is larger than 1 MB; it is not a program file."},
        {"1 MB exactly",
         join ({resized ({}, SysexFormat::kMaxFileSize - 42), dump (0, 1)}),
         {{0, 1}},
         0,
         false,
         nullptr},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto got = read (c.bytes);
        EXPECT_EQ (got.programsRead, static_cast<int> (c.slots.size()));
        EXPECT_EQ (got.skipped, c.skipped);
        EXPECT_EQ (got.truncated, c.truncated);
        EXPECT_EQ (got.error, juce::String (c.error == nullptr ? "" : c.error));
        for (int slot = 0; slot < kNumUserPrograms; ++slot)
        {
            const auto at = c.slots.find (slot);
            const auto s = static_cast<size_t> (slot);
            ASSERT_EQ (got.filled[s], at != c.slots.end()) << slot;
            ASSERT_EQ (got.records[s], at != c.slots.end() ? rec (at->second) : defaultRecord()) << slot;
        }
    }

    // Current dumps with no empty slot left are counted too.
    Bytes full;
    for (int n = 0; n < kNumUserPrograms; ++n)
        full = join ({full, dump (n, n)});
    EXPECT_EQ (read (join ({full, current (1)})).skipped, 1);
}

struct SysexFileTest : ::testing::Test
{
    SysexFileTest()
    {
        folder.createDirectory();
        unit.fill();
        rom.fill();
        for (int slot = 0; slot < kNumUserPrograms; ++slot)
        {
            const auto r = rec (slot + 3);
            for (int i = 0; i < kRecordSize; ++i)
                unit.storeByte (slot, i, r[static_cast<size_t> (i)]);
        }
    }

    ~SysexFileTest() override
    {
        oldWorkingFolder.setAsCurrentWorkingDirectory();
        folder.deleteRecursively();
    }

    juce::File file (const juce::String& name) const { return folder.getChildFile (name); }

    juce::File written (const juce::String& name, const Bytes& bytes) const
    {
        const auto f = file (name);
        f.replaceWithData (bytes.data(), bytes.size());
        return f;
    }

    static Bytes bytesOf (const juce::File& f)
    {
        juce::MemoryBlock block;
        f.loadFileAsData (block);
        const auto* data = static_cast<const std::uint8_t*> (block.getData());
        return {data, data + block.getSize()};
    }

    const juce::File oldWorkingFolder = juce::File::getCurrentWorkingDirectory();
    const juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                                  .getNonexistentChildFile ("vr-sysex", {}, false);
    DataCenter store;
    UnitProgramList unit{store};
    RomFileProgramList rom{store};
    test::RecordingDialogs dialogs;
    LibraryFiles files{store, unit, rom, dialogs};
};

TEST_F (SysexFileTest, ExportThenImportGivesBackEveryRecordByteForByte)
{
    // No unit identified: model code 00; the identified heron's is 08.
    ASSERT_TRUE (files.exportSysexTo (file ("all.syx"), sysexEntriesOfUnitList (unit, {})));
    const auto all = bytesOf (file ("all.syx"));
    ASSERT_EQ (all.size(), 200u * 42u);
    EXPECT_EQ (all[3], 0x00);
    store.connected = true;
    store.modelCode = sysex::kModelHeron;
    ASSERT_TRUE (files.exportSysexTo (file ("heron.syx"), sysexEntriesOfUnitList (unit, {})));
    EXPECT_EQ (bytesOf (file ("heron.syx"))[42 * 199 + 3], 0x08);

    ASSERT_EQ (files.openCommandLineFile (file ("all.syx")), 200);
    EXPECT_EQ (fromColumnText (rom.rows[205].sourceNumber, &rom), "405 : all");
    for (int slot = 0; slot < kNumUserPrograms; ++slot)
        ASSERT_EQ (rom.recordAt (200 + slot), unit.recordAt (slot)) << slot;

    // A library file's rows come back numbered from 000: the same file again.
    std::vector<int> block (200);
    std::iota (block.begin(), block.end(), 200);
    store.modelCode = sysex::kModelWren;
    ASSERT_TRUE (files.exportSysexTo (file ("block.syx"), sysexEntriesOfRows (rom, block)));
    EXPECT_EQ (bytesOf (file ("block.syx")), all);
    EXPECT_TRUE (dialogs.shown.empty());
}

TEST_F (SysexFileTest, SelectedRowsKeepTheirSlotInTheUnitListAndAreNumberedFromZeroElsewhere)
{
    const auto unitRows = sysexEntriesOfUnitList (unit, {7, 3, 7, 250});
    ASSERT_EQ (unitRows.size(), 2u);
    EXPECT_EQ (unitRows[0].number, 3);
    EXPECT_EQ (unitRows[1].record, rec (10));

    std::vector<int> many (300);
    std::iota (many.begin(), many.end(), 0);
    many.push_back (5); // a row selected twice counts once
    const auto romRows = sysexEntriesOfRows (rom, many);
    ASSERT_EQ (romRows.size(), 200u);
    EXPECT_EQ (romRows[199].number, 199);
    EXPECT_EQ (romRows[5].record, factoryTable()[5]);

    const auto bytes = encodeSysexPrograms ({romRows[5], unitRows[1]}, sysex::kModelHeron);
    EXPECT_EQ (Bytes (bytes.begin() + 42, bytes.end()), raw (sysex::programDump (8, 7, rec (10))));
}

TEST_F (SysexFileTest, ASyxFileTakesASlotWhicheverWayItComesAndABadOneChangesNothing)
{
    const auto good = written ("mixed.SYX", join ({current (1), dump (9, 2, sysex::kModelHeron)}));
    const auto cut = written ("cut.syx", join ({dump (4, 4), resized (dump (5, 5), 10)}));
    const auto foreign = written ("foreign.syx", Bytes{0xf0, 0x43, 0x10, 0xf7});
    const Bytes before (store.fileBuffers.begin(), store.fileBuffers.end());

    // Refused: no slot, no buffer, no name changes; the drop goes on past it.
    EXPECT_EQ (files.dropFiles (juce::StringArray (foreign.getFullPathName())), std::vector<int>{});
    EXPECT_EQ (rom.fileCount, 0);
    EXPECT_EQ (Bytes (store.fileBuffers.begin(), store.fileBuffers.end()), before);
    ASSERT_EQ (dialogs.shown.size(), 1u);
    EXPECT_EQ (dialogs.shown[0].title + " " + dialogs.shown[0].message,
               "File Open Error: foreign.syx holds no wren or heron programs.");

    EXPECT_EQ (files.dropFiles ({foreign.getFullPathName(), good.getFullPathName()}), std::vector<int>{200});
    EXPECT_EQ (rom.recordAt (200), rec (1));
    EXPECT_EQ (rom.recordAt (209), rec (2));
    EXPECT_EQ (rom.recordAt (201), defaultRecord());
    EXPECT_EQ (fromColumnText (rom.rows[209].sourceNumber, &rom), "409 : mixed");

    // Cut off: what was whole loads, and the user hears what was lost.
    dialogs.shown.clear();
    dialogs.filesToOpen = {cut};
    EXPECT_EQ (files.open(), 400);
    EXPECT_EQ (rom.recordAt (404), rec (4));
    EXPECT_EQ (rom.recordAt (405), defaultRecord());
    ASSERT_EQ (dialogs.shown.size(), 1u);
    EXPECT_EQ (dialogs.shown[0].message, "cut.syx ends in the middle of a message; 1 programs were read.");
    EXPECT_EQ (rom.fileCount, 2);
}

TEST_F (SysexFileTest, AFailedExportLeavesTheOldFileAndSaysSo)
{
    const auto target = written ("keep.syx", Bytes (100, 0xab));
    files.writeStep = [] (juce::OutputStream& out, const void* data, size_t size)
    {
        out.write (data, size / 2);
        return false;
    };

    EXPECT_FALSE (files.exportSysexTo (target, sysexEntriesOfUnitList (unit, {})));
    EXPECT_EQ (bytesOf (target), Bytes (100, 0xab));
    ASSERT_EQ (dialogs.shown.size(), 1u);
    EXPECT_EQ (dialogs.shown[0].title, "File Save Error:");

    // Save As's naming: ".syx" added when missing, in any case kept when there.
    files.writeStep = {};
    dialogs.filesToSave = {file ("bank"), file ("BANK.SYX")};
    EXPECT_TRUE (files.exportSysexAs (sysexEntriesOfUnitList (unit, {3})));
    EXPECT_TRUE (files.exportSysexAs (sysexEntriesOfUnitList (unit, {3})));
    EXPECT_EQ (bytesOf (file ("bank.syx")).size(), 42u);
    EXPECT_TRUE (file ("BANK.SYX").existsAsFile());
}
} // namespace
} // namespace vr
