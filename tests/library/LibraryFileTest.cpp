#include "library/LibraryFile.h"

#include "data/DataCenter.h"
#include "library/BackupStore.h"
#include "support/RecordingDialogs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vr
{
namespace
{
using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf (const juce::File& file)
{
    juce::MemoryBlock block;
    file.loadFileAsData (block);
    const auto* data = static_cast<const std::uint8_t*> (block.getData());
    return {data, data + block.getSize()};
}

void writeBytes (const juce::File& file, const Bytes& bytes)
{
    // replaceWithData deletes the file for no bytes; an empty file is wanted.
    ASSERT_TRUE (file.deleteFile());
    ASSERT_TRUE (bytes.empty() ? file.create().wasOk() : file.replaceWithData (bytes.data(), bytes.size()));
}

// A whole library whose record k has every parameter byte = (k + i) % 256,
// so bytes above 127 occur, and a valid name.
Bytes libraryBytes (size_t size = static_cast<size_t> (LibraryFormat::kFileSize), std::uint8_t seed = 0)
{
    Bytes bytes (size, 0);
    if (size > 0)
        std::memcpy (bytes.data(), LibraryFormat::kMagic, juce::jmin (size, size_t{10}));
    for (size_t at = LibraryFormat::kHeaderSize; at < size; ++at)
    {
        const auto k = (at - LibraryFormat::kHeaderSize) / kRecordSize;
        const auto i = (at - LibraryFormat::kHeaderSize) % kRecordSize;
        bytes[at] = i < static_cast<size_t> (kNameLength) ? static_cast<std::uint8_t> (33 + (k + seed) % 20)
                                                          : static_cast<std::uint8_t> ((k + i + seed) % 256);
    }
    return bytes;
}

struct LibraryFileTest : ::testing::Test
{
    LibraryFileTest()
    {
        folder.createDirectory();
        unit.fill();
        rom.fill();
    }

    ~LibraryFileTest() override
    {
        oldWorkingFolder.setAsCurrentWorkingDirectory();
        folder.deleteRecursively();
    }

    juce::File file (const juce::String& name) const { return folder.getChildFile (name); }

    juce::File library (const juce::String& name,
                        size_t size = static_cast<size_t> (LibraryFormat::kFileSize), std::uint8_t seed = 0)
    {
        const auto f = file (name);
        writeBytes (f, libraryBytes (size, seed));
        return f;
    }

    // Each alert shown, as its title and message.
    std::vector<juce::String> titles() const
    {
        std::vector<juce::String> result;
        for (const auto& alert : dialogs.shown)
            result.push_back (alert.title + " " + alert.message);
        return result;
    }

    const juce::File oldWorkingFolder = juce::File::getCurrentWorkingDirectory();
    // One folder per test process: ctest runs tests of one suite side by side.
    const juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                                  .getChildFile ("vr-library-" + juce::Uuid().toString());
    DataCenter store;
    UnitProgramList unit{store};
    RomFileProgramList rom{store};
    test::RecordingDialogs dialogs;
    LibraryFiles files{store, unit, rom, dialogs};
};

//==============================================================================
TEST_F (LibraryFileTest, SavedFileHasTheMagicAndEveryRowLowByteInSlotOrder)
{
    for (int slot = 0; slot < kNumUserPrograms; ++slot)
        for (int i = kNameLength; i < kRecordSize; ++i)
            unit.storeByte (slot, i, slot * 31 + i * 7 + 0x100); // above 255: only the low 8 bits are kept
    unit.setRowName (7, "SEVEN");

    ASSERT_TRUE (files.saveTo (file ("layout.vrm")));
    const auto bytes = bytesOf (file ("layout.vrm"));

    ASSERT_EQ (bytes.size(), 6432u);
    EXPECT_EQ (juce::String::fromUTF8 (reinterpret_cast<const char*> (bytes.data()), 10), "VRMPROG100");
    for (size_t at = 10; at < 32; ++at)
        EXPECT_EQ (bytes[at], 0) << at;
    for (int slot = 0; slot < kNumUserPrograms; ++slot)
        for (int i = 0; i < kRecordSize; ++i)
            ASSERT_EQ (bytes[static_cast<size_t> (32 + 32 * slot + i)], unit.readByte (slot, i) & 0xff)
                << slot << "/" << i;
    EXPECT_EQ (bytes[32 + 32 * 7], 'S' - 32);
    EXPECT_TRUE (dialogs.shown.empty());
}

TEST_F (LibraryFileTest, AListNeverReceivedWritesDefaultRecordsAndMissingRowsWriteZeros)
{
    ASSERT_TRUE (files.saveTo (file ("fresh.vrm")));
    const auto fresh = bytesOf (file ("fresh.vrm"));
    for (int slot = 0; slot < kNumUserPrograms; ++slot)
        ASSERT_TRUE (
            std::equal (defaultRecord().begin(), defaultRecord().end(), fresh.begin() + 32 + 32 * slot));

    unit.rows.resize (150);
    ASSERT_TRUE (files.saveTo (file ("short list.vrm")));
    const auto shortList = bytesOf (file ("short list.vrm"));
    ASSERT_EQ (shortList.size(), 6432u);
    EXPECT_TRUE (
        std::all_of (shortList.begin() + 32 + 32 * 150, shortList.end(), [] (auto b) { return b == 0; }));
}

TEST_F (LibraryFileTest, TheUnitListComesBackWholeAsAFileBlock)
{
    for (int slot = 0; slot < kNumUserPrograms; ++slot)
    {
        for (int i = kNameLength; i < kRecordSize; ++i)
            unit.storeByte (slot, i, (slot + i * 5) % 256);
        unit.setRowName (slot, juce::String::formatted ("P%03d", slot));
    }

    ASSERT_TRUE (files.saveTo (file ("round.vrm")));
    ASSERT_EQ (files.openCommandLineFile (file ("round.vrm")), 200);

    EXPECT_EQ (rom.fileCount, 1);
    EXPECT_EQ (rom.fileNames[0], "round");
    ASSERT_EQ (rom.size(), 400);
    for (int slot = 0; slot < kNumUserPrograms; ++slot)
    {
        const auto& row = rom.rows[static_cast<size_t> (200 + slot)];
        ASSERT_EQ (row.data, unit.rows[static_cast<size_t> (slot)].data) << slot;
        ASSERT_EQ (row.sourceNumber, 400 + slot);
    }
}

TEST_F (LibraryFileTest, ParameterBytesAboveOneTwentySevenReadBackAsStored)
{
    auto bytes = libraryBytes();
    for (size_t i = 0; i < static_cast<size_t> (kRecordSize); ++i)
        bytes[32 + i] = static_cast<std::uint8_t> (128 + 4 * i);
    writeBytes (file ("high.vrm"), bytes);

    ASSERT_EQ (files.openCommandLineFile (file ("high.vrm")), 200);
    const auto& row = rom.rows[200];
    for (int i = kNameLength; i < kRecordSize; ++i)
        EXPECT_EQ (row.data[static_cast<size_t> (i)], 128 + 4 * i) << i;
    // Name cells past '^' are cleared when the row is made, as for any copy.
    EXPECT_EQ (row.getName(), juce::String::repeatedString (" ", kNameLength));
    EXPECT_EQ (store.fileBuffers[20], 128 + 4 * 20);
}

TEST_F (LibraryFileTest, OnlyAWholeLibraryIsOpenedWhicheverWayItComes)
{
    struct Way
    {
        const char* name;
        std::function<int (LibraryFileTest&, const juce::File&)> open;
    };
    const Way ways[] = {
        {"open",
         [] (LibraryFileTest& t, const juce::File& f)
         {
             t.dialogs.filesToOpen.push_back (f);
             return t.files.open();
         }},
        {"drop",
         [] (LibraryFileTest& t, const juce::File& f)
         {
             const auto added = t.files.dropFiles (juce::StringArray (f.getFullPathName()));
             return added.empty() ? -1 : added.front();
         }},
        {"command line",
         [] (LibraryFileTest& t, const juce::File& f) { return t.files.openCommandLineFile (f); }},
    };
    enum Asked
    {
        nothing,
        incomplete,
        noHeader
    };
    struct Size
    {
        size_t bytes;
        bool headerless;
        int answer; // to the header question: 0 Open, 1 Cancel
        bool opens;
        Asked asked;
    };
    const Size sizes[] = {
        {0, false, 0, false, incomplete},      {32, false, 0, false, incomplete},
        {6431, false, 0, false, incomplete},   {6431, true, 0, false, incomplete},
        {6432, false, 0, true, nothing},       {9000, false, 0, true, nothing},
        {6432, true, 0, true, noHeader},       {6432, true, 1, false, noHeader},
        {1'000'000, true, 1, false, noHeader}, {1'000'000, false, 0, true, nothing},
    };

    for (const auto& way : ways)
        for (const auto& size : sizes)
        {
            SCOPED_TRACE (juce::String (way.name) + " " + juce::String (size.bytes) +
                          (size.headerless ? " headerless" : ""));
            dialogs.shown.clear();
            dialogs.answers = {size.answer};
            rom.closeAllFiles();
            // A file closed earlier left its programs in slot 1.
            std::fill (store.fileBuffers.begin(), store.fileBuffers.end(), std::uint8_t{0x55});
            rom.fileNames[0] = "earlier";

            auto bytes = libraryBytes (size.bytes, 3);
            if (size.headerless)
                std::fill (bytes.begin(), bytes.begin() + juce::jmin (size.bytes, size_t{10}),
                           std::uint8_t{0xee});
            const auto f = file ("bank.vrm");
            writeBytes (f, bytes);

            const int first = way.open (*this, f);

            ASSERT_EQ (dialogs.shown.size(), size.asked == nothing ? 0u : 1u);
            if (size.asked == incomplete)
            {
                EXPECT_EQ (dialogs.shown[0].title, "File Open Error:");
                EXPECT_TRUE (dialogs.shown[0].message.contains ("bank.vrm is not a complete library"));
                EXPECT_EQ (dialogs.shown[0].buttons, juce::StringArray ({"  OK  "}));
            }
            if (size.asked == noHeader)
            {
                EXPECT_EQ (dialogs.shown[0].message, "bank.vrm does not look like a library file (it has no "
                                                     "library header). Open it anyway?");
                EXPECT_EQ (dialogs.shown[0].buttons, juce::StringArray ({"Open", "Cancel"}));
            }
            if (size.opens)
            {
                EXPECT_EQ (first, 200);
                EXPECT_EQ (rom.fileCount, 1);
                EXPECT_EQ (rom.fileNames[0], "bank");
                EXPECT_TRUE (std::equal (store.fileBuffers.begin(), store.fileBuffers.begin() + 6400,
                                         bytes.begin() + 32));
            }
            else
            {
                EXPECT_EQ (first, -1);
                EXPECT_EQ (rom.fileCount, 0);
                EXPECT_EQ (rom.size(), 200);
                EXPECT_EQ (rom.fileNames[0], "earlier");
                EXPECT_EQ (store.fileBuffers[100], 0x55);
            }
        }
}

TEST_F (LibraryFileTest, APathThatCannotBeReadIsReportedWithWhy)
{
    const auto unreadable = library ("locked.vrm");
    unreadable.setReadOnly (true);
    chmod (unreadable.getFullPathName().toRawUTF8(), 0);
    // Permissions do not stop the superuser; that row is then only checked for not being silent.
    const bool canReadAnyway = juce::FileInputStream (unreadable).openedOk();
    // Reading either would hold the window until something else writes.
    const auto pipe = file ("pipe.vrm");
    ASSERT_EQ (mkfifo (pipe.getFullPathName().toRawUTF8(), 0600), 0);

    struct Case
    {
        juce::File path;
        const char* reason;
    };
    const Case cases[] = {
        {file ("missing.vrm"), "There is no such file."},
        {folder, "This is a folder, not a file."},
        {unreadable, "The file cannot be read (Permission denied)."},
        {pipe, "This is a named pipe, not a file."},
        {juce::File ("/dev/zero"), "This is a device, not a file."},
    };

    for (const bool fromDialog : {false, true})
        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.path.getFullPathName() +
                          (fromDialog ? " from the dialog" : " on the command line"));
            if (c.path == unreadable && canReadAnyway)
                continue;
            dialogs.shown.clear();
            dialogs.filesToOpen = {c.path};

            EXPECT_EQ (fromDialog ? files.open() : files.openCommandLineFile (c.path), -1);

            EXPECT_EQ (titles(), std::vector<juce::String>{"File Open Error: " + c.path.getFullPathName() +
                                                           "\n\r" + c.reason});
            EXPECT_EQ (rom.fileCount, 0);
        }

    // Dropped, the same paths are passed over without a word; a pipe is named.
    dialogs.shown.clear();
    EXPECT_TRUE (
        files.dropFiles ({file ("missing.vrm").getFullPathName(), folder.getFullPathName()}).empty());
    EXPECT_TRUE (dialogs.shown.empty());
    EXPECT_TRUE (files.dropFiles (juce::StringArray (pipe.getFullPathName())).empty());
    EXPECT_EQ (titles(), std::vector<juce::String>{"File Open Error: " + pipe.getFullPathName() + "\n\r" +
                                                   "This is a named pipe, not a file."});

    // A file swapped with a pipe, back and forth, while it is opened: each
    // open reads the file or names the pipe, and none waits for a writer.
    const auto swapped = library ("swapped.vrm");
    const auto named = [] (const juce::File& f) { return f.getFullPathName().toRawUTF8(); };
    if (renameat2 (AT_FDCWD, named (swapped), AT_FDCWD, named (pipe), RENAME_EXCHANGE) != 0)
        return; // a file system that cannot swap two names
    std::atomic<bool> opening{true}, waited{false};
    std::thread swapper (
        [&]
        {
            const auto start = std::chrono::steady_clock::now();
            while (opening && std::chrono::steady_clock::now() < start + std::chrono::milliseconds (600))
                renameat2 (AT_FDCWD, named (swapped), AT_FDCWD, named (pipe), RENAME_EXCHANGE);
            while (opening && std::chrono::steady_clock::now() < start + std::chrono::seconds (3))
                std::this_thread::sleep_for (std::chrono::milliseconds (10));
            // An open still running is waiting for a writer: it is let go, so that fails, not hangs.
            for (; opening; std::this_thread::sleep_for (std::chrono::milliseconds (10)))
                for (const auto& f : {swapped, pipe})
                    if (const int writer = open (named (f), O_WRONLY | O_NONBLOCK); writer >= 0)
                    {
                        waited = true;
                        close (writer);
                    }
        });
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds (400);
    for (int i = 0; std::chrono::steady_clock::now() < until && !HasFailure(); ++i)
    {
        dialogs.shown.clear();
        rom.closeAllFiles();
        if (files.openCommandLineFile (swapped) != 200)
        {
            EXPECT_EQ (titles(), std::vector<juce::String>{"File Open Error: " + swapped.getFullPathName() +
                                                           "\n\rThis is a named pipe, not a file."})
                << "open " << i;
        }
    }
    opening = false;
    swapper.join();
    EXPECT_FALSE (waited) << "an open waited for a writer to the pipe";
}

