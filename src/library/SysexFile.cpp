#include "SysexFile.h"

#include "../midi/SysexMessages.h"

#include <algorithm>

namespace vr
{
namespace
{
using namespace sysex;

bool isOurModel (std::uint8_t modelCode) noexcept
{
    return modelCode == kModelWren || modelCode == kModelHeron;
}

bool isDumpCode (int code) noexcept
{
    return code == Code::programDump || code == Code::currentProgramDump;
}

// One exclusive message of the file, from F0 to F7 or to where it was cut off.
struct Message
{
    const std::uint8_t* data;
    int size;
};

// The dump code of one of our program dumps, or -1 for anything else.
int dumpCodeOf (const Message& m) noexcept
{
    if (!hasMakerHeader (m.data, m.size) || !isOurModel (m.data[At::modelCode]))
        return -1;
    const int code = m.data[At::functionCode];
    return isDumpCode (code) ? code : -1;
}

// A dump is whole when it is exactly as long as the one we send (the record
// and, for 4C, the number, then F7) and every byte between F0 and F7 is a
// data byte.
bool isWhole (const Message& m, int code, bool terminated) noexcept
{
    if (!terminated || m.size != minimumLength (code) + 1)
        return false;
    return std::all_of (m.data + 1, m.data + m.size - 1, [] (std::uint8_t b) { return b < 0x80; });
}

ProgramRecord recordAt (const Message& m, int offset) noexcept
{
    ProgramRecord record;
    std::copy (m.data + offset, m.data + offset + kRecordSize, record.begin());
    return record;
}

juce::String noProgramsText (const juce::String& fileName)
{
    return fileName + " holds no wren or heron programs.";
}

juce::String truncatedText (const juce::String& fileName, int programsRead)
{
    return fileName + " ends in the middle of a message; " + juce::String (programsRead) +
           " programs were read.";
}

SysexPrograms tooLarge (const juce::String& fileName)
{
    SysexPrograms result;
    result.records.fill (defaultRecord());
    result.error = fileName + " is larger than 1 MB; it is not a program file.";
    return result;
}
} // namespace

bool isSysexFileName (const juce::File& file)
{
    return file.getFileExtension().equalsIgnoreCase (SysexFormat::kExtension);
}

SysexPrograms readSysexPrograms (const std::uint8_t* data, size_t size, const juce::String& fileName)
{
    if (size > SysexFormat::kMaxFileSize)
        return tooLarge (fileName);

    SysexPrograms result;
    result.records.fill (defaultRecord());

    std::vector<ProgramRecord> currentDumps;
    size_t at = 0;
    while (at < size)
    {
        // Bytes between messages (channel messages, running status, padding)
        // are never F0, so looking for the next F0 passes over them.
        if (data[at] != kSysexStart)
        {
            ++at;
            continue;
        }

        // A message ends at F7; an F0 before it starts the next message, so
        // one cut-off message does not swallow the good one after it.
        size_t end = at + 1;
        while (end < size && data[end] != kSysexEnd && data[end] != kSysexStart)
            ++end;
        if (end == size)
        {
            result.truncated = true;
            break;
        }

        const bool terminated = data[end] == kSysexEnd;
        const size_t length = end - at + (terminated ? 1 : 0);
        const Message m{data + at, static_cast<int> (length)};
        at += length;

        const int code = dumpCodeOf (m);
        if (code < 0)
            continue;
        if (!isWhole (m, code, terminated))
        {
            ++result.skipped;
            continue;
        }

        if (code == Code::currentProgramDump)
        {
            currentDumps.push_back (recordAt (m, At::currentDumpRecord));
            continue;
        }

        const int number = numberFromPair (m.data[At::dumpNumber], m.data[At::dumpNumber + 1]);
        if (!isUserProgram (number))
        {
            ++result.skipped;
            continue;
        }
        const auto slot = static_cast<size_t> (number);
        result.records[slot] = recordAt (m, At::programDumpRecord);
        result.filled[slot] = true;
    }

    // Current program dumps carry no number: they take the slots the
    // numbered dumps left, wherever those came in the file.
    size_t slot = 0;
    for (const auto& record : currentDumps)
    {
        while (slot < result.filled.size() && result.filled[slot])
            ++slot;
        if (slot == result.filled.size())
        {
            ++result.skipped;
            continue;
        }
        result.records[slot] = record;
        result.filled[slot] = true;
    }

    result.programsRead = static_cast<int> (std::count (result.filled.begin(), result.filled.end(), true));
    // A cut-off file that gave nothing is one without programs to the user.
    if (!result.usable())
        result.error = noProgramsText (fileName);
    else if (result.truncated)
        result.error = truncatedText (fileName, result.programsRead);
    return result;
}

std::vector<SysexEntry> sysexEntriesOfUnitList (const UnitProgramList& unitList,
                                                const std::vector<int>& selectedRows)
{
    std::vector<SysexEntry> entries;
    if (selectedRows.empty())
    {
        for (int slot = 0; slot < kNumUserPrograms; ++slot)
            entries.push_back ({slot, unitList.recordAt (slot)});
        return entries;
    }

    auto rows = selectedRows;
    std::sort (rows.begin(), rows.end());
    rows.erase (std::unique (rows.begin(), rows.end()), rows.end());
    for (const int row : rows)
        if (isUserProgram (row) && row < unitList.size())
            entries.push_back ({row, unitList.recordAt (row)});
    return entries;
}

std::vector<SysexEntry> sysexEntriesOfRows (const RomFileProgramList& list,
                                            const std::vector<int>& selectedRows)
{
    auto rows = selectedRows;
    std::sort (rows.begin(), rows.end());
    rows.erase (std::unique (rows.begin(), rows.end()), rows.end());

    std::vector<SysexEntry> entries;
    for (const int row : rows)
        if (row >= 0 && row < list.size() && entries.size() < static_cast<size_t> (kNumUserPrograms))
            entries.push_back ({static_cast<int> (entries.size()), list.recordAt (row)});
    return entries;
}

std::vector<std::uint8_t> encodeSysexPrograms (const std::vector<SysexEntry>& entries, std::uint8_t modelCode)
{
    std::vector<std::uint8_t> bytes;
    for (const auto& entry : entries)
    {
        const auto dump = programDump (modelCode, entry.number, entry.record);
        bytes.insert (bytes.end(), dump.getRawData(), dump.getRawData() + dump.getRawDataSize());
    }
    return bytes;
}

LibraryRead readSysexFile (const juce::File& file, SysexPrograms& out)
{
    LibraryRead read;
    // Exclusive messages carry their own header; there is none to ask about.
    read.hasHeader = true;
    const auto in = openForReading (file, read.problem);
    if (in == nullptr)
        return read;

    // Refuse a huge file before reading it into memory (the one opened, not the path's).
    if (in->getTotalLength() > static_cast<juce::int64> (SysexFormat::kMaxFileSize))
    {
        out = tooLarge (file.getFileName());
        read.result = LibraryReadResult::incomplete;
        return read;
    }

    // One byte more than allowed, so a file that grew meanwhile is still refused.
    juce::MemoryBlock block;
    in->readIntoMemoryBlock (block, static_cast<ssize_t> (SysexFormat::kMaxFileSize + 1));
    if (in->getStatus().failed())
    {
        read.problem = "The file cannot be read (" + in->getStatus().getErrorMessage() + ").";
        return read;
    }

    out = readSysexPrograms (static_cast<const std::uint8_t*> (block.getData()), block.getSize(),
                             file.getFileName());
    read.result = out.usable() ? LibraryReadResult::ok : LibraryReadResult::incomplete;
    return read;
}
} // namespace vr
