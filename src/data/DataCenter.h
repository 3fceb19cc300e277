#pragma once

#include "ProgramRecord.h"
#include "ProgramRow.h"

#include <optional>
#include <vector>

namespace vr
{
// The store of the program being edited, of what is known about the unit and
// of a few flags shared by the views, the engine and the lists. It notifies
// nobody: whoever changes it announces the change. Message thread only.
class DataCenter
{
public:
    DataCenter();
    virtual ~DataCenter() = default;

    void setCurrentProgramNumber (int n) noexcept;
    void setSelectedProgram (int n) noexcept;
    // Another program replaces the current one: it counts as unedited, and
    // a compare of the one it replaces is over.
    void setCurrentData (const std::uint8_t* bytes32) noexcept;
    void setCurrentData (const ProgramRecord& record) noexcept;

    // The program the player edits: the current one, or the one set aside
    // while the stored version is compared.
    const ProgramRecord& editedRecord() const noexcept { return comparedAside ? *comparedAside : current; }
    // The current program is edited while it differs from what was chosen or
    // last written (its baseline, `loaded`), compared or not.
    bool isEdited() const noexcept { return editedRecord() != loaded; }
    void markWritten() noexcept { loaded = editedRecord(); }

    // Bulk transfers keep the edit buffer aside and put it back when they end.
    void saveCurrent() noexcept;
    void restoreSaved() noexcept;

    void setName (const juce::String& text) noexcept;
    juce::String getName() const;

    int getType (int section) const noexcept;
    // Offset 12-17: stores the type, switches its section on and applies the
    // dependent limits. Any other offset does nothing.
    void setType (int byteOffset, int value) noexcept;

    int getKnob (int knobIndex) const noexcept;
    void setKnob (int value, int knobIndex) noexcept;

    ProgramRecord current;
    ProgramRecord loaded;
    // While the stored version is compared, the edited one waits here.
    std::optional<ProgramRecord> comparedAside;
    // Tells one choice of a program from another, even of the same number:
    // a step of the edit history applies only to the program it was taken on.
    std::uint64_t programSerial{1};
    ProgramRecord saved{};
    ProgramRecord savedLoaded{};
    std::uint64_t savedSerial{0};
    int versionMajor{0};
    int versionMinor{0};
    int bank{0};
    int programInBank{0};
    int midiChannel{0};
    int currentProgramNumber{0};
    std::uint8_t modelCode{0};
    int selectedProgram{0};

    // Program-list state: which list was clicked last (0 unit, 1 ROM and files),
    // the raw data of open library files and the writer's staging area.
    static constexpr int kFileBufferSize = kNumUserPrograms * kRecordSize;
    static constexpr int kLibraryFileSize = 32 + kFileBufferSize;
    int activeList{0};
    // The three file slots' program blocks, back to back (slot n at n * 6400).
    std::array<std::uint8_t, kFileBufferSize * Source::maxFiles> fileBuffers{};
    std::array<std::uint8_t, kLibraryFileSize> saveBuffer{};

    bool connected{false};
    int viewMode{0}; // 1 editor shown, 0 library shown
    std::array<std::uint8_t, kNumUserPrograms> modified{};
    // Slots changed here and not yet transmitted, from slot `first` on.
    int countModified (int first = 0) const noexcept;
    // What the unit is known to hold in each slot (received, sent or
    // written); unknown slots are assumed to differ from any row.
    std::array<ProgramRecord, kNumUserPrograms> unitHolds{};
    std::array<bool, kNumUserPrograms> unitHoldsKnown{};
    void unitNowHolds (int slot, const ProgramRecord& record) noexcept;
    void unitHoldsUnknown (int slot) noexcept;
    // A row changed without reaching the unit: marked unless the unit holds
    // exactly that.
    void markAgainstUnit (int slot, const ProgramRecord& row) noexcept;
    bool bulkTransfer{false};
    std::vector<CProgParamColumn> clipboard;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DataCenter)
};
} // namespace vr
