#pragma once

#include "Clipboard.h"
#include "ProgramLists.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace vr
{
class DataCenter;
class EditSession;
class MidiReceiver;

// What both program tables share: the four columns, the painting, the
// keyboard with its repeat guard, and a click or key that recalls a row.
// Each table is its own model; the list it shows belongs to it.
class ProgramTable : public juce::TableListBox, public juce::TableListBoxModel
{
public:
    enum ColumnId
    {
        toColumn = 1,
        fromColumn,
        nameColumn,
        categoryColumn
    };

    static constexpr int kHeaderHeight = 22;
    static constexpr int kVisibleRows = 20;
    static constexpr int kPageRows = 20;
    static constexpr juce::int64 kKeyRepeatGuardMs = 150;

    ~ProgramTable() override;

    // Makes this table's list the active one and recalls the row: it becomes
    // the current program and is sent to the unit.
    virtual void recallRow (int row) = 0;

    // The selection, as the clipboard operations take it.
    RowSelection currentSelection() const;

    // The row most recently selected if it is still selected, else -1. The
    // list box itself falls back to its first selected row when that one is
    // deselected, which would make Paste land where the user did not point.
    int lastSelectedRow() const noexcept;

    // Where a recall that replaces an edited program is kept for Undo (not owned).
    void setSession (EditSession* sessionToUse) noexcept { session = sessionToUse; }

    // Millisecond clock read by the key-repeat guard.
    void setClock (std::function<juce::int64()> millisecondClock);

    // Called on any press in the table, once this table's list is the
    // active one; the library view clears the other table's selection.
    std::function<void()> onActivated;

    // Replaces the list box's own key handling.
    bool keyPressed (const juce::KeyPress& key) override;
    void resized() override;

    int getNumRows() override;
    void paintRowBackground (juce::Graphics& g, int row, int width, int height, bool rowIsSelected) override;
    void paintCell (juce::Graphics& g, int row, int columnId, int width, int height,
                    bool rowIsSelected) override;
    void cellClicked (int row, int columnId, const juce::MouseEvent& e) override;
    void backgroundClicked (const juce::MouseEvent& e) override;
    void selectedRowsChanged (int lastRowSelected) override;

protected:
    ProgramTable (DataCenter& store, MidiReceiver& engine, juce::ChangeBroadcaster& programSelection,
                  UnitProgramList& unitList, int listIndex, int columnFlags);

    // Row height so that exactly 20 rows fill the space below the header.
    void fitRowsToHeight();
    // Active list := this one; tells the view.
    void activate();
    // The new current program is announced to the views.
    void announceSelection();
    // Runs the part of a recall that replaces the current program.
    void replaceProgram (const std::function<void()>& replace);

    // The derived table connects its list once it exists and lets go of it
    // before it goes; until then the table shows no rows.
    void showRows (const std::vector<CProgParamColumn>* listRows);

    virtual juce::Colour rowBackground (int row) const noexcept = 0;
    virtual juce::String fromText (int sourceNumber) const = 0;
    virtual juce::int64& lastKeyTime() noexcept = 0;
    // What a handled key reports, so that keys reach the window or not.
    virtual bool reportHandledKeys() const noexcept = 0;

    DataCenter& dataCenter;
    MidiReceiver& midi;
    juce::ChangeBroadcaster& selectionBroadcaster;
    UnitProgramList& unitFlags; // the unit list carries the selection-seen flag for both tables
    EditSession* session{nullptr};

private:
    // Sees presses anywhere in the table, header and scroll bar included.
    struct PressWatcher : juce::MouseListener
    {
        explicit PressWatcher (ProgramTable& t) noexcept
            : table (t)
        {
        }
        void mouseDown (const juce::MouseEvent&) override { table.activate(); }
        ProgramTable& table;
    };

    // The row a handled key leaves as the cursor, or -1.
    int moveForKey (const juce::KeyPress& key);
    // Makes an already selected row the last selected one.
    void makeLastSelected (int row);

    const std::vector<CProgParamColumn>* shownRows{nullptr};
    // Set when a Ctrl-click took the last selected row away; cleared by the
    // next change of the selection.
    bool lastRowDeselected{false};
    const int activeListIndex;
    std::function<juce::int64()> clock;
    PressWatcher pressWatcher{*this};
};

// The unit's 200 slots (left table): a recall also selects the program on the unit.
class CProgNameTable : public ProgramTable, private juce::ChangeListener
{
public:
    CProgNameTable (DataCenter& store, MidiReceiver& engine, juce::ChangeBroadcaster& programSelection);
    ~CProgNameTable() override;

    UnitProgramList& getList() noexcept { return list; }
    const UnitProgramList& getList() const noexcept { return list; }

    // Fills the 200 slots and clears the selection.
    void fill();

    // Where the "From" column finds the names of file slots (rows pasted from files).
    void setFileNameSource (const RomFileProgramList* romList) noexcept { romNames = romList; }

    void recallRow (int row) override;

private:
    // The engine changed rows (a dump arrived); repaint what is shown.
    void changeListenerCallback (juce::ChangeBroadcaster*) override { repaint(); }

    // Keeps columns 1-3 shown; only "Cat." may be hidden from the header menu.
    struct ColumnKeeper : juce::TableHeaderComponent::Listener
    {
        void tableColumnsChanged (juce::TableHeaderComponent* header) override;
        void tableColumnsResized (juce::TableHeaderComponent*) override {}
        void tableSortOrderChanged (juce::TableHeaderComponent*) override {}
    };

    juce::Colour rowBackground (int row) const noexcept override;
    juce::String fromText (int sourceNumber) const override;
    juce::int64& lastKeyTime() noexcept override { return list.lastKeyTime; }
    bool reportHandledKeys() const noexcept override { return false; }

    UnitProgramList list;
    ColumnKeeper columnKeeper;
    const RomFileProgramList* romNames{nullptr};
};

// The factory programs and the open files (right table): read-only; a
// recall only sends the program as the unit's current one.
class CProgNameTable2 : public ProgramTable
{
public:
    CProgNameTable2 (DataCenter& store, MidiReceiver& engine, juce::ChangeBroadcaster& programSelection,
                     UnitProgramList& unitList);
    ~CProgNameTable2() override;

    RomFileProgramList& getList() noexcept { return list; }
    const RomFileProgramList& getList() const noexcept { return list; }

    // Fills the factory programs and clears the selection.
    void fill();

    // After a file block was appended at `firstRow`: that row alone is
    // selected and scrolled to the top, so the user sees where the file went.
    void fileBlockAppended (int firstRow);

    // Removes every file block. When the last selected row went with them
    // (or nothing was selected), only the list's last row is selected.
    void closeAllFiles();

    void recallRow (int row) override;

private:
    juce::Colour rowBackground (int row) const noexcept override;
    juce::String fromText (int sourceNumber) const override;
    juce::int64& lastKeyTime() noexcept override { return list.lastKeyTime; }
    bool reportHandledKeys() const noexcept override { return true; }

    RomFileProgramList list;
};
} // namespace vr
