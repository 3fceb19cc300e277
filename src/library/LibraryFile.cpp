#include "LibraryFile.h"

#include "../data/DataCenter.h"
#include "../data/DialogInterface.h"
#include "../midi/SysexMessages.h"
#include "SysexFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

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

AlertText confirmCreateThroughLink (const juce::File& link)
{
    return {Icon::warning,
            "Confirm Save As:",
            link.getFileName() +
                " is a link to a file that does not exist.\n\rDo you want to create that file?",
            {" Yes ", "  No  "}};
}

const AlertText foreignLink{Icon::none,
                            "File Save Error:",
                            "This file is a link that another user made, in a folder everyone can write "
                            "to; it was not followed.\n\rTry again with a different file name (or a "
                            "different location).",
                            {"  OK  "}};

AlertText tooManyFilesFor (const juce::File& file)
{
    return {
        Icon::none, "File Open Error:", file.getFullPathName() + "\n\r" + tooManyFiles.message, {"  OK  "}};
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

// Why an existing path is not a regular file, as a sentence for the user;
// empty for a regular file (or one that cannot be looked at: opening it says why).
juce::String notARegularFile (const juce::File& file)
{
    struct stat info;
    if (stat (file.getFullPathName().toRawUTF8(), &info) != 0 || S_ISREG (info.st_mode))
        return {};
    if (S_ISDIR (info.st_mode))
        return "This is a folder, not a file.";
    if (S_ISFIFO (info.st_mode))
        return "This is a named pipe, not a file.";
    if (S_ISCHR (info.st_mode) || S_ISBLK (info.st_mode))
        return "This is a device, not a file.";
    if (S_ISSOCK (info.st_mode))
        return "This is a socket, not a file.";
    return "This is not a regular file.";
}

//==============================================================================
// Where a save goes. Links are followed the way the system follows them:
// the final file is what realpath() gives (for a dangling link, the real
// folder the link names and the name in it), never a path put together here.
enum class LinkState
{
    none,     // the path itself, or the file its links end at
    dangling, // the links end at a name that does not exist, in a folder that does
    foreign,  // a link on the way is another user's, in a folder everyone may write to
    broken    // a loop, or a folder on the way is missing
};

struct SaveTarget
{
    std::string path;
    LinkState link{LinkState::none};
};

std::string folderOf (const std::string& path)
{
    const auto slash = path.rfind ('/');
    return slash == std::string::npos ? std::string (".")
           : slash == 0               ? std::string ("/")
                                      : path.substr (0, slash);
}

std::string realPath (const std::string& path)
{
    char resolved[PATH_MAX];
    return realpath (path.c_str(), resolved) != nullptr ? std::string (resolved) : std::string();
}

// A link another user could have planted: theirs, in a folder anyone may
// write to but only owners may delete from (as /tmp).
bool isForeignLinkInSharedFolder (const std::string& path, const struct stat& linkInfo)
{
    struct stat folderInfo;
    return linkInfo.st_uid != geteuid() && stat (folderOf (path).c_str(), &folderInfo) == 0 &&
           (folderInfo.st_mode & S_ISVTX) != 0 && (folderInfo.st_mode & S_IWOTH) != 0;
}

SaveTarget resolveSaveTarget (const juce::File& requested)
{
    const std::string named = requested.getFullPathName().toStdString();
    // Each link on the way is looked at, unresolved, so that the system
    // interprets every "..": only to check whose it is and where it ends.
    std::string hop = named;
    for (int depth = 0; depth < 40; ++depth)
    {
        struct stat info;
        if (lstat (hop.c_str(), &info) != 0)
        {
            if (depth == 0)
                return {named, LinkState::none};
            // A dangling link: the file it names is created only when the user says so.
            const bool missing = errno == ENOENT;
            const auto folder = realPath (folderOf (hop));
            const auto slash = hop.rfind ('/');
            if (!missing || folder.empty() || slash == std::string::npos)
                return {named, LinkState::broken};
            return {folder + (folder == "/" ? "" : "/") + hop.substr (slash + 1), LinkState::dangling};
        }
        if (!S_ISLNK (info.st_mode))
        {
            if (depth == 0)
                return {named, LinkState::none};
            const auto final = realPath (named);
            return {final, final.empty() ? LinkState::broken : LinkState::none};
        }
        if (isForeignLinkInSharedFolder (hop, info))
            return {named, LinkState::foreign};

        char text[PATH_MAX];
        const auto length = readlink (hop.c_str(), text, sizeof (text) - 1);
        if (length <= 0)
            return {named, LinkState::broken};
        const std::string linked (text, static_cast<size_t> (length));
        hop = linked.front() == '/' ? linked : folderOf (hop) + "/" + linked;
    }
    return {named, LinkState::broken};
}

//==============================================================================
constexpr char kTemporarySuffix[] = ".vrsave";
constexpr int kTemporaryHexDigits = 8;
// A temporary file older than this belongs to no save still running.
constexpr std::time_t kStaleTemporarySeconds = 10 * 60;

// Hidden and not named like a library or a .syx file, so Open never lists one.
std::string temporaryBeside (const std::string& target)
{
    // Short enough for any file system's name limit, however long the target's name.
    const auto name = juce::File (target).getFileName().substring (0, 50);
    const auto hex = juce::String::toHexString (juce::Random::getSystemRandom().nextInt())
                         .paddedLeft ('0', kTemporaryHexDigits);
    return folderOf (target) + "/." + (name + "." + hex + kTemporarySuffix).toStdString();
}

// Whether the name is one temporaryBeside gives.
bool isSaveTemporaryName (const juce::String& fileName)
{
    // ".NAME.XXXXXXXX.vrsave", as temporaryBeside makes them.
    const int suffix = static_cast<int> (std::strlen (kTemporarySuffix));
    const int hexStart = fileName.length() - suffix - kTemporaryHexDigits;
    return fileName.startsWithChar ('.') && fileName.endsWith (kTemporarySuffix) && hexStart >= 2 &&
           fileName[hexStart - 1] == '.' &&
           fileName.substring (hexStart, hexStart + kTemporaryHexDigits).containsOnly ("0123456789abcdef");
}

// Temporary files of ours that a crashed save left in the folder.
void removeStaleTemporaries (const std::string& folder)
{
    const auto now = std::time (nullptr);
    for (const auto& entry : juce::RangedDirectoryIterator (
             juce::File (folder), false, juce::String ("*") + kTemporarySuffix, juce::File::findFiles))
    {
        const auto& file = entry.getFile();
        struct stat info;
        const auto path = file.getFullPathName().toStdString();
        if (isSaveTemporaryName (file.getFileName()) && lstat (path.c_str(), &info) == 0 &&
            S_ISREG (info.st_mode) && info.st_uid == geteuid() &&
            now - info.st_mtime > kStaleTemporarySeconds)
            unlink (path.c_str());
    }
}

// Closes the descriptor when it goes.
class Descriptor
{
public:
    explicit Descriptor (int fileDescriptor) noexcept
        : fd (fileDescriptor)
    {
    }
    ~Descriptor()
    {
        if (fd >= 0)
            ::close (fd);
    }
    // Closes now; false when the system reports a write it could not finish.
    bool close() noexcept
    {
        const int result = ::close (fd);
        fd = -1;
        return result == 0;
    }

private:
    int fd;
    JUCE_DECLARE_NON_COPYABLE (Descriptor)
};

// The temporary file goes again unless the save got as far as moving it.
class RemovedUnlessKept
{
public:
    explicit RemovedUnlessKept (std::string pathToRemove)
        : path (std::move (pathToRemove))
    {
    }
    ~RemovedUnlessKept()
    {
        if (!kept)
            unlink (path.c_str());
    }
    void keep() noexcept { kept = true; }

private:
    std::string path;
    bool kept{false};
    JUCE_DECLARE_NON_COPYABLE (RemovedUnlessKept)
};

// Writes to a file already open, from its start.
class DescriptorOutputStream : public juce::OutputStream
{
public:
    explicit DescriptorOutputStream (int fileDescriptor) noexcept
        : fd (fileDescriptor)
    {
    }

    void flush() override {}
    bool setPosition (juce::int64) override { return false; }
    juce::int64 getPosition() override { return position; }

    bool write (const void* data, size_t size) override
    {
        const auto* bytes = static_cast<const char*> (data);
        while (size > 0)
        {
            const auto written = ::write (fd, bytes, size);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return false;
            bytes += written;
            size -= static_cast<size_t> (written);
            position += written;
        }
        return true;
    }

private:
    int fd;
    juce::int64 position{0};
};

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
    problem = notARegularFile (file);
    if (problem.isNotEmpty())
        return {};

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
                                     const StreamWriteStep& writeStep, DanglingLink dangling)
{
    const auto resolved = resolveSaveTarget (requested);
    switch (resolved.link)
    {
        case LinkState::foreign:
            return FileWriteResult::foreignLink;
        case LinkState::broken:
            return FileWriteResult::cannotOpen;
        case LinkState::dangling:
            if (dangling == DanglingLink::refuse)
                return FileWriteResult::danglingLink;
            break;
        case LinkState::none:
            break;
    }
    const auto& target = resolved.path;

    struct stat existing;
    const bool exists = stat (target.c_str(), &existing) == 0;
    // Moving a new file over a read-only one would succeed; honour the flag.
    if (exists && (!S_ISREG (existing.st_mode) || access (target.c_str(), W_OK) != 0))
        return FileWriteResult::cannotOpen;

    removeStaleTemporaries (folderOf (target));
    // The target's permissions from the start (a new file's come from the
    // umask): a private library is never readable by others, not even while
    // it is written. Only the owner can write it until then.
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt)
    {
        temporary = temporaryBeside (target);
        fd = open (temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
    {
        // A folder that takes no new files: the file itself may still be writable.
        if (exists && (errno == EACCES || errno == EPERM))
            return writeInPlace (juce::File (target), data, size, writeStep);
        return errno == EACCES || errno == EPERM || errno == EROFS || errno == ENOENT || errno == ENOTDIR
                   ? FileWriteResult::cannotOpen
                   : FileWriteResult::writeFailed;
    }

    Descriptor descriptor (fd);
    RemovedUnlessKept removed (temporary);
    if (exists && fchmod (fd, existing.st_mode & 07777) != 0)
        return FileWriteResult::writeFailed;

    DescriptorOutputStream out (fd);
    if (!writeAll (out, data, size, writeStep) || out.getPosition() != static_cast<juce::int64> (size))
        return FileWriteResult::writeFailed;

    // What is on disk is what counts.
    struct stat written;
    if (fsync (fd) != 0 || fstat (fd, &written) != 0 || written.st_size != static_cast<off_t> (size) ||
        !descriptor.close())
        return FileWriteResult::writeFailed;

    if (rename (temporary.c_str(), target.c_str()) != 0)
        return FileWriteResult::writeFailed;
    removed.keep();
    return FileWriteResult::ok;
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
    for (;;)
    {
        const auto chosen = ui.chooseFileToSave (title, juce::File::getCurrentWorkingDirectory(), pattern);
        if (!isChosen (chosen))
            return {};

        // The next save starts where this one went.
        chosen.getParentDirectory().setAsCurrentWorkingDirectory();

        const auto target = saveTargetFor (chosen, extension, ignoreCase);
        // The dialog asked about the name as typed; a name we changed needs
        // its own question, and "No" is a wish for another name.
        if (target == chosen || !target.exists() || ui.show (confirmReplace (target)) == 0)
            return target;
    }
}

bool LibraryFiles::saveAs()
{
    const auto target = chooseSaveTarget ("Save the unit list", kPattern, kExtension, false);
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
    auto result = writeFileAtomically (target, data, size, writeStep);
    if (result == FileWriteResult::danglingLink)
    {
        if (ui.show (confirmCreateThroughLink (target)) != 0)
            return false;
        result = writeFileAtomically (target, data, size, writeStep, DanglingLink::createTarget);
    }

    switch (result)
    {
        case FileWriteResult::ok:
            return true;
        case FileWriteResult::foreignLink:
            ui.show (foreignLink);
            return false;
        case FileWriteResult::cannotOpen:
            ui.show (cannotOpenForWriting);
            return false;
        case FileWriteResult::inPlaceWriteFailed:
            ui.show (inPlaceWriteFailed);
            return false;
        case FileWriteResult::writeFailed:
        case FileWriteResult::danglingLink:
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
    if (programs.error.isNotEmpty() && firstRow != kNoSlot)
        ui.show ({Icon::none, "File Open Error:", programs.error, {"  OK  "}});
    return firstRow;
}

int LibraryFiles::fillNextSlot (const juce::File& file, const std::uint8_t* records)
{
    if (rom.fileCount < 0 || !slotFree())
        return kNoSlot;
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
    if (!isChosen (chosen) || !slotFree())
        return -1;
    return juce::jmax (-1, addFile (chosen, Unreadable::report));
}

int LibraryFiles::openCommandLineFile (const juce::File& file)
{
    // What is wrong with the file itself comes first, whatever the slots.
    juce::String problem;
    if (openForReading (file, problem) == nullptr)
    {
        ui.show (cannotRead (file, problem));
        return -1;
    }
    if (rom.fileCount >= Source::maxFiles)
    {
        ui.show (tooManyFilesFor (file));
        return -1;
    }
    return juce::jmax (-1, addFile (file, Unreadable::report));
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
        const auto special = notARegularFile (file);
        if (special.isNotEmpty())
        {
            ui.show (cannotRead (file, special));
            continue;
        }
        // A file handed over during a dialog of an earlier one may have taken the last slot.
        if (!slotFree())
            break;

        // A file that is refused or declined has had its say; the rest still open.
        const int firstRow = addFile (file, Unreadable::skipSilently);
        if (firstRow == kNoSlot)
            break;
        if (firstRow >= 0)
            added.push_back (firstRow);
    }
    return added;
}

//==============================================================================
HandOverQueue::HandOverQueue (std::function<void (const juce::File&)> openOne)
    : open (std::move (openOne))
{
}

void HandOverQueue::add (const juce::File& file)
{
    waiting.push_back (file);
    openWaiting();
}

void HandOverQueue::openWaiting()
{
    // A file handed over while one is being opened joins the loop below.
    if (opening)
        return;
    opening = true;
    while (flowsRunning == 0 && !waiting.empty())
    {
        const auto file = waiting.front();
        waiting.pop_front();
        const Flow flow (*this);
        open (file);
    }
    opening = false;
}

HandOverQueue::Flow::Flow (HandOverQueue& queueToHold) noexcept
    : queue (queueToHold)
{
    ++queue.flowsRunning;
}

HandOverQueue::Flow::~Flow()
{
    if (--queue.flowsRunning == 0)
        queue.openWaiting();
}
} // namespace vr
