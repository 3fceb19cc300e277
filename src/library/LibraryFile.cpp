#include "LibraryFile.h"

#include "../app/Dialogs.h"
#include "../data/DataCenter.h"
#include "../midi/SysexMessages.h"
#include "SysexFile.h"

#include <cstring>

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

AlertText incompleteLibrary (const juce::File& file)
{
    return {Icon::none,
            "File Open Error:",
            file.getFileName() + " is not a complete library file.\n\rNo programs were loaded from it.",
            {"  OK  "}};
}

AlertText openError (const juce::String& message)
{
    return {Icon::none, "File Open Error:", message, {"  OK  "}};
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

LibraryReadResult readLibraryFile (const juce::File& file, std::uint8_t* dest)
{
    if (!file.existsAsFile())
        return LibraryReadResult::cannotOpen;

    juce::FileInputStream in (file);
    if (!in.openedOk())
        return LibraryReadResult::cannotOpen;

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
        return LibraryReadResult::cannotOpen;
    return decodeLibrary (bytes.data(), total, dest) ? LibraryReadResult::ok : LibraryReadResult::incomplete;
}

FileWriteResult writeFileAtomically (const juce::File& target, const void* data, size_t size,
                                     const StreamWriteStep& writeStep)
{
    // Moving a new file over a read-only one would succeed; honour the flag.
    if (target.isDirectory() || (target.existsAsFile() && !target.hasWriteAccess()))
        return FileWriteResult::cannotOpen;

    juce::TemporaryFile temporary (target);
    {
        juce::FileOutputStream out (temporary.getFile());
        if (!out.openedOk())
            return FileWriteResult::cannotOpen;

        const bool written = writeStep ? writeStep (out, data, size) : out.write (data, size);
        if (!written)
            return FileWriteResult::writeFailed;

        out.flush();
        if (out.getStatus().failed() || out.getPosition() != static_cast<juce::int64> (size))
            return FileWriteResult::writeFailed;
    }

    // The stream is closed now; what is on disk is what counts.
    if (temporary.getFile().getSize() != static_cast<juce::int64> (size))
        return FileWriteResult::writeFailed;
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

juce::File LibraryFiles::chooseSaveTarget (const juce::String& pattern, const juce::String& extension,
                                           bool ignoreCase)
{
    const auto chosen = ui.chooseFileToSave ({}, juce::File::getCurrentWorkingDirectory(), pattern);
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
    const auto target = chooseSaveTarget (kPattern, kExtension, false);
    return isChosen (target) && saveTo (target);
}

bool LibraryFiles::saveTo (const juce::File& target)
{
    encodeLibrary (unit, dataCenter.saveBuffer.data());
    return writeOrSaySo (target, dataCenter.saveBuffer.data(), dataCenter.saveBuffer.size());
}

bool LibraryFiles::exportSysexAs (const std::vector<SysexEntry>& entries)
{
    const auto target = chooseSaveTarget (SysexFormat::kPattern, SysexFormat::kExtension, true);
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

LibraryReadResult LibraryFiles::addFile (const juce::File& file, int& firstRow)
{
    firstRow = -1;
    if (isSysexFileName (file))
        return addSysexFile (file, firstRow);

    // Read aside first, so a refused file leaves the slot as it was.
    std::array<std::uint8_t, kRecordsSize> records{};
    const auto result = readLibraryFile (file, records.data());
    if (result == LibraryReadResult::incomplete)
        ui.show (incompleteLibrary (file));
    if (result == LibraryReadResult::ok)
        firstRow = fillNextSlot (file, records.data());
    return result;
}

LibraryReadResult LibraryFiles::addSysexFile (const juce::File& file, int& firstRow)
{
    SysexPrograms programs;
    const auto result = readSysexFile (file, programs);
    if (result == LibraryReadResult::ok)
    {
        std::array<std::uint8_t, kRecordsSize> records{};
        for (size_t slot = 0; slot < programs.records.size(); ++slot)
            std::copy (programs.records[slot].begin(), programs.records[slot].end(),
                       records.begin() + static_cast<std::ptrdiff_t> (slot * kRecordSize));
        firstRow = fillNextSlot (file, records.data());
    }
    // A cut-off file still loads what it held whole, and says what was lost.
    if (result != LibraryReadResult::cannotOpen && programs.error.isNotEmpty())
        ui.show (openError (programs.error));
    return result;
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
    int firstRow = -1;
    if (isChosen (chosen))
        addFile (chosen, firstRow);
    return firstRow;
}

int LibraryFiles::openCommandLineFile (const juce::File& file)
{
    int firstRow = -1;
    if (file.existsAsFile() && slotFree())
        addFile (file, firstRow);
    return firstRow;
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

        int firstRow = -1;
        const auto result = addFile (file, firstRow);
        // An incomplete file ends the drop like a foreign one: one message, no more files.
        if (result == LibraryReadResult::incomplete)
            break;
        if (firstRow >= 0)
            added.push_back (firstRow);
    }
    return added;
}
} // namespace vr