TEST_F (LibraryFileTest, ADropGoesOnPastAFileItCannotUse)
{
    const auto shortFile = library ("short.vrm", 3000);
    auto foreignBytes = libraryBytes();
    std::fill (foreignBytes.begin(), foreignBytes.begin() + 10, std::uint8_t{'x'});
    writeBytes (file ("foreign.vrm"), foreignBytes);
    const auto good = library ("good.vrm", 6432, 9);
    dialogs.answers = {0, 1}; // OK the short file's message, Cancel the header question

    EXPECT_EQ (files.dropFiles ({shortFile.getFullPathName(), file ("foreign.vrm").getFullPathName(),
                                 good.getFullPathName()}),
               std::vector<int>{200});

    EXPECT_EQ (rom.fileCount, 1);
    EXPECT_EQ (rom.fileNames[0], "good");
    ASSERT_EQ (dialogs.shown.size(), 2u);
    EXPECT_TRUE (dialogs.shown[0].message.startsWith ("short.vrm is not a complete library file."));
    EXPECT_TRUE (dialogs.shown[1].message.startsWith ("foreign.vrm does not look like a library file"));
}

TEST_F (LibraryFileTest, NoMoreThanThreeFilesAreOpen)
{
    const auto a = library ("a.vrm", 6432, 1);
    const auto b = library ("b.vrm", 6432, 2);
    const auto c = library ("c.vrm", 6432, 3);
    const auto d = library ("d.vrm", 6432, 4);
    const juce::String tooMany = "File Open Error: Can't open more than 3 files.";

    // Two dropped together become slots 1 and 2, each with its own programs.
    EXPECT_EQ (files.dropFiles ({a.getFullPathName(), b.getFullPathName()}), (std::vector<int>{200, 400}));
    EXPECT_EQ (rom.fileNames[0], "a");
    EXPECT_EQ (rom.fileNames[1], "b");
    EXPECT_EQ (rom.rows[200].data[11], libraryBytes (6432, 1)[32 + 11]);
    EXPECT_EQ (rom.rows[400].data[11], libraryBytes (6432, 2)[32 + 11]);

    // A drop that would make four loads nothing.
    EXPECT_TRUE (files.dropFiles ({c.getFullPathName(), d.getFullPathName()}).empty());
    EXPECT_EQ (titles(), std::vector<juce::String>{tooMany});
    EXPECT_EQ (rom.fileCount, 2);

    // Open while two are open gives slot 3; a fourth is refused before the dialog.
    dialogs.filesToOpen = {c, d};
    EXPECT_EQ (files.open(), 600);
    EXPECT_EQ (rom.fileNames[2], "c");
    EXPECT_EQ (files.open(), -1);
    EXPECT_EQ (dialogs.filesToOpen.size(), 1u);
    EXPECT_EQ (files.openCommandLineFile (d), -1);
    EXPECT_EQ (files.dropFiles (juce::StringArray (d.getFullPathName())), std::vector<int>{});
    // A file from the command line (or another start) is named: several may come at once.
    EXPECT_EQ (titles(), (std::vector<juce::String>{tooMany, tooMany,
                                                    "File Open Error: " + d.getFullPathName() + "\n\r" +
                                                        "Can't open more than 3 files.",
                                                    tooMany}));
    EXPECT_EQ (rom.fileCount, 3);
    EXPECT_EQ (rom.size(), 800);
}

