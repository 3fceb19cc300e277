// Library files as they are opened: the bytes go to disk under a ".vrm" and
// a ".syx" name and are opened into a file slot like a command-line file,
// which runs the file readers, the slot filling and the rows' name decoding.
#include "FuzzCheck.h"

#include "app/Dialogs.h"
#include "data/DataCenter.h"
#include "library/LibraryFile.h"

#include <cstdio>

namespace
{
// Alerts are answered with their first button; no dialog is ever shown.
struct SilentDialogs : vr::Dialogs
{
    int show (const vr::AlertText& alert) override
    {
        VR_FUZZ_CHECK (alert.title.endsWithChar (':'));
        return 0;
    }
    juce::File chooseFileToOpen (const juce::String&, const juce::File&, const juce::String&) override
    {
        return {};
    }
    juce::File chooseFileToSave (const juce::String&, const juce::File&, const juce::String&) override
    {
        return {};
    }
};

struct World
{
    World()
    {
        folder.createDirectory();
        unit.fill();
        rom.fill();
    }

    ~World() { folder.deleteRecursively(); }

    // In memory where there is such a place: a disk makes the fuzzer wait on every file.
    const juce::File folder =
        (juce::File ("/dev/shm").isDirectory() ? juce::File ("/dev/shm")
                                               : juce::File::getSpecialLocation (juce::File::tempDirectory))
            .getNonexistentChildFile ("vr-fuzz-library", {}, false);
    vr::DataCenter store;
    vr::UnitProgramList unit{store};
    vr::RomFileProgramList rom{store};
    SilentDialogs dialogs;
    vr::LibraryFiles files{store, unit, rom, dialogs};
};

void openAs (World& w, const juce::File& file, const std::uint8_t* data, size_t size)
{
    // Written in place (no temporary and rename); an empty file is a case too.
    std::FILE* out = std::fopen (file.getFullPathName().toRawUTF8(), "wb");
    VR_FUZZ_CHECK (out != nullptr);
    VR_FUZZ_CHECK (size == 0 || std::fwrite (data, 1, size, out) == size);
    VR_FUZZ_CHECK (std::fclose (out) == 0);

    const int first = w.files.openCommandLineFile (file);
    VR_FUZZ_CHECK (first == -1 || first == 200);
    VR_FUZZ_CHECK (w.rom.size() == 200 + 200 * w.rom.fileCount);
    for (int row = 200; row < w.rom.size(); ++row)
    {
        const auto& r = w.rom.rows[static_cast<size_t> (row)];
        for (const auto c : r.getName())
            VR_FUZZ_CHECK (c >= ' ' && c <= '^');
        VR_FUZZ_CHECK (vr::fromColumnText (r.sourceNumber, &w.rom).isNotEmpty());
    }
    w.rom.closeAllFiles();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, size_t size)
{
    static World world;

    // The reader of bytes by itself first: whole or refused, never more.
    std::array<std::uint8_t, vr::LibraryFormat::kRecordsSize> records{};
    VR_FUZZ_CHECK (vr::decodeLibrary (data, size, records.data()) ==
                   (size >= static_cast<size_t> (vr::LibraryFormat::kFileSize)));

    openAs (world, world.folder.getChildFile ("fuzz.vrm"), data, size);
    openAs (world, world.folder.getChildFile ("fuzz.syx"), data, size);
    return 0;
}
