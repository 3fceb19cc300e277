#pragma once

#include "LibraryFile.h"

#include <vector>

namespace vr
{
// Plain System Exclusive files (".syx"): the raw bytes of the messages, one
// after another, as generic SysEx tools and other librarians write them.
// We write program dumps; we read program dumps and current program dumps
// of either model and pass over everything else.
namespace SysexFormat
{
constexpr char kExtension[] = ".syx"; // compared ignoring case: generic tools write ".SYX" too
constexpr char kPattern[] = "*.syx";
// Two hundred dumps take 8400 bytes; anything this large is not a program file.
constexpr size_t kMaxFileSize = size_t{1} << 20;
} // namespace SysexFormat

bool isSysexFileName (const juce::File& file);

// What a file gave: a record for every user slot (the default record where
// nothing landed) and a word for the user when something is wrong.
struct SysexPrograms
{
    std::array<ProgramRecord, kNumUserPrograms> records;
    std::array<bool, kNumUserPrograms> filled{};
    int programsRead{0}; // slots filled
    int skipped{0};      // damaged dumps, and dumps with no slot to go to
    bool truncated{false};
    // Empty when all is well. When `usable()` is false it says why nothing is
    // loaded; otherwise it tells what was lost (a cut-off last message).
    juce::String error;

    bool usable() const noexcept { return programsRead > 0; }
};

// Reads the dumps from a file's bytes. Program dumps (4C) fill the slots of
// their numbers; current program dumps (40) then fill the slots still empty,
// in file order. `fileName` is only used in the error text.
SysexPrograms readSysexPrograms (const std::uint8_t* data, size_t size, const juce::String& fileName);

// One program to export and the number its dump carries (0-199).
struct SysexEntry
{
    int number;
    ProgramRecord record;
};

// The whole unit list in slot order when no row is selected, otherwise the
// selected rows under their own slot numbers.
std::vector<SysexEntry> sysexEntriesOfUnitList (const UnitProgramList& unitList,
                                                const std::vector<int>& selectedRows);

// Selected rows of the ROM and file list, numbered from 000 in row order;
// rows past the 200th selected have no number and are left out.
std::vector<SysexEntry> sysexEntriesOfRows (const RomFileProgramList& list,
                                            const std::vector<int>& selectedRows);

// The file's bytes: one program dump per entry, with this model code.
std::vector<std::uint8_t> encodeSysexPrograms (const std::vector<SysexEntry>& entries,
                                               std::uint8_t modelCode);

// Reads a whole file. `cannotOpen` for a missing or unreadable file (the
// result's `problem` says why), `incomplete` when it holds nothing usable
// (`out.error` says why).
LibraryRead readSysexFile (const juce::File& file, SysexPrograms& out);
} // namespace vr
