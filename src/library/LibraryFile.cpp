#include "LibraryFile.h"

#include "../data/DataCenter.h"
#include "../data/DialogInterface.h"
#include "../midi/SysexMessages.h"
#include "SysexFile.h"

#include <cstring>

#if JUCE_LINUX || JUCE_MAC || JUCE_BSD
#include <sys/stat.h>
#endif

namespace vr
{
namespace
{
using Icon = AlertText::Icon;
using namespace LibraryFormat;

const AlertText tooManyFiles{Icon::none, "File Open Error:", "Can't open more than 3 files.", {"  OK  "}};
const AlertText notALibraryFile{Icon::none, "File Open Error:", "It's not a .vrm file.", {"  OK  "}};
const AlertText cannotOpenForWriting{Icon::none,
                                     "File Save Error:",
                                     "This file (or this location) is set to read-only.\n\rTry again with a "
                                     "different file name (or a different "
                                     "location).",
                                     {"  OK  "}};
const AlertText writeFailed{
    Icon::none,
    "File Save Error:",
    "The file could not be written completely.\n\rAny file of that name is unchanged.",
    {"  OK  "}};
const AlertText inPlaceWriteFailed{
    Icon::none,
    "File Save Error:",
    "The file could not be written completely and may be damaged.\n\rSave again, or to a different location.",
    {"  OK  "}};

AlertText cannotRead (const juce::File& file, const juce::String& problem)
{
    return {Icon::none, "File Open Error:", file.getFullPathName() + "\n\r" + problem, {"  OK  "}};
}

AlertText openWithoutHeader (const juce::File& file)
{
    return {Icon::warning,
            "Confirm Open:",
            file.getFileName() +
                " does not look like a library file (it has no library header). Open it anyway?",
            {"Open", "Cancel"}};
}

AlertText incompleteLibrary (const juce::File& file)
{
    return {Icon::none,
            "File Open Error:",
            file.getFileName() + " is not a complete library file.\n\rNo programs were loaded from it.",
            {"  OK  "}};
}

AlertText confirmReplace (const juce::File& file)
{
    return {Icon::warning,
            "Confirm Save As:",
            file.getFileName() + " already exists.\n\rDo you want to replace it?",
            {" Yes ", "  No  "}};
}

// The file a save writes for the chosen name: the name itself when it ends
// in the extension, else the name with the extension added to it.
juce::File saveTargetFor (const juce::File& chosen, const juce::String& extension, bool ignoreCase)
{
    const auto has = chosen.getFileExtension();
    if (ignoreCase ? has.equalsIgnoreCase (extension) : has == extension)
        return chosen;
    return chosen.getSiblingFile (chosen.getFileName() + extension);
}

bool isChosen (const juce::File& file)
{
    return file.getFullPathName().isNotEmpty();
}

juce::String unreadableBecause (const juce::FileInputStream& in)
{
    return "The file cannot be read (" + in.getStatus().getErrorMessage() + ").";
}

// The file a path finally names, through any chain of symbolic links; a
// loop gives up and writes the link itself, which then replaces it.
juce::File throughLinks (const juce::File& target)
{
    auto file = target;
    for (int depth = 0; depth < 32 && file.isSymbolicLink(); ++depth)
        file = file.getLinkedTarget();
    return file.isSymbolicLink() ? target : file;
}

// The new file takes the old one's permission bits, so a save does not make
// a shared or private library world-readable or the like.
void copyPermissions (const juce::File& from, const juce::File& to)
{
#if JUCE_LINUX || JUCE_MAC || JUCE_BSD
    struct stat info;
    if (stat (from.getFullPathName().toRawUTF8(), &info) == 0)
        chmod (to.getFullPathName().toRawUTF8(), info.st_mode & 07777);
#else
    juce::ignoreUnused (from, to);
#endif
}

bool writeAll (juce::OutputStream& out, const void* data, size_t size, const StreamWriteStep& writeStep)
{
    return writeStep ? writeStep (out, data, size) : out.write (data, size);
}

bool holdsExactly (const juce::File& file, const void* data, size_t size)
{
    juce::MemoryBlock onDisk;
    return file.loadFileAsData (onDisk) && onDisk.getSize() == size &&
           std::memcmp (onDisk.getData(), data, size) == 0;
}

// For a folder that takes no new files: the old bytes are overwritten, so
// the file is read back to be sure of what it holds now.
FileWriteResult writeInPlace (const juce::File& file, const void* data, size_t size,
                              const StreamWriteStep& writeStep)
{
    {
        juce::FileOutputStream out (file);
        if (!out.openedOk())
            return FileWriteResult::cannotOpen;
        // The stream opens at the end of an existing file.
        if (!out.setPosition (0) || !writeAll (out, data, size, writeStep))
            return FileWriteResult::inPlaceWriteFailed;
        out.flush();
        if (out.getStatus().failed() || out.truncate().failed())
            return FileWriteResult::inPlaceWriteFailed;
    }
    return holdsExactly (file, data, size) ? FileWriteResult::ok : FileWriteResult::inPlaceWriteFailed;
}
} // namespace

//==============================================================================
void encodeLibrary (const UnitProgramList& unitList, std::uint8_t* dest) noexcept
{
    std::memset (dest, 0, static_cast<size_t> (kFileSize));
    std::memcpy (dest, kMagic, static_cast<size_t> (kMagicLength));
    for (int slot = 0; slot < kNumUserPrograms; ++slot)
    {
        const auto record = unitList.recordAt (slot);
        std::memcpy (dest + kHeaderSize + slot * kRecordSize, record.data(), record.size());
    }
}

bool decodeLibrary (const std::uint8_t* source, size_t size, std::uint8_t* dest) noexcept
{
    if (size < static_cast<size_t> (kFileSize))
        return false;
    std::memcpy (dest, source + kHeaderSize, static_cast<size_t> (kRecordsSize));
    return true;
}

bool hasLibraryHeader (const std::uint8_t* source, size_t size) noexcept
{
    return size >= static_cast<size_t> (kMagicLength) &&
           std::memcmp (source, kMagic, static_cast<size_t> (kMagicLength)) == 0;
}

std::unique_ptr<juce::FileInputStream> openForReading (const juce::File& file, juce::String& problem)
{
    if (file.isDirectory())
    {
        problem = "This is a folder, not a file.";
        return {};
    }
    if (!file.existsAsFile())
    {
        problem = "There is no such file.";
        return {};
    }

    auto in = std::make_unique<juce::FileInputStream> (file);
    if (!in->openedOk())
    {
        problem = unreadableBecause (*in);
        return {};
    }
    return in;
}

LibraryRead readLibraryFile (const juce::File& file, std::uint8_t* dest)
{
    LibraryRead read;
    const auto stream = openForReading (file, read.problem);
    if (stream == nullptr)
        return read;
    auto& in = *stream;

    std::array<std::uint8_t, kFileSize> bytes{};
    size_t total = 0;
    while (total < bytes.size())
    {
        const int got = in.read (bytes.data() + total, static_cast<int> (bytes.size() - total));
        if (got <= 0)
            break;
        total += static_cast<size_t> (got);
    }

    if (in.getStatus().failed() && total == 0)
    {
        read.problem = unreadableBecause (in);
        return read;
    }
    read.hasHeader = hasLibraryHeader (bytes.data(), total);
    read.result =
        decodeLibrary (bytes.data(), total, dest) ? LibraryReadResult::ok : LibraryReadResult::incomplete;
    return read;
}

FileWriteResult writeFileAtomically (const juce::File& requested, const void* data, size_t size,
                                     const StreamWriteStep& writeStep)
{
    const auto target = throughLinks (requested);
    // Moving a new file over a read-only one would succeed; honour the flag.
    if (target.isDirectory() || (target.existsAsFile() && !target.hasWriteAccess()))
        return FileWriteResult::cannotOpen;

    juce::TemporaryFile temporary (target);
    {
        juce::FileOutputStream out (temporary.getFile());
        if (!out.openedOk())
            return target.existsAsFile() ? writeInPlace (target, data, size, writeStep)
                                         : FileWriteResult::cannotOpen;

        if (!writeAll (out, data, size, writeStep))
            return FileWriteResult::writeFailed;

        out.flush();
        if (out.getStatus().failed() || out.getPosition() != static_cast<juce::int64> (size))
            return FileWriteResult::writeFailed;
    }

    // The stream is closed now; what is on disk is what counts.
    if (temporary.getFile().getSize() != static_cast<juce::int64> (size))
        return FileWriteResult::writeFailed;
    if (target.existsAsFile())
        copyPermissions (target, temporary.getFile());
    return temporary.overwriteTargetFileWithTemporary() ? FileWriteResult::ok : FileWriteResult::writeFailed;
}

//==============================================================================
LibraryFiles::LibraryFiles (DataCenter& store, UnitProgramList& unitList, RomFileProgramList& romList,
                            Dialogs& dialogs) noexcept
    : dataCenter (store)
    , unit (unitList)
    , rom (romList)
    , ui (dialogs)
{
}

juce::File LibraryFiles::chooseSaveTarget (const juce::String& title, const juce::String& pattern,
                                           const juce::String& extension, bool ignoreCase)
{
    const auto chosen = ui.chooseFileToSave (title, juce::File::getCurrentWorkingDirectory(), pattern);
    if (!isChosen (chosen))
        return {};

    // The next save starts where this one went.
    chosen.getParentDirectory().setAsCurrentWorkingDirectory();

    const auto target = saveTargetFor (chosen, extension, ignoreCase);
    // The dialog asked about the name as typed; a name we changed needs its own question.
    if (target != chosen && target.exists() && ui.show (confirmReplace (target)) != 0)
        return {};
    return target;
}

bool LibraryFiles::saveAs()
{
    const auto target = chooseSaveTarget ({}, kPattern, kExtension, false);
    return isChosen (target) && saveTo (target);
}

bool LibraryFiles::saveTo (const juce::File& target)
{
    encodeLibrary (unit, dataCenter.saveBuffer.data());
    return writeOrSaySo (target, dataCenter.saveBuffer.data(), dataCenter.saveBuffer.size());
}

bool LibraryFiles::exportSysexAs (const std::vector<SysexEntry>& entries, const juce::String& dialogTitle)
{
    const auto target = chooseSaveTarget (dialogTitle, SysexFormat::kPattern, SysexFormat::kExtension, true);
    return isChosen (target) && exportSysexTo (target, entries);
}

bool LibraryFiles::exportSysexTo (const juce::File& target, const std::vector<SysexEntry>& entries)
{
    // Another librarian sending these to the unit needs the unit's own model code.
    const auto model = dataCenter.connected ? dataCenter.modelCode : sysex::kModelWren;
    const auto bytes = encodeSysexPrograms (entries, model);
    return writeOrSaySo (target, bytes.data(), bytes.size());
}

bool LibraryFiles::writeOrSaySo (const juce::File& target, const void* data, size_t size)
{
    switch (writeFileAtomically (target, data, size, writeStep))
    {
        case FileWriteResult::ok:
            return true;
        case FileWriteResult::cannotOpen:
            ui.show (cannotOpenForWriting);
            return false;
        case FileWriteResult::inPlaceWriteFailed:
            ui.show (inPlaceWriteFailed);
            return false;
        case FileWriteResult::writeFailed:
            break;
    }
    ui.show (writeFailed);
    return false;
}

bool LibraryFiles::slotFree()
{
    if (rom.fileCount < Source::maxFiles)
        return true;
    ui.show (tooManyFiles);
    return false;
}

int LibraryFiles::addFile (const juce::File& file, Unreadable unreadable)
{
    if (isSysexFileName (file))
        return addSysexFile (file, unreadable);

    // Read aside first, so a refused file leaves the slot as it was.
    std::array<std::uint8_t, kRecordsSize> records{};
    const auto read = readLibraryFile (file, records.data());
    switch (read.result)
    {
        case LibraryReadResult::cannotOpen:
            if (unreadable == Unreadable::report)
                ui.show (cannotRead (file, read.problem));
            return -1;
        case LibraryReadResult::incomplete:
            ui.show (incompleteLibrary (file));
            return -1;
        case LibraryReadResult::ok:
            break;
    }
    // Any file of the right size would otherwise pass as 200 programs.
    if (!read.hasHeader && ui.show (openWithoutHeader (file)) != 0)
        return -1;
    return fillNextSlot (file, records.data());
}

int LibraryFiles::addSysexFile (const juce::File& file, Unreadable unreadable)
{
    SysexPrograms programs;
    const auto read = readSysexFile (file, programs);
    if (read.result == LibraryReadResult::cannotOpen)
    {
        if (unreadable == Unreadable::report)
            ui.show (cannotRead (file, read.problem));
        return -1;
    }

    int firstRow = -1;
    if (read.result == LibraryReadResult::ok)
    {
        std::array<std::uint8_t, kRecordsSize> records{};
        for (size_t slot = 0; slot < programs.records.size(); ++slot)
            std::copy (programs.records[slot].begin(), programs.records[slot].end(),
                       records.begin() + static_cast<std::ptrdiff_t> (slot * kRecordSize));
        firstRow = fillNextSlot (file, records.data());
    }
    // A cut-off file still loads what it held whole, and says what was lost.
    if (programs.error.isNotEmpty())
        ui.show ({Icon::none, "File Open Error:", programs.error, {"  OK  "}});
    return firstRow;
}

int LibraryFiles::fillNextSlot (const juce::File& file, const std::uint8_t* records)
{
    const auto slot = static_cast<size_t> (rom.fileCount);
    rom.fileNames[slot] = file.getFileNameWithoutExtension();
    std::copy (records, records + kRecordsSize,
               dataCenter.fileBuffers.begin() + static_cast<std::ptrdiff_t> (slot * kRecordsSize));

    const int firstRow = rom.appendFileBlock();
    if (firstRow >= 0)
        ++rom.fileCount;
    return firstRow;
}

int LibraryFiles::open()
{
    if (!slotFree())
        return -1;

    const auto chosen =
        ui.chooseFileToOpen ("Open", {}, juce::String (kPattern) + ";" + SysexFormat::kPattern);
    if (!isChosen (chosen))
        return -1;
    return addFile (chosen, Unreadable::report);
}

int LibraryFiles::openCommandLineFile (const juce::File& file)
{
    if (!slotFree())
        return -1;
    return addFile (file, Unreadable::report);
}

std::vector<int> LibraryFiles::dropFiles (const juce::StringArray& paths)
{
    std::vector<int> added;
    if (rom.fileCount + paths.size() > Source::maxFiles)
    {
        ui.show (tooManyFiles);
        return added;
    }

    for (const auto& path : paths)
    {
        const auto file = juce::File::getCurrentWorkingDirectory().getChildFile (path);
        if (!file.existsAsFile())
            continue;
        if (file.getFileExtension() != kExtension && !isSysexFileName (file))
        {
            ui.show (notALibraryFile);
            break;
        }

        // A file that is refused or declined has had its say; the rest still open.
        const int firstRow = addFile (file, Unreadable::skipSilently);
        if (firstRow >= 0)
            added.push_back (firstRow);
    }
    return added;
}
} // namespace vr