TEST_F (LibraryFileTest, AFileHandedOverWhileADialogIsUpLeavesTheAnswerNoSlotToWrite)
{
    const auto handedOver = library ("handed.vrm", 6432, 5);
    const auto picked = library ("picked.vrm", 6432, 6);
    auto bytes = libraryBytes (6432, 7);
    std::fill (bytes.begin(), bytes.begin() + 10, std::uint8_t{'x'});
    const auto headerless = file ("headerless.vrm");
    writeBytes (headerless, bytes);

    // The hand-over comes while `dialog` is up.
    struct Way
    {
        const char* dialog;
        std::function<int (LibraryFileTest&, std::function<void()> handOver)> open;
    };
    const Way ways[] = {
        {"the Open chooser",
         [&] (LibraryFileTest& t, std::function<void()> handOver)
         {
             t.dialogs.meanwhile = handOver;
             t.dialogs.filesToOpen = {picked};
             return t.files.open();
         }},
        {"Open it anyway? after Open",
         [&] (LibraryFileTest& t, std::function<void()> handOver)
         {
             t.dialogs.meanwhile = [&t, handOver] { t.dialogs.meanwhile = handOver; }; // past the chooser
             t.dialogs.filesToOpen = {headerless};
             return t.files.open();
         }},
        {"Open it anyway? on the command line",
         [&] (LibraryFileTest& t, std::function<void()> handOver)
         {
             t.dialogs.meanwhile = handOver;
             return t.files.openCommandLineFile (headerless);
         }},
        {"Open it anyway? in a drop",
         [&] (LibraryFileTest& t, std::function<void()> handOver)
         {
             t.dialogs.meanwhile = handOver;
             const auto added = t.files.dropFiles (juce::StringArray (headerless.getFullPathName()));
             return added.empty() ? -1 : added.front();
         }},
    };

    for (const auto& way : ways)
    {
        SCOPED_TRACE (way.dialog);
        rom.closeAllFiles();
        ASSERT_EQ (files.openCommandLineFile (library ("a.vrm")), 200);
        ASSERT_EQ (files.openCommandLineFile (library ("b.vrm")), 400);
        dialogs.shown.clear();
        dialogs.answers = {0};

        EXPECT_EQ (
            way.open (*this, [this, handedOver] { EXPECT_EQ (files.openCommandLineFile (handedOver), 600); }),
            -1);

        EXPECT_FALSE (dialogs.meanwhile) << "the dialog never came";
        EXPECT_EQ (rom.fileCount, 3);
        EXPECT_EQ (rom.size(), 800);
        EXPECT_EQ (rom.fileNames[2], "handed");
        EXPECT_EQ (rom.rows[600].data[11], libraryBytes (6432, 5)[32 + 11]);
        ASSERT_FALSE (dialogs.shown.empty());
        EXPECT_EQ (dialogs.shown.back().message, "Can't open more than 3 files.");
    }
}

