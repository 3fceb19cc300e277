#pragma once

#include "ProgramLists.h"

#include <vector>

namespace vr
{
class DataCenter;
class Dialogs;

// The rows a table has selected, as the clipboard operations take them.
struct RowSelection
{
    // Ascending, without duplicates.
    std::vector<int> rows;
    // The row most recently selected if it is still selected, else -1.
    int lastSelected{-1};

    static RowSelection of (const juce::SparseSet<int>& selected, int lastSelected);
};

// What the unit table should do after an operation.
struct ClipboardOutcome
{
    bool unitListChanged{false};
    // The one row the unit table selects afterwards, or -1 to keep its selection.
    int selectUnitRow{-1};
};

// Cut, Clear, Copy, Paste and Insert between the unit list and the ROM and
// file list through the store's clipboard. Each acts on the store's active
// list with that list's selection. The ROM and file list is never written,
// and the unit list leaves every operation with exactly 200 rows. Refusals
// and the paste question go through the dialogs.
class ClipboardCommands
{
public:
    ClipboardCommands (DataCenter& store, UnitProgramList& unitList, RomFileProgramList& romList,
                       Dialogs& dialogs) noexcept;

    ClipboardOutcome cut (const RowSelection& selection);
    ClipboardOutcome clear (const RowSelection& selection);
    ClipboardOutcome copy (const RowSelection& selection);
    ClipboardOutcome paste (const RowSelection& selection);
    ClipboardOutcome insert (const RowSelection& selection);

    // Enabling rules for the menus, on the unit list's flags and the unit
    // table's last selected row, whatever list is active.
    static bool canCut (const UnitProgramList& unitList, int unitLastSelected) noexcept;
    static bool canClear (const UnitProgramList& unitList, int unitLastSelected) noexcept;
    static bool canCopy (const UnitProgramList& unitList) noexcept;
    static bool canPaste (const UnitProgramList& unitList, int unitLastSelected) noexcept;
    static bool canInsert (const UnitProgramList& unitList, int unitLastSelected) noexcept;

private:
    bool unitListActive() const noexcept;
    // Paste or Insert aimed at the ROM and file list: says why not.
    void refuseWritingTo (const RowSelection& romSelection);
    void copyRows (const std::vector<CProgParamColumn>& from, const RowSelection& selection);
    // False (and the user told) when there is no slot to paste to.
    bool pasteTargetReady (const RowSelection& selection, bool forInsert);
    void markModified (int slot) noexcept;
    // Marks every slot whose row differs from `before` (rows moved by Cut or Insert).
    void markChangedSlots (const std::vector<CProgParamColumn>& before) noexcept;
    void keepOneRowPerSlot();
    ClipboardOutcome finish (int selectRow = -1);

    DataCenter& dataCenter;
    UnitProgramList& unit;
    RomFileProgramList& rom;
    Dialogs& ui;
};
} // namespace vr
