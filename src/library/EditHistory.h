#pragma once

#include "ProgramLists.h"

#include <juce_data_structures/juce_data_structures.h>

#include <functional>
#include <map>

namespace vr
{
class DataCenter;
class MidiReceiver;

// Undo and redo of what the user changes: the current program (a knob
// gesture, a typed value, a type, an on/off switch, the name, the category),
// the choice of another program while the current one is edited, and Cut,
// Paste, Insert and Clear in the unit list.
//
// An edit runs as it always did, inside one of the record calls; the history
// compares the store and the list before and after and keeps what changed as
// a step. Undo and redo put the store and the list back, tell the unit what
// changed (one parameter change, or the whole program when more changed),
// then call onApplied so the views show the store again without sending
// anything themselves. Nothing is recorded or undone while a transfer runs.
// Message thread only.
class EditHistory
{
public:
    EditHistory (DataCenter& store, MidiReceiver& engine, UnitProgramList& unitList);
    ~EditHistory();

    // An edit of the current program. Edits with the same non-zero mergeKey
    // and no break between them are one step (a knob gesture, typing a name).
    void recordProgramEdit (const juce::String& what, int mergeKey, const std::function<void()>& edit);
    // The next edit starts a step of its own.
    void breakStep() noexcept;
    // Another program replaces the current one. That is a step when the
    // current one is edited, or edits of it can still be undone.
    void recordProgramChoice (const std::function<void()>& choose);
    // Cut, Paste, Insert or Clear: a step when the unit list changed.
    void recordListEdit (const juce::String& what, const std::function<void()>& edit);

    bool canUndo() const;
    bool canRedo() const;
    // "Undo Gain", or "Undo" when there is nothing to undo.
    juce::String undoMenuText() const;
    juce::String redoMenuText() const;
    bool undo();
    bool redo();
    void clear();
    // The current program was written: its baseline moved.
    void noteWritten();

    // While locked (the stored version is compared) no edit of the program
    // is recorded, undone or redone; list edits still are.
    void setEditingLocked (bool locked) noexcept { editingLocked = locked; }

    // Broadcasts each new step, undo, redo and clear: the menus follow.
    juce::ChangeBroadcaster& changes() noexcept { return undoManager; }

    // After an undo or redo; `programReplaced` when another program came back.
    std::function<void (bool programReplaced)> onApplied;

    // The state steps save and put back.
    struct ProgramState
    {
        ProgramRecord current{}, loaded{};
        int number{0}, selected{0};
        std::uint64_t serial{0};
    };
    struct SlotState
    {
        CProgParamColumn row;
        std::uint8_t modified{0};
    };
    struct ListState
    {
        std::vector<CProgParamColumn> rows;
        std::array<std::uint8_t, kNumUserPrograms> modified{};
    };

private:
    class ProgramEdit;
    class ProgramChoice;
    class ListEdit;

    bool recording() const;
    ProgramState programState() const;
    ListState listState() const;
    // Puts an edit's side back: the record, the slot it renamed or
    // recategorised, and what the unit must hear about it.
    void applyEdit (const ProgramRecord& to, const ProgramRecord& from, int slot, const SlotState& slotTo,
                    const SlotState& slotFrom);
    void applyChoice (const ProgramState& to, const ProgramState& from);
    void applyList (const ListState& to, const ListState& from);
    // One parameter change when one parameter differs, else the whole program.
    void tellUnit (const ProgramRecord& from, const ProgramRecord& to);
    void applied (bool programReplaced);

    DataCenter& dataCenter;
    MidiReceiver& midiReceiver;
    UnitProgramList& unit;
    juce::UndoManager undoManager;
    int openMergeKey{0};
    int recordDepth{0};
    // Steps of the current program that undo can reach before it meets a
    // program choice: while there are any, another choice is a step too.
    int editsOfCurrent{0};
    bool editingLocked{false};
    // Baselines of programs written since their steps were taken.
    std::map<std::uint64_t, ProgramRecord> writtenBaselines;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (EditHistory)
};
} // namespace vr