TEST_F (LibraryFileTest, ADropTakesOnlyExactDotVrmNamesAndStopsAtTheFirstOther)
{
    const auto good = library ("good.vrm");
    const auto capitals = library ("CAPS.VRM");
    const auto later = library ("later.vrm");

    EXPECT_EQ (
        files.dropFiles ({good.getFullPathName(), capitals.getFullPathName(), later.getFullPathName()}),
        std::vector<int>{200});
    EXPECT_EQ (rom.fileNames[0], "good");
    EXPECT_EQ (rom.fileCount, 1);
    EXPECT_EQ (titles(), std::vector<juce::String>{"File Open Error: It's not a .vrm file."});

    // A path that is no file is passed over without a word.
    dialogs.shown.clear();
    EXPECT_EQ (files.dropFiles ({file ("missing.vrm").getFullPathName(), later.getFullPathName()}),
               std::vector<int>{400});
    EXPECT_EQ (rom.fileNames[1], "later");

    // The open dialog and the command line do not look at the extension.
    dialogs.filesToOpen = {capitals};
    EXPECT_EQ (files.open(), 600);
    EXPECT_EQ (rom.fileNames[2], "CAPS");
    rom.closeAllFiles();
    EXPECT_EQ (files.openCommandLineFile (capitals), 200);
    EXPECT_TRUE (dialogs.shown.empty());
}

