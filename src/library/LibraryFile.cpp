#include "LibraryFile.h"

#include "../data/DataCenter.h"
#include "../data/DialogInterface.h"
#include "../midi/SysexMessages.h"
#include "SysexFile.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

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

juce::String unreadableBecause (const juce::String& reason)
{
    return "The file cannot be read (" + reason + ").";
}

// Why a path of this type is not a file we read, as a sentence for the user;
// empty for a regular file.
juce::String notARegularFile (mode_t mode)
{
    if (S_ISREG (mode))
        return {};
    if (S_ISDIR (mode))
        return "This is a folder, not a file.";
    if (S_ISFIFO (mode))
        return "This is a named pipe, not a file.";
    if (S_ISCHR (mode) || S_ISBLK (mode))
        return "This is a device, not a file.";
    if (S_ISSOCK (mode))
        return "This is a socket, not a file.";
    return "This is not a regular file.";
}

// The same for a path, looked at without opening it; empty for a regular
// file or one that cannot be looked at (opening it says why).
juce::String notARegularFile (const juce::File& file)
{
    struct stat info;
    return stat (file.getFullPathName().toRawUTF8(), &info) == 0 ? notARegularFile (info.st_mode)
                                                                 : juce::String();
}

// Owns a descriptor; closes it when it goes.
class Descriptor
{
public:
    Descriptor() noexcept = default;
    explicit Descriptor (int fileDescriptor) noexcept
        : fd (fileDescriptor)
    {
    }
    Descriptor (Descriptor&& other) noexcept
        : fd (std::exchange (other.fd, -1))
    {
    }
    Descriptor& operator= (Descriptor&& other) noexcept
    {
        if (this != &other)
        {
            reset();
            fd = std::exchange (other.fd, -1);
        }
        return *this;
    }
    ~Descriptor() { reset(); }

    int get() const noexcept { return fd; }
    bool valid() const noexcept { return fd >= 0; }
    int release() noexcept { return std::exchange (fd, -1); }
    // Closes now; false when the system reports a write it could not finish.
    bool close() noexcept { return ::close (std::exchange (fd, -1)) == 0; }

private:
    void reset() noexcept
    {
        if (fd >= 0)
            ::close (std::exchange (fd, -1));
    }

    int fd{-1};
};

//==============================================================================
// Where a save goes. Links are followed the way the system follows them, one
// name at a time from the root, each opened without following it and
// looked at through what was opened; the file is then written by its name
// in the folder held open at the end. Nothing swapped on the way after the
// look can take the save elsewhere.
enum class LinkState
{
    none,     // the path itself, or the file its links end at
    dangling, // the links end at a name that does not exist, in a folder that does
    foreign,  // a link on the way is another user's, in a folder everyone may write to
    broken    // a loop, a folder on the way is missing, or the path ends at a folder
};

struct SaveTarget
{
    Descriptor folder; // where the file is, opened for the path only
    std::string name;  // the file's name in it
    LinkState link{LinkState::broken};
    bool exists{false};
    struct stat info = {}; // the file's, when it exists
};

// As many links as the system follows in one path.
constexpr int kMaxLinks = 40;

// The names a path (or a link's text) is made of, in order; "." and empty
// ones change nothing.
std::vector<std::string> namesIn (const std::string& path)
{
    std::vector<std::string> names;
    for (size_t start = 0; start <= path.size();)
    {
        auto end = path.find ('/', start);
        if (end == std::string::npos)
            end = path.size();
        auto name = path.substr (start, end - start);
        if (!name.empty() && name != ".")
            names.push_back (std::move (name));
        start = end + 1;
    }
    return names;
}

