#pragma once

#include "../data/ProgramRecord.h"
#include "../library/EditHistory.h"

#include <functional>

namespace vr
{
class DataCenter;
class MidiReceiver;
class UnitProgramList;

// The one owner of "the program being edited": its record and baseline (kept
// in the store, which the engine sends from), the compare of it with its
// stored version, and the undo history of it and of the unit list. The
// editor panel, the name strip, the tables, the menus and the engine change
// the program through here; the components only show it.
//
// The stored version is the baseline itself (the program as chosen or last
// written), so moving, overwriting or closing rows never makes Compare show
// another program. EDITED is one comparison: the edited record against the
// baseline, whichever of the two is shown. Message thread only.
class EditSession
{
public:
    // Hooks itself into the engine: changes from the unit first end a
    // compare, a program replaced by the unit is a step like a click on a
    // row, and a Receive All starts the history afresh.
    EditSession (DataCenter& store, MidiReceiver& engine, UnitProgramList& unitList);
    ~EditSession();

    // Steps (see EditHistory).
    void recordProgramEdit (const juce::String& what, int mergeKey, const std::function<void()>& edit);
    void breakStep() noexcept { steps.breakStep(); }
    // Another program replaces the current one; a compare ends first.
    void recordProgramChoice (const std::function<void()>& choose);
    void recordListEdit (const juce::String& what, const std::function<void()>& edit);
    bool undo() { return steps.undo(); }
    bool redo() { return steps.redo(); }
    bool canUndo() const { return steps.canUndo(); }
    bool canRedo() const { return steps.canRedo(); }
    juce::String undoMenuText() const { return steps.undoMenuText(); }
    juce::String redoMenuText() const { return steps.redoMenuText(); }
    EditHistory& history() noexcept { return steps; }

    bool isEdited() const noexcept;
    bool isComparing() const noexcept;
    const ProgramRecord& storedVersion() const noexcept;
    const ProgramRecord& editedVersion() const noexcept;

    // Compare switches what the store holds (and so what the unit plays)
    // between the edited and the stored version; each switch sends the shown
    // one. False when nothing changed.
    bool toggleCompare();
    bool endCompare();

    // The edited program went to the unit's memory: it is the baseline now.
    void written();

    // After each compare switch, however it came (the button, a Write, a
    // change from the unit), with whether the stored version is shown now.
    std::function<void (bool comparing)> onCompareChanged;
    // After an undo or redo; `programReplaced` when another program came back.
    std::function<void (bool programReplaced)> onApplied;

private:
    // Puts the edited version back in the store without telling the unit.
    bool restoreEdited();
    void compareChanged();

    DataCenter& dataCenter;
    MidiReceiver& midiReceiver;
    EditHistory steps;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (EditSession)
};
} // namespace vr