TEST_F (LibraryFileTest, SaveAsNamesTheFileAndAsksOnlyAboutANameItChanged)
{
    struct Case
    {
        const char* typed;
        const char* existing; // a file there before, or nullptr
        std::deque<int> answers;
        const char* written; // nullptr: nothing written
        bool asks;
        const char* thenTyped = nullptr; // picked when the chooser comes back after "No"
    };
    const Case cases[] = {
        {"bank", nullptr, {}, "bank.vrm", false},
        {"bank", "bank.vrm", {0}, "bank.vrm", true},
        {"bank", "bank.vrm", {1}, nullptr, true},
        {"bank", "bank.vrm", {1}, "other.vrm", true, "other"},
        {"bank.txt", nullptr, {}, "bank.txt.vrm", false},
        {"bank.VRM", nullptr, {}, "bank.VRM.vrm", false},
        {"bank.vrm", "bank.vrm", {}, "bank.vrm", false}, // the dialog itself asked
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.typed + juce::String (c.existing != nullptr ? " over existing" : ""));
        const auto sub = folder.getNonexistentChildFile ("case", {}, false);
        ASSERT_TRUE (sub.createDirectory());
        if (c.existing != nullptr)
            writeBytes (sub.getChildFile (c.existing), Bytes (7000, 0xab));
        dialogs.shown.clear();
        dialogs.answers = c.answers;
        dialogs.filesToSave = {sub.getChildFile (c.typed)};
        if (c.thenTyped != nullptr)
            dialogs.filesToSave.push_back (sub.getChildFile (c.thenTyped));
        dialogs.chooserTitles.clear();

        EXPECT_EQ (files.saveAs(), c.written != nullptr);
        // "No" to replacing brings the chooser back for another name.
        EXPECT_EQ (dialogs.chooserTitles,
                   std::vector<juce::String> (c.answers == std::deque<int>{1} ? 2 : 1, "Save the unit list"));

        EXPECT_EQ (juce::File::getCurrentWorkingDirectory(), sub);
        ASSERT_EQ (dialogs.shown.size(), c.asks ? 1u : 0u);
        if (c.asks)
        {
            EXPECT_EQ (dialogs.shown[0].title, "Confirm Save As:");
            EXPECT_EQ (dialogs.shown[0].message, "bank.vrm already exists.\n\rDo you want to replace it?");
            EXPECT_EQ (dialogs.shown[0].buttons, juce::StringArray ({" Yes ", "  No  "}));
        }
        if (c.written != nullptr)
        {
            EXPECT_EQ (bytesOf (sub.getChildFile (c.written)).size(), 6432u); // shorter than what was there
        }
        if (c.written == nullptr || c.thenTyped != nullptr)
        {
            EXPECT_EQ (bytesOf (sub.getChildFile (c.existing)), Bytes (7000, 0xab));
        }
        if (c.written != nullptr && juce::String (c.typed) != c.written)
        {
            EXPECT_FALSE (sub.getChildFile (c.typed).exists());
        }
    }

    // Cancel in the dialog writes nothing and stays where it was.
    const auto before = juce::File::getCurrentWorkingDirectory();
    EXPECT_FALSE (files.saveAs());
    EXPECT_EQ (juce::File::getCurrentWorkingDirectory(), before);
}