// A link the system does not follow for us either (protected symlinks):
// planted by another user in a sticky folder anyone may write to, as /tmp,
// that is not that user's own.
bool isForeignLink (const struct stat& link, const struct stat& folder)
{
    return (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0 && link.st_uid != geteuid() &&
           link.st_uid != folder.st_uid;
}

Descriptor openFolder (const char* path)
{
    return Descriptor (open (path, O_PATH | O_DIRECTORY | O_CLOEXEC));
}

SaveTarget resolveSaveTarget (const juce::File& requested)
{
    SaveTarget target;
    const std::string path = requested.getFullPathName().toStdString();
    if (path.empty())
        return target;
    Descriptor folder = openFolder (path.front() == '/' ? "/" : ".");
    const auto names = namesIn (path);
    std::deque<std::string> pending (names.begin(), names.end());
    bool nameFromLink = false;
    int links = 0;

    while (folder.valid() && !pending.empty())
    {
        const auto name = std::move (pending.front());
        pending.pop_front();
        const bool last = pending.empty();

        Descriptor node (openat (folder.get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        struct stat info;
        if (!node.valid())
        {
            if (errno != ENOENT || !last)
                break;
            // A new file. At the end of a link it is created only when the user says so.
            target.link = nameFromLink ? LinkState::dangling : LinkState::none;
            target.folder = std::move (folder);
            target.name = name;
            return target;
        }
        if (fstatat (node.get(), "", &info, AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW) != 0)
            break;

        if (S_ISLNK (info.st_mode))
        {
            struct stat folderInfo;
            if (fstat (folder.get(), &folderInfo) != 0)
                break;
            if (isForeignLink (info, folderInfo))
            {
                target.link = LinkState::foreign;
                return target;
            }
            char text[PATH_MAX];
            const auto length = readlinkat (node.get(), "", text, sizeof (text));
            if (++links > kMaxLinks || length <= 0 || length >= static_cast<ssize_t> (sizeof (text)))
                break;
            // The link's text goes in its place, read from the folder the link is in.
            if (text[0] == '/')
                folder = openFolder ("/");
            const auto linked = namesIn (std::string (text, static_cast<size_t> (length)));
            pending.insert (pending.begin(), linked.begin(), linked.end());
            nameFromLink = nameFromLink || last;
            continue;
        }
        if (last)
        {
            target.link = LinkState::none;
            target.folder = std::move (folder);
            target.name = name;
            target.exists = true;
            target.info = info;
            return target;
        }
        if (!S_ISDIR (info.st_mode))
            break;
        folder = std::move (node);
    }
    return target;
}

//==============================================================================
constexpr char kTemporarySuffix[] = ".vrsave";
constexpr size_t kTemporaryHexDigits = 8;
// A temporary file older than this belongs to no save still running.
constexpr std::time_t kStaleTemporarySeconds = 10 * 60;

// Hidden and not named like a library or a .syx file, so Open never lists one.
std::string temporaryNameFor (const std::string& targetName)
{
    // Short enough for any file system's name limit, however long the target's name.
    const auto name = juce::String::fromUTF8 (targetName.c_str()).substring (0, 50);
    const auto hex = juce::String::toHexString (juce::Random::getSystemRandom().nextInt())
                         .paddedLeft ('0', static_cast<int> (kTemporaryHexDigits));
    return "." + (name + "." + hex + kTemporarySuffix).toStdString();
}

// Whether the name is one temporaryNameFor gives: ".NAME.XXXXXXXX.vrsave".
bool isSaveTemporaryName (const std::string& fileName)
{
    const size_t suffix = std::strlen (kTemporarySuffix);
    if (fileName.size() < 2 + kTemporaryHexDigits + suffix || fileName.front() != '.' ||
        fileName.compare (fileName.size() - suffix, suffix, kTemporarySuffix) != 0)
        return false;
    const size_t hexStart = fileName.size() - suffix - kTemporaryHexDigits;
    return fileName[hexStart - 1] == '.' &&
           fileName.find_first_not_of ("0123456789abcdef", hexStart) == hexStart + kTemporaryHexDigits;
}

// Temporary files of ours that a crashed save left in the folder.
void removeStaleTemporaries (int folder)
{
    const int listing = openat (folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0)
        return;
    const std::unique_ptr<DIR, int (*) (DIR*)> entries (fdopendir (listing), closedir);
    if (entries == nullptr)
    {
        ::close (listing);
        return;
    }
    const auto now = std::time (nullptr);
    while (const auto* entry = readdir (entries.get()))
    {
        struct stat info;
        if (isSaveTemporaryName (entry->d_name) &&
            fstatat (folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG (info.st_mode) &&
            info.st_uid == geteuid() && now - info.st_mtime > kStaleTemporarySeconds)
            unlinkat (folder, entry->d_name, 0);
    }
}

// The temporary file goes again unless the save got as far as moving it.
class RemovedUnlessKept
{
public:
    RemovedUnlessKept (int folderToRemoveFrom, std::string nameToRemove)
        : folder (folderToRemoveFrom)
        , name (std::move (nameToRemove))
    {
    }
    ~RemovedUnlessKept()
    {
        if (!kept)
            unlinkat (folder, name.c_str(), 0);
    }
    void keep() noexcept { kept = true; }

private:
    const int folder;
    const std::string name;
    bool kept{false};
    JUCE_DECLARE_NON_COPYABLE (RemovedUnlessKept)
};

// Writes to a file already open, from where it stands.
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

// The regular file of that name in the folder, opened without following a
// link and without waiting on a pipe; invalid for anything else.
Descriptor openRegularAt (int folder, const std::string& name, int access)
{
    Descriptor file (openat (folder, name.c_str(), access | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info;
    if (file.valid() && (fstat (file.get(), &info) != 0 || !S_ISREG (info.st_mode)))
        return {};
    return file;
}

bool holdsExactly (int folder, const std::string& name, const void* data, size_t size)
{
    auto file = openRegularAt (folder, name, O_RDONLY);
    if (!file.valid())
        return false;
    RegularFileInputStream in (file.release());
    juce::MemoryBlock onDisk;
    in.readIntoMemoryBlock (onDisk, static_cast<ssize_t> (size + 1));
    return !in.getStatus().failed() && onDisk.getSize() == size &&
           std::memcmp (onDisk.getData(), data, size) == 0;
}

// For a folder that takes no new files: the old bytes are overwritten, so
// the file is read back to be sure of what it holds now.
FileWriteResult writeInPlace (int folder, const std::string& name, const void* data, size_t size,
                              const StreamWriteStep& writeStep)
{
    {
        auto file = openRegularAt (folder, name, O_WRONLY);
        if (!file.valid())
            return FileWriteResult::cannotOpen;
        DescriptorOutputStream out (file.get());
        if (!writeAll (out, data, size, writeStep) || out.getPosition() != static_cast<juce::int64> (size) ||
            ftruncate (file.get(), static_cast<off_t> (size)) != 0 || fsync (file.get()) != 0 ||
            !file.close())
            return FileWriteResult::inPlaceWriteFailed;
    }
    return holdsExactly (folder, name, data, size) ? FileWriteResult::ok
                                                   : FileWriteResult::inPlaceWriteFailed;
}

// The new file takes the old one's place with its group (where we may give
// it that group: as one of its members, or the superuser) and permissions.
bool keepGroupAndMode (int fd, const struct stat& old)
{
    struct stat made;
    if (fstat (fd, &made) != 0)
        return false;
    // Before the mode: a change of group clears the set-id bits.
    if (made.st_gid != old.st_gid && fchown (fd, static_cast<uid_t> (-1), old.st_gid) != 0 && errno != EPERM)
        return false;
    return fchmod (fd, old.st_mode & 07777) == 0;
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

void encodeLibrary (const std::vector<ProgramRecord>& records, std::uint8_t* dest) noexcept
{
    std::memset (dest, 0, static_cast<size_t> (kFileSize));
    std::memcpy (dest, kMagic, static_cast<size_t> (kMagicLength));
    for (size_t slot = 0; slot < records.size() && slot < static_cast<size_t> (kNumUserPrograms); ++slot)
        std::memcpy (dest + kHeaderSize + slot * kRecordSize, records[slot].data(), records[slot].size());
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

RegularFileInputStream::RegularFileInputStream (int fileDescriptor) noexcept
    : fd (fileDescriptor)
{
}

RegularFileInputStream::~RegularFileInputStream()
{
    if (fd >= 0)
        ::close (fd);
}

juce::int64 RegularFileInputStream::getTotalLength()
{
    struct stat info;
    return fstat (fd, &info) == 0 ? static_cast<juce::int64> (info.st_size) : -1;
}

bool RegularFileInputStream::isExhausted()
{
    return position >= getTotalLength();
}

int RegularFileInputStream::read (void* destBuffer, int maxBytesToRead)
{
    if (maxBytesToRead <= 0 || status.failed())
        return 0;
    for (;;)
    {
        const auto got = ::read (fd, destBuffer, static_cast<size_t> (maxBytesToRead));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
        {
            status = juce::Result::fail (std::strerror (errno));
            return 0;
        }
        position += got;
        return static_cast<int> (got);
    }
}

bool RegularFileInputStream::setPosition (juce::int64 newPosition)
{
    if (lseek (fd, static_cast<off_t> (newPosition), SEEK_SET) < 0)
        return false;
    position = newPosition;
    return true;
}

std::unique_ptr<RegularFileInputStream> openForReading (const juce::File& file, juce::String& problem)
{
    // What is plainly no file is refused without opening it: opening a
    // device may do something.
    problem = notARegularFile (file);
    if (problem.isNotEmpty())
        return {};

    // It may have been swapped since: the open does not wait (as it would
    // for a pipe without a writer), and what was opened is looked at again.
    const int fd = open (file.getFullPathName().toRawUTF8(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
    {
        const int error = errno;
        problem = error == ENOENT ? juce::String ("There is no such file.")
                                  : unreadableBecause (std::strerror (error));
        return {};
    }
    auto in = std::make_unique<RegularFileInputStream> (fd);
    struct stat info;
    if (fstat (fd, &info) != 0)
    {
        problem = unreadableBecause (std::strerror (errno));
        return {};
    }
    problem = notARegularFile (info.st_mode);
    if (problem.isNotEmpty())
        return {};
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
        read.problem = unreadableBecause (in.getStatus().getErrorMessage());
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
    const auto target = resolveSaveTarget (requested);
    switch (target.link)
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
    const int folder = target.folder.get();
    const auto& name = target.name;

    // Moving a new file over a read-only one would succeed; honour the flag.
    if (target.exists && (!S_ISREG (target.info.st_mode) || faccessat (folder, name.c_str(), W_OK, 0) != 0))
        return FileWriteResult::cannotOpen;

    removeStaleTemporaries (folder);
    // The target's permissions from the start (a new file's come from the
    // umask): a private library is never readable by others, not even while
    // it is written. Only the owner can write it until then.
    std::string temporary;
    Descriptor file;
    int error = 0;
    for (int attempt = 0; attempt < 8 && !file.valid(); ++attempt)
    {
        temporary = temporaryNameFor (name);
        file = Descriptor (openat (folder, temporary.c_str(),
                                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                   target.exists ? 0600 : 0666));
        error = errno;
        if (!file.valid() && error != EEXIST)
            break;
    }
    if (!file.valid())
    {
        // A folder that takes no new files: the file itself may still be writable.
        if (target.exists && (error == EACCES || error == EPERM))
            return writeInPlace (folder, name, data, size, writeStep);
        return error == EACCES || error == EPERM || error == EROFS || error == ENOENT || error == ENOTDIR
                   ? FileWriteResult::cannotOpen
                   : FileWriteResult::writeFailed;
    }

    RemovedUnlessKept removed (folder, temporary);
    if (target.exists && !keepGroupAndMode (file.get(), target.info))
        return FileWriteResult::writeFailed;

    DescriptorOutputStream out (file.get());
    if (!writeAll (out, data, size, writeStep) || out.getPosition() != static_cast<juce::int64> (size))
        return FileWriteResult::writeFailed;

    // What is on disk is what counts.
    struct stat written;
    if (fsync (file.get()) != 0 || fstat (file.get(), &written) != 0 ||
        written.st_size != static_cast<off_t> (size) || !file.close())
        return FileWriteResult::writeFailed;

    if (renameat (folder, temporary.c_str(), folder, name.c_str()) != 0)
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

int LibraryFiles::open (const juce::File& folder, const juce::String& title)
{
    if (!slotFree())
        return -1;

    const auto chosen =
        ui.chooseFileToOpen (title, folder, juce::String (kPattern) + ";" + SysexFormat::kPattern);
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
