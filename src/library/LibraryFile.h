#pragma once

#include "ProgramLists.h"

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace vr
{
class DataCenter;
class Dialogs;
struct SysexEntry;

// The ".vrm" library file: a 32-byte header (the magic text, then zeros)
// followed by the 200 program records of the unit list in slot order.
namespace LibraryFormat
{
constexpr char kMagic[] = "VRMPROG100";
constexpr int kMagicLength = 10;
constexpr int kHeaderSize = 32;
constexpr int kRecordsSize = kNumUserPrograms * kRecordSize;
constexpr int kFileSize = kHeaderSize + kRecordsSize;
constexpr char kExtension[] = ".vrm"; // compared case-sensitively
constexpr char kPattern[] = "*.vrm";
} // namespace LibraryFormat

// The whole file for the unit list: each row's cells as bytes (low 8 bits);
// a slot with no row is written as 32 zero bytes.
void encodeLibrary (const UnitProgramList& unitList, std::uint8_t* dest) noexcept;
// The same from the records of slots 0-199 (a shorter list leaves the rest zero).
void encodeLibrary (const std::vector<ProgramRecord>& records, std::uint8_t* dest) noexcept;

// Copies the 200 records of a library into dest (6400 bytes) and returns
// true. A source shorter than a whole file is refused and dest left as it
// was; bytes past the end of a file are ignored, the header is not looked at.
bool decodeLibrary (const std::uint8_t* source, size_t size, std::uint8_t* dest) noexcept;

// Whether the bytes start with the library magic text.
bool hasLibraryHeader (const std::uint8_t* source, size_t size) noexcept;

enum class LibraryReadResult
{
    ok,
    cannotOpen, // no such file, a folder, or it cannot be read
    incomplete  // shorter than a whole library
};

struct LibraryRead
{
    LibraryReadResult result{LibraryReadResult::cannotOpen};
    // Whether the file starts with the magic text; a whole file without it
    // is still read, the caller decides whether to use it.
    bool hasHeader{false};
    // Why it could not be opened, as a sentence for the user.
    juce::String problem;
};

LibraryRead readLibraryFile (const juce::File& file, std::uint8_t* dest);

// A regular file opened for reading, read through the descriptor that was
// checked, so a file swapped on disk meanwhile is never what is read.
class RegularFileInputStream : public juce::InputStream
{
public:
    // Takes the descriptor over.
    explicit RegularFileInputStream (int fileDescriptor) noexcept;
    ~RegularFileInputStream() override;

    // Failed once a read has failed, with the system's reason.
    const juce::Result& getStatus() const noexcept { return status; }

    juce::int64 getTotalLength() override;
    bool isExhausted() override;
    int read (void* destBuffer, int maxBytesToRead) override;
    juce::int64 getPosition() override { return position; }
    bool setPosition (juce::int64 newPosition) override;

private:
    const int fd;
    juce::int64 position{0};
    juce::Result status{juce::Result::ok()};
    JUCE_DECLARE_NON_COPYABLE (RegularFileInputStream)
};

// The file opened for reading, or null with `problem` set to why not (a
// folder, no such file, a pipe, device or socket, no permission), as a
// sentence for the user. Only regular files are opened, and the opening
// itself never waits: reading a pipe or a device would hold the window.
std::unique_ptr<RegularFileInputStream> openForReading (const juce::File& file, juce::String& problem);

// Writes one buffer to an open stream; false when the stream refused it.
// The file writer takes one so that tests can make the disk fail.
using StreamWriteStep = std::function<bool (juce::OutputStream& out, const void* data, size_t size)>;

enum class FileWriteResult
{
    ok,
    cannotOpen,         // the target is read-only, or nothing can be created beside it
    writeFailed,        // a write, the flush or the final move failed; the target is as it was
    inPlaceWriteFailed, // written over the target itself, which may now be damaged
    danglingLink,       // a link to a file that does not exist; nothing was written
    foreignLink         // a link another user owns in a folder anyone may write to; not followed
};

// Whether a symbolic link to a file that does not exist may create that file.
enum class DanglingLink
{
    refuse,
    createTarget
};

// Writes the bytes to a temporary file beside the target and moves it over
// the target only when every byte is on disk, so the target holds either
// exactly these bytes or what it held before. A read-only target is left
// alone rather than replaced. What the user set up stays: a symbolic link
// is written through to the file the system resolves it to (the link
// stays), the file's permissions are the temporary file's from the start,
// and where the folder takes no new files but the file itself is writable,
// the file is written over in place and read back. The temporary file is
// hidden and not named like a library, and ones a crash left behind are
// removed by a later save into the folder. The path is resolved one name at
// a time, and the file is written in the folder found, so what was checked
// is what is written; a link another user owns in a folder anyone may
// write to (sticky, as /tmp) is not followed unless the folder is theirs.
// A replaced file keeps its group where we may give it that group.
FileWriteResult writeFileAtomically (const juce::File& target, const void* data, size_t size,
                                     const StreamWriteStep& writeStep = {},
                                     DanglingLink dangling = DanglingLink::refuse);

// Save As, Open, file drops and the command-line file: everything about
// library files except the dialogs that pick them. Opened files become the
// next file slot of the ROM and file list; each adding call returns the
// list row where the new block starts (the table selects from there). A file
// named ".syx" (any case) is read as exclusive messages (SysexFile.h), any
// other as a library.
class LibraryFiles
{
public:
    LibraryFiles (DataCenter& store, UnitProgramList& unitList, RomFileProgramList& romList,
                  Dialogs& dialogs) noexcept;

    // Asks for the file, gives it the ".vrm" extension (asking before
    // replacing a different existing file) and writes the unit list. True
    // when the file was written.
    bool saveAs();

    // Writes the unit list to exactly this file; tells the user when it fails.
    bool saveTo (const juce::File& target);

    // Export as plain exclusive messages: asks for the file like Save As
    // (with ".syx" instead of ".vrm") and writes one program dump per entry,
    // with the model code of the identified unit (00 when none is).
    bool exportSysexAs (const std::vector<SysexEntry>& entries, const juce::String& dialogTitle = {});
    bool exportSysexTo (const juce::File& target, const std::vector<SysexEntry>& entries);

    // Asks for a file and adds it; -1 when none was added. With every slot
    // taken it says so before the chooser opens. The chooser starts in
    // `folder` (none: where the system puts it).
    int open (const juce::File& folder = {}, const juce::String& title = "Open");

    // The file named on the command line or handed over by another start,
    // into the next slot like Open; a missing, unreadable or folder path is
    // reported as such before any word about the slots.
    int openCommandLineFile (const juce::File& file);

    // Dropped paths, in order; the rows where each added block starts. A
    // file that is refused or declined does not stop the others.
    std::vector<int> dropFiles (const juce::StringArray& paths);

    // The write step used by saves; empty means the stream's own write.
    StreamWriteStep writeStep;

private:
    enum class Unreadable
    {
        report,
        skipSilently
    };

    // The file a save goes to: the chosen name, given the extension when it
    // lacks it (a "No" to replacing that file brings the chooser back); an
    // invalid file when the user backed out.
    juce::File chooseSaveTarget (const juce::String& title, const juce::String& pattern,
                                 const juce::String& extension, bool ignoreCase);
    bool writeOrSaySo (const juce::File& target, const void* data, size_t size);
    // Whether a slot is free; says so when none is. Asked again after every
    // dialog: while one is up, a file handed over by another start may take
    // the last slot.
    bool slotFree();
    // Reads the file into the next slot and returns the row where its block
    // starts, -1, or kNoSlot when every slot was taken by then (and said so).
    // An incomplete file is reported; a file without the library header is
    // added only when the user says so.
    int addFile (const juce::File& file, Unreadable unreadable);
    int addSysexFile (const juce::File& file, Unreadable unreadable);
    // Copies 200 records into the next slot and appends its block; never
    // writes past the last slot, whatever the caller checked.
    int fillNextSlot (const juce::File& file, const std::uint8_t* records);
    static constexpr int kNoSlot = -2;

    DataCenter& dataCenter;
    UnitProgramList& unit;
    RomFileProgramList& rom;
    Dialogs& ui;
};

// Files handed over by other starts wait their turn: one is opened at a
// time, and none while a file flow (Open, Save As, a drop, and the dialogs
// each shows) is running, so their alerts never stack on the one in front.
class HandOverQueue
{
public:
    explicit HandOverQueue (std::function<void (const juce::File&)> openOne);

    // Opens the file now when nothing is in front, else after what is in
    // front (and every file handed over before it) is done.
    void add (const juce::File& file);

    // A file flow runs while one of these lives; hand-overs wait for its end.
    class Flow
    {
    public:
        explicit Flow (HandOverQueue& queueToHold) noexcept;
        ~Flow();

    private:
        HandOverQueue& queue;
        JUCE_DECLARE_NON_COPYABLE (Flow)
    };

private:
    void openWaiting();

    std::function<void (const juce::File&)> open;
    std::deque<juce::File> waiting;
    int flowsRunning{0};
    bool opening{false};
};
} // namespace vr