TEST_F (LibraryFileTest, ASaveKeepsLinksPermissionsAndAFolderThatTakesNoNewFiles)
{
    // chain.vrm -> link.vrm -> real.vrm, relative, as a user would make them.
    const auto real = file ("real.vrm");
    writeBytes (real, Bytes (7000, 0xab));
    chmod (real.getFullPathName().toRawUTF8(), 0640);
    // A group we may give away only as the superuser or one of its members.
    const bool otherGroup = chown (real.getFullPathName().toRawUTF8(), static_cast<uid_t> (-1), 65534) == 0;
    ASSERT_EQ (symlink ("real.vrm", file ("link.vrm").getFullPathName().toRawUTF8()), 0);
    ASSERT_EQ (symlink ("link.vrm", file ("chain.vrm").getFullPathName().toRawUTF8()), 0);
    unit.setRowName (0, "THROUGH");
    // While the bytes go out, the file beside it that takes them is already as
    // private as the library, hidden, and not named like a file Open lists.
    std::vector<juce::String> whileWriting;
    files.writeStep = [&] (juce::OutputStream& out, const void* data, size_t size)
    {
        for (const auto& f : folder.findChildFiles (juce::File::findFiles, false))
        {
            struct stat info;
            if (f != real && lstat (f.getFullPathName().toRawUTF8(), &info) == 0 && S_ISREG (info.st_mode))
                whileWriting.push_back (juce::String::formatted ("%o ", info.st_mode & 07777) +
                                        (f.getFileName().startsWithChar ('.') &&
                                                 !f.getFileName().endsWithIgnoreCase (".vrm") &&
                                                 !f.getFileName().endsWithIgnoreCase (".syx")
                                             ? "hidden"
                                             : f.getFileName()));
        }
        return out.write (data, size);
    };

    ASSERT_TRUE (files.saveTo (file ("chain.vrm")));
    files.writeStep = {};
    EXPECT_EQ (whileWriting, std::vector<juce::String>{"640 hidden"});

    EXPECT_TRUE (file ("chain.vrm").isSymbolicLink());
    EXPECT_TRUE (file ("link.vrm").isSymbolicLink());
    const auto written = bytesOf (real);
    ASSERT_EQ (written.size(), 6432u);
    EXPECT_EQ (written[32], 'T' - 32);
    struct stat info;
    ASSERT_EQ (stat (real.getFullPathName().toRawUTF8(), &info), 0);
    EXPECT_EQ (info.st_mode & 07777, 0640u);
    if (otherGroup)
    {
        EXPECT_EQ (info.st_gid, 65534u);
    }
    EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFiles), 3) << "no temporary file left behind";

    // A folder that lets the file be written but takes no new file beside it.
    const auto locked = folder.getChildFile ("locked");
    ASSERT_TRUE (locked.createDirectory());
    const auto inPlace = locked.getChildFile ("bank.vrm");
    writeBytes (inPlace, Bytes (7000, 0xab));
    chmod (locked.getFullPathName().toRawUTF8(), 0555);
    const bool canCreateAnyway = locked.getChildFile ("probe").create().wasOk(); // the superuser can
    locked.getChildFile ("probe").deleteFile();
    if (!canCreateAnyway)
    {
        unit.setRowName (0, "IN PLACE");
        EXPECT_TRUE (files.saveTo (inPlace));
        const auto bytes = bytesOf (inPlace);
        ASSERT_EQ (bytes.size(), 6432u);
        EXPECT_EQ (bytes[32], 'I' - 32);
        EXPECT_TRUE (dialogs.shown.empty());
    }
    chmod (locked.getFullPathName().toRawUTF8(), 0755);
    EXPECT_EQ (locked.getNumberOfChildFiles (juce::File::findFiles), 1);

    // What a crashed save left goes with the next save there, once it is old.
    const auto crashed = folder.getChildFile ("crashed");
    ASSERT_TRUE (crashed.createDirectory());
    const juce::StringArray left{".bank.vrm.0badc0de.vrsave", ".bank.vrm.12345678.vrsave", "notes.vrsave"};
    for (const auto& name : left)
        writeBytes (crashed.getChildFile (name), Bytes (100, 1));
    const auto anHourAgo = juce::Time::getCurrentTime() - juce::RelativeTime::hours (1);
    crashed.getChildFile (left[0]).setLastModificationTime (anHourAgo);
    crashed.getChildFile (left[2]).setLastModificationTime (anHourAgo);
    ASSERT_TRUE (files.saveTo (crashed.getChildFile ("bank.vrm")));
    EXPECT_FALSE (crashed.getChildFile (left[0]).exists());
    EXPECT_TRUE (crashed.getChildFile (left[1]).exists()) << "a save may still be writing it";
    EXPECT_TRUE (crashed.getChildFile (left[2]).exists()) << "not ours";
}

