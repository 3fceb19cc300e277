#include "EditHistory.h"

#include "../data/DataCenter.h"
#include "../midi/MidiReceiver.h"
#include "../midi/SysexMessages.h"

namespace vr
{
namespace
{
// A list step holds two copies of the list; the rest are small. The manager
// keeps at least 30 steps and drops the oldest past this many units.
constexpr int kListStepUnits = 400;
constexpr int kMaxUnits = 30000;
constexpr int kMinSteps = 30;

bool sameRow (const CProgParamColumn& a, const CProgParamColumn& b) noexcept
{
    return a.sourceNumber == b.sourceNumber && a.data == b.data;
}

bool sameSlot (const EditHistory::SlotState& a, const EditHistory::SlotState& b) noexcept
{
    return a.modified == b.modified && sameRow (a.row, b.row);
}

bool sameProgram (const EditHistory::ProgramState& a, const EditHistory::ProgramState& b) noexcept
{
    return a.current == b.current && a.loaded == b.loaded && a.number == b.number &&
           a.selected == b.selected && a.serial == b.serial;
}
} // namespace

//==============================================================================
// Each step is recorded after its edit ran, so its first perform does nothing.
class EditHistory::ProgramEdit : public juce::UndoableAction
{
public:
    ProgramEdit (EditHistory& owner, std::uint64_t program, int mergeKey, int slot, ProgramRecord before,
                 ProgramRecord after, SlotState slotBefore, SlotState slotAfter, bool performed)
        : history (owner)
        , serial (program)
        , key (mergeKey)
        , slotNumber (slot)
        , recordBefore (before)
        , recordAfter (after)
        , rowBefore (std::move (slotBefore))
        , rowAfter (std::move (slotAfter))
        , done (performed)
    {
    }

    // A step only ever changes the program it was taken on: met with another
    // (one that came in unrecorded), it fails, and the manager then drops
    // the history rather than land on that program.
    bool perform() override
    {
        if (!std::exchange (done, true))
            return true;
        if (serial != history.dataCenter.programSerial)
            return false;
        history.applyEdit (recordAfter, recordBefore, slotNumber, rowAfter, rowBefore);
        ++history.editsOfCurrent;
        return true;
    }

    bool undo() override
    {
        if (serial != history.dataCenter.programSerial)
            return false;
        history.applyEdit (recordBefore, recordAfter, slotNumber, rowBefore, rowAfter);
        history.editsOfCurrent = juce::jmax (0, history.editsOfCurrent - 1);
        return true;
    }

    juce::UndoableAction* createCoalescedAction (juce::UndoableAction* next) override
    {
        auto* later = dynamic_cast<ProgramEdit*> (next);
        if (later == nullptr || key == 0 || later->key != key || later->slotNumber != slotNumber ||
            later->serial != serial)
            return nullptr;
        return new ProgramEdit (history, serial, key, slotNumber, recordBefore, later->recordAfter, rowBefore,
                                later->rowAfter, true);
    }

private:
    EditHistory& history;
    std::uint64_t serial;
    int key;
    int slotNumber;
    ProgramRecord recordBefore, recordAfter;
    SlotState rowBefore, rowAfter;
    bool done;
};

class EditHistory::ProgramChoice : public juce::UndoableAction
{
public:
    ProgramChoice (EditHistory& owner, ProgramState before, ProgramState after, int editsBefore)
        : history (owner)
        , stateBefore (before)
        , stateAfter (after)
        , editsOfBefore (editsBefore)
    {
    }

    bool perform() override
    {
        if (std::exchange (done, true))
            history.applyChoice (stateAfter, stateBefore);
        history.editsOfCurrent = 0;
        return true;
    }

    bool undo() override
    {
        // Redo comes back to what this undo leaves, also when that is not the
        // program chosen then (a choice since that was no step, a knob the
        // unit turned).
        stateAfter = history.programState();
        history.applyChoice (stateBefore, stateAfter);
        history.editsOfCurrent = editsOfBefore;
        return true;
    }

private:
    EditHistory& history;
    ProgramState stateBefore, stateAfter;
    int editsOfBefore;
    bool done{false};
};

class EditHistory::ListEdit : public juce::UndoableAction
{
public:
    ListEdit (EditHistory& owner, ListState before, ListState after)
        : history (owner)
        , stateBefore (std::move (before))
        , stateAfter (std::move (after))
    {
    }

    bool perform() override
    {
        if (std::exchange (done, true))
            history.applyList (stateAfter, stateBefore);
        return true;
    }

    bool undo() override
    {
        history.applyList (stateBefore, stateAfter);
        return true;
    }

