#include "Clipboard.h"

#include "../data/DataCenter.h"
#include "../data/DialogInterface.h"

namespace vr
{
namespace
{
using Icon = AlertText::Icon;

const AlertText illegalCommand{Icon::none, "Warning:", "Illegal Command.", {"  OK  "}};
const AlertText romAreaIsReadOnly{Icon::none, "Warning:", "Cannot paste on the ROM Area.", {"  OK  "}};
const AlertText fileRowsAreReadOnly{
    Icon::none,
    "Warning:",
    "Library file rows cannot be changed.\nPaste and Insert go into the unit list: select a slot there.",
    {"  OK  "}};
const AlertText pasteDoesNotFit{
    Icon::warning, "Warning:", "Some Program(s) can't paste. Paste Anyway?", {"  OK  ", "Cancel"}};
const AlertText noSlotToPasteTo{
    Icon::none, "Paste:", "No program slot is selected.\nSelect the slot to paste to first.", {"  OK  "}};
const AlertText noSlotToInsertAt{
    Icon::none, "Insert:", "No program slot is selected.\nSelect the slot to insert at first.", {"  OK  "}};

constexpr size_t kSlots = static_cast<size_t> (kNumUserPrograms);

// A copy of a row as the clipboard and the pasted slots hold it: data,
// source number and the name with out-of-range cells cleared.
CProgParamColumn reencodedCopy (const CProgParamColumn& row)
{
    auto copy = row;
    copy.reencodeName();
    return copy;
}

bool isRowOf (const std::vector<CProgParamColumn>& rows, int row) noexcept
{
    return row >= 0 && static_cast<size_t> (row) < rows.size();
}

// Paste and Insert target a unit slot; -1 (nothing selected) and anything
// past the list have none.
bool isSlot (int row) noexcept
{
    return row >= 0 && row < kNumUserPrograms;
}
} // namespace

RowSelection RowSelection::of (const juce::SparseSet<int>& selected, int lastSelected)
{
    RowSelection selection;
    selection.lastSelected = lastSelected;
    selection.rows.reserve (static_cast<size_t> (juce::jmax (0, selected.size())));
    for (int i = 0; i < selected.size(); ++i)
        selection.rows.push_back (selected[i]); // a sparse set iterates in ascending order
    return selection;
}

//==============================================================================
ClipboardCommands::ClipboardCommands (DataCenter& store, UnitProgramList& unitList,
                                      RomFileProgramList& romList, Dialogs& dialogs) noexcept
    : dataCenter (store)
    , unit (unitList)
    , rom (romList)
    , ui (dialogs)
{
}

bool ClipboardCommands::unitListActive() const noexcept
{
    return dataCenter.activeList == 0;
}

void ClipboardCommands::refuseWritingTo (const RowSelection& romSelection)
{
    // Rows past the factory programs belong to open library files.
    const int row = romSelection.lastSelected >= 0 ? romSelection.lastSelected
                    : romSelection.rows.empty()    ? -1
                                                   : romSelection.rows.back();
    ui.show (row >= kNumFactoryPrograms ? fileRowsAreReadOnly : romAreaIsReadOnly);
}

void ClipboardCommands::copyRows (const std::vector<CProgParamColumn>& from, const RowSelection& selection)
{
    auto& clipboard = dataCenter.clipboard;
    clipboard.clear();
    for (const int row : selection.rows)
        if (isRowOf (from, row))
            clipboard.push_back (reencodedCopy (from[static_cast<size_t> (row)]));

    unit.pasteReady = true;
}

bool ClipboardCommands::pasteTargetReady (const RowSelection& selection, bool forInsert)
{
    if (isSlot (selection.lastSelected))
    {
        keepOneRowPerSlot(); // so every slot from the target on can be written
        return true;
    }

    ui.show (forInsert ? noSlotToInsertAt : noSlotToPasteTo);
    return false;
}

void ClipboardCommands::markModified (int slot) noexcept
{
    // A transfer in progress puts the list in step with the unit itself.
    if (!dataCenter.bulkTransfer && isSlot (slot))
        dataCenter.modified[static_cast<size_t> (slot)] = 1;
}

void ClipboardCommands::keepOneRowPerSlot()
{
    auto& rows = unit.rows;
    if (rows.size() > kSlots)
        rows.erase (rows.begin() + static_cast<std::ptrdiff_t> (kSlots), rows.end());
    else if (rows.size() < kSlots)
        rows.resize (kSlots);
}

ClipboardOutcome ClipboardCommands::finish (int selectRow)
{
    // Whatever the list held before, it leaves with one row per slot.
    keepOneRowPerSlot();
    unit.changed();
    return {true, selectRow};
}

//==============================================================================
ClipboardOutcome ClipboardCommands::copy (const RowSelection& selection)
{
    copyRows (unitListActive() ? unit.rows : rom.rows, selection);
    return {};
}

ClipboardOutcome ClipboardCommands::cut (const RowSelection& selection)
{
    if (!unitListActive())
    {
        copyRows (rom.rows, selection);
        ui.show (illegalCommand);
        return {};
    }

    copyRows (unit.rows, selection);

    const auto before = unit.rows;
    auto& rows = unit.rows;
    int removed = 0;
    int firstRemoved = -1;
    for (const int row : selection.rows)
    {
        const int now = row - removed;
        if (!isSlot (row) || !isRowOf (rows, now))
            continue;
        rows.erase (rows.begin() + now);
        unit.rememberedRow = now;
        if (firstRemoved < 0)
            firstRemoved = row;
        ++removed;
    }

    // The rows below the removed ones have moved up; finish() refills the
    // freed slots at the end with empty rows.
    const auto outcome = finish (firstRemoved >= 0 ? firstRemoved : selection.lastSelected);
    markChangedSlots (before);
    return outcome;
}

void ClipboardCommands::markChangedSlots (const std::vector<CProgParamColumn>& before) noexcept
{
    // Every slot that now holds another program than before differs from
    // the unit: a transmit of the modified programs must send it.
    for (int slot = 0; slot < kNumUserPrograms; ++slot)
    {
        const auto i = static_cast<size_t> (slot);
        const bool had = i < before.size();
        const bool has = i < unit.rows.size();
        if (had != has || (has && (before[i].data != unit.rows[i].data ||
                                   before[i].sourceNumber != unit.rows[i].sourceNumber)))
            markModified (slot);
    }
}

ClipboardOutcome ClipboardCommands::clear (const RowSelection& selection)
{
    if (!unitListActive())
        return {};

    auto& clipboard = dataCenter.clipboard;
    clipboard.clear();
    for (const int row : selection.rows)
    {
        if (!isSlot (row) || !isRowOf (unit.rows, row))
            continue;
        auto& slot = unit.rows[static_cast<size_t> (row)];
        clipboard.push_back (reencodedCopy (slot));
        slot = CProgParamColumn{};
        markModified (row);
    }

    unit.pasteReady = true;
    return finish();
}

ClipboardOutcome ClipboardCommands::paste (const RowSelection& selection)
{
    if (!unitListActive())
    {
        refuseWritingTo (selection);
        return {};
    }
    if (!pasteTargetReady (selection, false))
        return {};

    const int start = selection.lastSelected;
    const auto& clipboard = dataCenter.clipboard;
    const int count = static_cast<int> (clipboard.size());
    if (count > kNumUserPrograms - start && ui.show (pasteDoesNotFit) != 0)
        return {};

    // Rows that would land past slot 199 are dropped.
    const int fitting = juce::jmin (count, kNumUserPrograms - start);
    for (int c = 0; c < fitting; ++c)
    {
        unit.rows[static_cast<size_t> (start + c)] = reencodedCopy (clipboard[static_cast<size_t> (c)]);
        markModified (start + c);
    }
    return finish();
}

ClipboardOutcome ClipboardCommands::insert (const RowSelection& selection)
{
    if (!unitListActive())
    {
        refuseWritingTo (selection);
        return {};
    }
    if (!pasteTargetReady (selection, true))
        return {};

    const auto before = unit.rows;
    auto& rows = unit.rows;
    int target = selection.lastSelected;
    for (const auto& row : dataCenter.clipboard)
    {
        if (target >= kNumUserPrograms)
            break;
        const auto at = static_cast<std::ptrdiff_t> (juce::jmin (static_cast<size_t> (target), rows.size()));
        rows.insert (rows.begin() + at, reencodedCopy (row));
        markModified (target);
        ++target;
    }
    // finish() drops the rows pushed past slot 199; the rows pushed down are
    // changed slots too.
    const auto outcome = finish();
    markChangedSlots (before);
    return outcome;
}

//==============================================================================
bool ClipboardCommands::canCut (const UnitProgramList& unitList, int unitLastSelected) noexcept
{
    return unitList.selectionSeen && unitLastSelected < kNumUserPrograms;
}

bool ClipboardCommands::canClear (const UnitProgramList& unitList, int unitLastSelected) noexcept
{
    return canCut (unitList, unitLastSelected);
}

bool ClipboardCommands::canCopy (const UnitProgramList& unitList) noexcept
{
    return unitList.selectionSeen;
}

bool ClipboardCommands::canPaste (const UnitProgramList& unitList, int unitLastSelected) noexcept
{
    return unitList.pasteReady && unitLastSelected < kNumUserPrograms;
}

bool ClipboardCommands::canInsert (const UnitProgramList& unitList, int unitLastSelected) noexcept
{
    return canPaste (unitList, unitLastSelected);
}
} // namespace vr