TEST_F (LibraryFileTest, ASaveThroughALinkGoesWhereTheSystemTakesItOrAsksOrRefuses)
{
    // up.vrm lies in real/sub, reached through alias: its "../bank.vrm" is real/bank.vrm.
    ASSERT_TRUE (file ("real/sub").createDirectory());
    ASSERT_EQ (symlink ("real/sub", file ("alias").getFullPathName().toRawUTF8()), 0);
    ASSERT_EQ (symlink ("../bank.vrm", file ("real/sub/up.vrm").getFullPathName().toRawUTF8()), 0);
    // dangling.vrm names new/made.vrm, which is not there yet.
    ASSERT_TRUE (file ("new").createDirectory());
    ASSERT_EQ (symlink ("new/made.vrm", file ("dangling.vrm").getFullPathName().toRawUTF8()), 0);
    // Another user's link in a folder everyone writes to, as one planted in /tmp.
    ASSERT_TRUE (file ("shared").createDirectory());
    chmod (file ("shared").getFullPathName().toRawUTF8(), 01777);
    const auto planted = file ("shared/planted.vrm");
    ASSERT_EQ (symlink ("../victim.vrm", planted.getFullPathName().toRawUTF8()), 0);
    // ... or one planted for a folder on the way, and one in a shared folder
    // that is that user's own (the system follows that one).
    const auto plantedFolder = file ("shared/dir");
    ASSERT_EQ (symlink ("../real", plantedFolder.getFullPathName().toRawUTF8()), 0);
    ASSERT_TRUE (file ("theirs").createDirectory());
    chmod (file ("theirs").getFullPathName().toRawUTF8(), 01777);
    const auto theirs = file ("theirs/link.vrm");
    ASSERT_EQ (symlink ("../victim.vrm", theirs.getFullPathName().toRawUTF8()), 0);
    const auto other = static_cast<uid_t> (geteuid() != 65534 ? 65534 : 65533);
    bool plantedByOther = true;
    for (const auto& f : {planted, plantedFolder, theirs, file ("theirs")}) // root only
        plantedByOther = lchown (f.getFullPathName().toRawUTF8(), other, other) == 0 && plantedByOther;

    struct Case
    {
        const char* name;
        juce::File saveTo;
        std::deque<int> answers;
        juce::File written; // a default file: nothing written
        const char* said;   // how the one alert starts, or nullptr
        bool byOtherUser = false;
    };
    const char* const createIt = "Confirm Save As: dangling.vrm is a link to a file that does not exist.\n\r"
                                 "Do you want to create that file?";
    const char* const notFollowed = "File Save Error: This file is a link that another user made, in a "
                                    "folder everyone can write to; it was not followed.";
    const Case cases[] = {
        {"through a linked folder", file ("alias/up.vrm"), {}, file ("real/bank.vrm"), nullptr},
        {"dangling, not created", file ("dangling.vrm"), {1}, {}, createIt},
        {"dangling, created", file ("dangling.vrm"), {0}, file ("new/made.vrm"), createIt},
        {"another user's", planted, {}, {}, notFollowed, true},
        {"another user's, for a folder", plantedFolder.getChildFile ("bank.vrm"), {}, {}, notFollowed, true},
        {"another user's, in their own folder", theirs, {}, file ("victim.vrm"), nullptr, true},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        if (c.byOtherUser && !plantedByOther)
            continue;
        for (const auto* name : {"real/bank.vrm", "victim.vrm"})
            writeBytes (file (name), Bytes (7000, 0xab));
        file ("new/made.vrm").deleteFile();
        dialogs.shown.clear();
        dialogs.answers = c.answers;

        EXPECT_EQ (files.saveTo (c.saveTo), c.written != juce::File());

        EXPECT_TRUE (c.saveTo.isSymbolicLink() || c.saveTo.getParentDirectory().isSymbolicLink());
        if (c.written != juce::File())
        {
            EXPECT_EQ (bytesOf (c.written).size(), 6432u);
        }
        for (const auto* name : {"real/bank.vrm", "victim.vrm"})
        {
            if (file (name) != c.written)
            {
                EXPECT_EQ (bytesOf (file (name)), Bytes (7000, 0xab)) << name;
            }
        }
        EXPECT_EQ (file ("new/made.vrm").exists(), c.written == file ("new/made.vrm"));
        EXPECT_FALSE (file ("bank.vrm").exists()) << "the link's text joined to the path as typed";
        ASSERT_EQ (titles().size(), c.said != nullptr ? 1u : 0u);
        if (c.said != nullptr)
        {
            EXPECT_TRUE (titles()[0].startsWith (c.said)) << titles()[0];
        }
    }
}

TEST_F (LibraryFileTest, AFailedSaveLeavesTheOldFileAsItWasAndSaysSo)
{
    struct Case
    {
        const char* name;
        StreamWriteStep step;
    };
    const Case cases[] = {
        {"write refused halfway",
         [] (juce::OutputStream& out, const void* data, size_t size)
         {
             out.write (data, size / 2);
             return false;
         }},
        {"short write reported as done",
         [] (juce::OutputStream& out, const void* data, size_t size) { return out.write (data, size - 1); }},
    };

    const auto target = file ("keep.vrm");
    const Bytes old (7000, 0xab);
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        writeBytes (target, old);
        dialogs.shown.clear();
        files.writeStep = c.step;

        EXPECT_FALSE (files.saveTo (target));

        EXPECT_EQ (bytesOf (target), old);
        EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFiles), 1)
            << "no temporary file left behind";
        ASSERT_EQ (dialogs.shown.size(), 1u);
        EXPECT_EQ (dialogs.shown[0].title, "File Save Error:");
        EXPECT_EQ (dialogs.shown[0].buttons, juce::StringArray ({"  OK  "}));
    }

    // The same save without the fault replaces the longer file by exactly one library.
    files.writeStep = {};
    EXPECT_TRUE (files.saveTo (target));
    EXPECT_EQ (bytesOf (target).size(), 6432u);

    // Nowhere to write: the read-only message.
    dialogs.shown.clear();
    EXPECT_FALSE (files.saveTo (file ("no such folder").getChildFile ("x.vrm")));
    ASSERT_EQ (dialogs.shown.size(), 1u);
    EXPECT_EQ (dialogs.shown[0].message,
               "This file (or this location) is set to read-only.\n\rTry again with a "
               "different file name (or a different location).");
}