    int getSizeInUnits() override { return kListStepUnits; }

private:
    EditHistory& history;
    ListState stateBefore, stateAfter;
    bool done{false};
};

//==============================================================================
EditHistory::EditHistory (DataCenter& store, MidiReceiver& engine, UnitProgramList& unitList)
    : dataCenter (store)
    , midiReceiver (engine)
    , unit (unitList)
    , undoManager (kMaxUnits, kMinSteps)
{
}

EditHistory::~EditHistory() = default;

bool EditHistory::recording() const
{
    return recordDepth == 0 && !midiReceiver.isTransferRunning();
}

EditHistory::ProgramState EditHistory::programState() const
{
    return {dataCenter.current, dataCenter.loaded, dataCenter.currentProgramNumber,
            dataCenter.selectedProgram, dataCenter.programSerial};
}

EditHistory::ListState EditHistory::listState() const
{
    return {unit.rows, dataCenter.modified};
}

void EditHistory::recordProgramEdit (const juce::String& what, int mergeKey,
                                     const std::function<void()>& edit)
{
    if (!recording() || editingLocked)
    {
        // A nested edit (a type switching its section on) belongs to the outer one.
        edit();
        return;
    }

    // The name and the category also change the program's slot in the list.
    const int n = dataCenter.currentProgramNumber;
    const int slot = isUserProgram (n) && n < unit.size() ? n : -1;
    auto slotState = [this, slot]
    {
        if (slot < 0)
            return SlotState{};
        const auto i = static_cast<size_t> (slot);
        return SlotState{unit.rows[i], dataCenter.modified[i]};
    };
    const auto recordBefore = dataCenter.current;
    const auto slotBefore = slotState();

    ++recordDepth;
    edit();
    --recordDepth;

    const auto slotAfter = slotState();
    if (recordBefore == dataCenter.current && sameSlot (slotBefore, slotAfter))
        return;

    const bool merges = mergeKey != 0 && mergeKey == openMergeKey;
    if (!merges)
        undoManager.beginNewTransaction (what);
    undoManager.perform (new ProgramEdit (*this, dataCenter.programSerial, mergeKey, slot, recordBefore,
                                          dataCenter.current, slotBefore, slotAfter, false));
    if (!merges)
        ++editsOfCurrent;

    openMergeKey = mergeKey;
    if (mergeKey == 0)
        breakStep();
}

void EditHistory::breakStep() noexcept
{
    openMergeKey = 0;
    undoManager.beginNewTransaction();
}

void EditHistory::recordProgramChoice (const std::function<void()>& choose)
{
    if (!recording() || editingLocked)
    {
        choose();
        return;
    }

    const auto before = programState();
    // Steps still to redo belong to this program: past another choice they
    // would land on the new program, so the choice is a step that ends them.
    const bool worthKeeping = dataCenter.isEdited() || editsOfCurrent > 0 || undoManager.canRedo();
    ++recordDepth;
    choose();
    --recordDepth;
    const auto after = programState();

    if (!worthKeeping || sameProgram (before, after))
        return;
    undoManager.beginNewTransaction ("Program Change");
    undoManager.perform (new ProgramChoice (*this, before, after, editsOfCurrent));
    breakStep();
}

void EditHistory::recordListEdit (const juce::String& what, const std::function<void()>& edit)
{
    if (!recording())
    {
        edit();
        return;
    }

    auto before = listState();
    ++recordDepth;
    edit();
    --recordDepth;
    auto after = listState();

    bool changed = before.modified != after.modified || before.rows.size() != after.rows.size();
    for (size_t i = 0; !changed && i < before.rows.size(); ++i)
        changed = !sameRow (before.rows[i], after.rows[i]);
    if (!changed)
        return;

    undoManager.beginNewTransaction (what);
    undoManager.perform (new ListEdit (*this, std::move (before), std::move (after)));
    breakStep();
}

//==============================================================================
bool EditHistory::canUndo() const
{
    return !editingLocked && !midiReceiver.isTransferRunning() && undoManager.canUndo();
}

bool EditHistory::canRedo() const
{
    return !editingLocked && !midiReceiver.isTransferRunning() && undoManager.canRedo();
}

juce::String EditHistory::undoMenuText() const
{
    return canUndo() ? "Undo " + undoManager.getUndoDescription() : juce::String ("Undo");
}

juce::String EditHistory::redoMenuText() const
{
    return canRedo() ? "Redo " + undoManager.getRedoDescription() : juce::String ("Redo");
}

bool EditHistory::undo()
{
    openMergeKey = 0;
    return canUndo() && undoManager.undo();
}

bool EditHistory::redo()
{
    openMergeKey = 0;
    return canRedo() && undoManager.redo();
}

void EditHistory::clear()
{
    openMergeKey = 0;
    editsOfCurrent = 0;
    writtenBaselines.clear();
    undoManager.clearUndoHistory();
}

void EditHistory::noteWritten()
{
    // An undone choice coming back to this program finds it written.
    writtenBaselines[dataCenter.programSerial] = dataCenter.loaded;
}

//==============================================================================
void EditHistory::applyEdit (const ProgramRecord& to, const ProgramRecord& from, int slot,
                             const SlotState& slotTo, const SlotState& slotFrom)
{
    // Only the bytes the step changed go back: a knob the unit turned since
    // keeps its value.
    auto target = dataCenter.current;
    for (size_t i = 0; i < target.size(); ++i)
        if (to[i] != from[i])
            target[i] = to[i];
    // The on/off byte holds six switches: only those the step changed go back.
    const auto mask = static_cast<size_t> (RecordByte::onOffMask);
    const auto switched = static_cast<std::uint8_t> (to[mask] ^ from[mask]);
    target[mask] = static_cast<std::uint8_t> ((dataCenter.current[mask] & ~switched) | (to[mask] & switched));
    // A type the unit changed since may not allow a value coming back.
    bool typeChangedSince = false;
    for (int section = 0; section < numSections; ++section)
    {
        const auto at = static_cast<size_t> (RecordByte::firstType + section);
        typeChangedSince = typeChangedSince || target[at] != to[at];
    }
    if (typeChangedSince)
    {
        auto limited = target;
        applyDynamicsLimit (limited);
        applyAmpLimits (limited);
        applyModulationLimit (limited);
        for (size_t i = 0; i < target.size(); ++i)
            if (to[i] != from[i])
                target[i] = limited[i];
    }
    const auto shown = std::exchange (dataCenter.current, target);
    tellUnit (shown, target);

    // The slot goes back only if nothing else changed it since (a Write, a
    // program the unit sent).
    if (slot >= 0 && slot < unit.size() && !sameRow (slotTo.row, slotFrom.row))
    {
        auto& row = unit.rows[static_cast<size_t> (slot)];
        // The row alone decides: an undo sets the mark by what the unit holds.
        if (sameRow (row, slotFrom.row))
        {
            row = slotTo.row;
            dataCenter.markAgainstUnit (slot, unit.recordAt (slot));
            unit.changed();
        }
    }
    applied (false);
}

void EditHistory::applyChoice (const ProgramState& to, const ProgramState& from)
{
    dataCenter.current = to.current;
    const auto written = writtenBaselines.find (to.serial);
    dataCenter.loaded = written != writtenBaselines.end() ? written->second : to.loaded;
    dataCenter.programSerial = to.serial;
    dataCenter.comparedAside.reset();
    dataCenter.setCurrentProgramNumber (to.number);

    // The unit goes back to the program it played, then gets the edit buffer.
    if (to.selected != from.selected)
        midiReceiver.selectProgram (to.selected);
    dataCenter.setSelectedProgram (to.selected);
    midiReceiver.sendCurrentProgram();
    applied (true);
}

void EditHistory::applyList (const ListState& to, const ListState& from)
{
    // Slot by slot, so a slot changed since by what is not undone (a Write,
    // a program the unit sent) keeps that change.
    auto& rows = unit.rows;
    const auto count = juce::jmin (rows.size(), to.rows.size(), from.rows.size());
    for (size_t i = 0; i < count; ++i)
    {
        if (sameRow (rows[i], from.rows[i]) && !sameRow (rows[i], to.rows[i]))
        {
            // The mark says whether the unit holds the row now, whatever
            // it said when the step was taken (a Transmit All may lie between).
            rows[i] = to.rows[i];
            dataCenter.markAgainstUnit (static_cast<int> (i), unit.recordAt (static_cast<int> (i)));
        }
    }
    unit.changed();
    applied (false);
}

void EditHistory::tellUnit (const ProgramRecord& from, const ProgramRecord& to)
{
    int parameter = -1;
    int differing = 0;
    bool wholeProgram = false;
    for (int byte = 0; byte < kRecordSize; ++byte)
    {
        if (from[static_cast<size_t> (byte)] == to[static_cast<size_t> (byte)])
            continue;
        ++differing;
        // The name and the last two bytes have no parameter change of their own.
        if (byte < RecordByte::category || parameterToByte (byte) < 0)
            wholeProgram = true;
        else
            parameter = parameterToByte (byte); // the crossed pair maps both ways
    }

    if (differing == 0)
        return;
    if (wholeProgram || differing > 1)
    {
        midiReceiver.sendCurrentProgram();
        return;
    }

    midiReceiver.sendParameterChange (parameter, to[static_cast<size_t> (parameterToByte (parameter))]);
}

void EditHistory::applied (bool programReplaced)
{
    if (onApplied)
        onApplied (programReplaced);
}
} // namespace vr