TEST_F (LibraryFileTest, ReceiveBackupsAreNamedPerModelSkipARepeatOfTheNewestAndKeepTheNewestHundred)
{
    // The folder comes from the environment, as the program finds it.
    const auto dataHome = juce::SystemStats::getEnvironmentVariable ("XDG_DATA_HOME", {});
    setenv ("XDG_DATA_HOME", "relative/share", 1); // not absolute: ignored, as the XDG rules say
    const auto homeFolder = BackupStore::defaultFolder();
    setenv ("XDG_DATA_HOME", folder.getFullPathName().toRawUTF8(), 1);
    BackupStore backupStore (BackupStore::defaultFolder());
    dataHome.isEmpty() ? unsetenv ("XDG_DATA_HOME") : setenv ("XDG_DATA_HOME", dataHome.toRawUTF8(), 1);
    const auto backups = folder.getChildFile ("vr-soundeditor/backups");
    ASSERT_EQ (backupStore.getFolder(), backups);
    EXPECT_EQ (homeFolder, juce::File ("~/.local/share/vr-soundeditor/backups"));

    using Kind = BackupStore::Outcome::Kind;
    const juce::Time noon (2024, 4, 1, 12, 0, 5, 0, true); // May 1st, local time
    struct Row
    {
        const char* model;
        std::uint8_t seed; // which programs
        int secondsLater;
        Kind kind;
        const char* name; // written, or the newest that made it needless
    };
    const Row rows[] = {
        {"wren", 1, 0, Kind::written, "wren-2024-05-01-120005.vrm"},
        {"wren", 1, 9, Kind::sameAsNewest, "wren-2024-05-01-120005.vrm"},
        {"heron", 1, 0, Kind::written, "heron-2024-05-01-120005.vrm"}, // each model its own newest
        {"wren", 2, 0, Kind::written, "wren-2024-05-01-120005-2.vrm"}, // the same second
        {"wren", 3, 0, Kind::written, "wren-2024-05-01-120005-3.vrm"},
        {"wren", 1, 0, Kind::written, "wren-2024-05-01-120005-4.vrm"}, // as an older one, not the newest
        {"wren", 4, 3600, Kind::written, "wren-2024-05-01-130005.vrm"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        const auto bytes = libraryBytes (static_cast<size_t> (LibraryFormat::kFileSize), row.seed);
        const auto outcome = backupStore.keep (row.model, bytes.data(), bytes.size(),
                                               noon + juce::RelativeTime::seconds (row.secondsLater));
        EXPECT_EQ (outcome.kind, row.kind);
        EXPECT_EQ (outcome.file.getFileName(), row.name);
        EXPECT_EQ (outcome.file.getParentDirectory(), backups);
        EXPECT_EQ (bytesOf (outcome.file), bytes);
    }
    struct stat info;
    ASSERT_EQ (stat (backups.getFullPathName().toRawUTF8(), &info), 0);
    EXPECT_EQ (info.st_mode & 0777, 0700u);

    // 96 older wren backups, out of name order, and files that only look like ours.
    juce::StringArray older{"wren-2023-01-01-000000-10.vrm", "wren-2023-01-01-000000.vrm",
                            "wren-2023-01-01-000000-9.vrm"};
    for (int i = 0; i < 93; ++i)
        older.add (juce::String::formatted ("wren-2023-06-01-%06d.vrm", 100 + i));
    const juce::StringArray foreign{"wren-notes.vrm", "Wren-2022-01-01-000000.vrm",
                                    "wren-2022-01-01-000000.syx", "wren-2022-01-01-000000-1.vrm",
                                    "wren-2022-01-01-00000.vrm"};
    for (const auto& name : older)
        writeBytes (backups.getChildFile (name), Bytes (10, 1));
    for (const auto& name : foreign)
        writeBytes (backups.getChildFile (name), Bytes (10, 1));

    const auto bytes = libraryBytes (static_cast<size_t> (LibraryFormat::kFileSize), 5);
    EXPECT_EQ (
        backupStore.keep ("wren", bytes.data(), bytes.size(), noon + juce::RelativeTime::hours (2)).kind,
        Kind::written);
    const auto kept = backupStore.backupsOf ("wren");
    ASSERT_EQ (kept.size(), 100u);
    EXPECT_EQ (kept.front().getFileName(), "wren-2023-01-01-000000-10.vrm") << "the two oldest went";
    EXPECT_EQ (kept.back().getFileName(), "wren-2024-05-01-140005.vrm");
    EXPECT_EQ (backupStore.backupsOf ("heron").size(), 1u);
    for (const auto& name : foreign)
        EXPECT_TRUE (backups.getChildFile (name).exists()) << name;

    // A disk that fails the write: no file, and why.
    backupStore.writeStep = [] (juce::OutputStream&, const void*, size_t) { return false; };
    const auto failed = backupStore.keep ("heron", bytes.data(), bytes.size(), noon);
    EXPECT_EQ (failed.kind, Kind::failed);
    EXPECT_TRUE (failed.problem.contains (backups.getFullPathName())) << failed.problem;
    EXPECT_EQ (backupStore.backupsOf ("heron").size(), 1u);
}
} // namespace
} // namespace vr
