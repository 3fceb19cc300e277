#include "CProgNameTable.h"

#include "../data/DataCenter.h"
#include "../data/EffectTypes.h"
#include "../data/SharedColours.h"
#include "../editor/EditSession.h"
#include "../midi/MidiReceiver.h"

namespace vr
{
namespace
{
struct ColumnSpec
{
    int id;
    const char* header;
    int width;
    int minWidth;
    int maxWidth;
};

constexpr ColumnSpec kColumns[] = {
    {ProgramTable::toColumn, "To :", 30, 0, 30},
    {ProgramTable::fromColumn, "From", 90, 30, 140},
    {ProgramTable::nameColumn, "ProgName", 90, 60, 105},
    {ProgramTable::categoryColumn, "Cat.", 30, 30, 40},
};

namespace Colours
{
constexpr juce::uint32 unitRow = 0xFF303030;
// ROM and file table, by block of 200 rows: factory, file 1, file 2, file 3.
constexpr juce::uint32 blockRows[] = {0xFF303030, 0xFF383838, 0xFF404040, 0xFF484848};
constexpr juce::uint32 selectedRow = SharedColours::selection;
constexpr juce::uint32 text = 0xFFF5F5DC;
constexpr juce::uint32 modifiedSlot = 0xFFFFFF00;
constexpr juce::uint32 modifiedSelectedSlot = 0xFF000060; // dark: readable on the orange selection
constexpr juce::uint32 separator = 0xFF000000;
constexpr float separatorAlpha = 0.2f;

// The header and frame; the picture behind the tables is dark.
constexpr juce::uint32 headerBackground = 0xFF1E1F22;
constexpr juce::uint32 headerText = 0xFFE8A33C;
constexpr juce::uint32 headerOutline = 0xFF000000;
constexpr juce::uint32 listBackground = 0xFF26272A;
constexpr juce::uint32 scrollThumb = 0xFF6A6C70;
} // namespace Colours

constexpr float kCellFontHeight = 12.0f;
constexpr int kTextInset = 2;

juce::String categoryText (int categoryByte)
{
    // Anything but guitar (0) and bass (1) shows as "other".
    return categoryTag (categoryByte == 0 || categoryByte == 1 ? categoryByte : 2);
}
} // namespace

//==============================================================================
ProgramTable::ProgramTable (DataCenter& store, MidiReceiver& engine,
                            juce::ChangeBroadcaster& programSelection, UnitProgramList& unitList,
                            int listIndex, int columnFlags)
    : juce::TableListBox ("ProgNameTable",
                          nullptr) // the derived table sets itself as model once its list exists
    , dataCenter (store)
    , midi (engine)
    , selectionBroadcaster (programSelection)
    , unitFlags (unitList)
    , activeListIndex (listIndex)
    , clock ([] { return juce::Time::currentTimeMillis(); })
{
    auto& columns = getHeader();
    for (const auto& column : kColumns)
        columns.addColumn (column.header, column.id, column.width, column.minWidth, column.maxWidth,
                           columnFlags);
    setHeaderHeight (kHeaderHeight);
    setMultipleSelectionEnabled (true);
    setWantsKeyboardFocus (true);

    columns.setColour (juce::TableHeaderComponent::backgroundColourId,
                       juce::Colour (Colours::headerBackground));
    columns.setColour (juce::TableHeaderComponent::textColourId, juce::Colour (Colours::headerText));
    columns.setColour (juce::TableHeaderComponent::outlineColourId, juce::Colour (Colours::headerOutline));
    columns.setColour (juce::TableHeaderComponent::highlightColourId,
                       juce::Colour (Colours::headerText).withAlpha (0.2f));
    setColour (juce::ListBox::backgroundColourId, juce::Colour (Colours::listBackground));
    setColour (juce::ListBox::outlineColourId, juce::Colour (Colours::headerOutline));
    setOutlineThickness (1);
    getVerticalScrollBar().setColour (juce::ScrollBar::thumbColourId, juce::Colour (Colours::scrollThumb));

    addMouseListener (&pressWatcher, true);
}

ProgramTable::~ProgramTable()
{
    removeMouseListener (&pressWatcher);
}

void ProgramTable::setClock (std::function<juce::int64()> millisecondClock)
{
    clock = std::move (millisecondClock);
}

RowSelection ProgramTable::currentSelection() const
{
    return RowSelection::of (getSelectedRows(), lastSelectedRow());
}

int ProgramTable::lastSelectedRow() const noexcept
{
    return lastRowDeselected ? -1 : getLastRowSelected();
}

void ProgramTable::selectedRowsChanged (int)
{
    lastRowDeselected = false;
}

void ProgramTable::fitRowsToHeight()
{
    setRowHeight (juce::jmax (1, (getHeight() - kHeaderHeight) / kVisibleRows));
}

void ProgramTable::resized()
{
    juce::TableListBox::resized();
    fitRowsToHeight();
}

void ProgramTable::activate()
{
    dataCenter.activeList = activeListIndex;
    if (onActivated)
        onActivated();
}

void ProgramTable::announceSelection()
{
    selectionBroadcaster.sendChangeMessage();
}

void ProgramTable::replaceProgram (const std::function<void()>& replace)
{
    if (session != nullptr)
        session->recordProgramChoice (replace);
    else
        replace();
}

void ProgramTable::showRows (const std::vector<CProgParamColumn>* listRows)
{
    shownRows = listRows;
    setModel (listRows != nullptr ? this : nullptr);
}

int ProgramTable::getNumRows()
{
    // Also asked by the list box itself, before and after the model is set.
    return shownRows != nullptr ? static_cast<int> (shownRows->size()) : 0;
}

void ProgramTable::paintRowBackground (juce::Graphics& g, int row, int width, int height, bool rowIsSelected)
{
    if (row < 0 || row >= getNumRows())
        return;
    g.setColour (rowBackground (row));
    g.fillRect (0, 0, width, height);
    if (rowIsSelected)
    {
        g.setColour (juce::Colour (Colours::selectedRow));
        g.fillRect (0, 0, width, height);
        // A row shown selected is what enables Cut, Clear and Copy.
        unitFlags.selectionSeen = true;
    }
}

void ProgramTable::paintCell (juce::Graphics& g, int row, int columnId, int width, int height,
                              bool rowIsSelected)
{
    if (row < 0 || row >= getNumRows())
        return;

    const auto& item = (*shownRows)[static_cast<size_t> (row)];
    auto colour = juce::Colour (Colours::text);
    juce::String text;
    switch (columnId)
    {
        case toColumn:
            text = juce::String::formatted ("%03d", row);
            if (row < kNumUserPrograms && dataCenter.modified[static_cast<size_t> (row)] != 0)
                colour = juce::Colour (rowIsSelected ? Colours::modifiedSelectedSlot : Colours::modifiedSlot);
            break;
        case fromColumn:
            text = fromText (item.sourceNumber);
            break;
        case nameColumn:
            text = item.getName();
            break;
        case categoryColumn:
            text = categoryText (item.data[static_cast<size_t> (RecordByte::category)]);
            break;
        default:
            break;
    }

    g.setFont (juce::Font (kCellFontHeight, juce::Font::plain));
    g.setColour (colour);
    g.drawText (text, kTextInset, 0, width - 2 * kTextInset, height, juce::Justification::centredLeft, true);

    g.setColour (juce::Colour (Colours::separator).withAlpha (Colours::separatorAlpha));
    g.fillRect (width - 1, 0, 1, height);
}

void ProgramTable::cellClicked (int row, int, const juce::MouseEvent& e)
{
    // The list box has already flipped the row; a Ctrl-click that left it
    // unselected leaves no last selected row.
    if (e.mods.isCommandDown() && !isRowSelected (row))
        lastRowDeselected = true;
    recallRow (row);
}

void ProgramTable::backgroundClicked (const juce::MouseEvent&)
{
    activate();
}

//==============================================================================
void ProgramTable::makeLastSelected (int row)
{
    deselectRow (row);
    selectRow (row, false, false);
}

int ProgramTable::moveForKey (const juce::KeyPress& key)
{
    const int last = lastSelectedRow();
    const int lastRow = getNumRows() - 1;
    const bool shift = key.getModifiers().isShiftDown();
    const int code = key.getKeyCode();

    const auto selectOnly = [this] (int row)
    {
        selectRow (row);
        return row;
    };

    if (code == juce::KeyPress::downKey)
    {
        if (!shift)
            return selectOnly (juce::jlimit (0, lastRow, last + 1));
        if (last + 1 > lastRow)
        {
            selectRow (lastRow, false, false);
            return lastRow;
        }
        // Moving back into a selected range shrinks it.
        if (isRowSelected (last + 1))
        {
            deselectRow (last);
            makeLastSelected (last + 1);
        }
        else
        {
            selectRow (last + 1, false, false);
        }
        return last + 1;
    }

    if (code == juce::KeyPress::upKey)
    {
        if (!shift)
            return selectOnly (juce::jlimit (0, lastRow, last - 1));
        if (last - 1 < 0)
        {
            selectRow (0, false, false);
            return 0;
        }
        if (isRowSelected (last - 1))
        {
            deselectRow (last);
            makeLastSelected (last - 1);
        }
        else
        {
            selectRow (last - 1, false, false);
        }
        return last - 1;
    }

    if (code == juce::KeyPress::pageDownKey)
        return selectOnly (juce::jlimit (0, lastRow, last + kPageRows));
    if (code == juce::KeyPress::pageUpKey)
        return selectOnly (juce::jlimit (0, lastRow, last - kPageRows));
    if (code == juce::KeyPress::homeKey)
        return selectOnly (0);
    if (code == juce::KeyPress::endKey)
        return selectOnly (lastRow);
    if (code == juce::KeyPress::returnKey)
        return last;
    return -2; // not one of ours
}

bool ProgramTable::keyPressed (const juce::KeyPress& key)
{
    // A held key repeats faster than the unit can take programs.
    const auto now = clock();
    auto& previous = lastKeyTime();
    if (now - previous < kKeyRepeatGuardMs)
        return false;
    previous = now;

    if (getNumRows() == 0)
        return false;

    const int row = moveForKey (key);
    if (row == -2)
        return false;
    if (row >= 0)
        recallRow (row);
    return reportHandledKeys();
}

//==============================================================================
CProgNameTable::CProgNameTable (DataCenter& store, MidiReceiver& engine,
                                juce::ChangeBroadcaster& programSelection)
    : ProgramTable (store, engine, programSelection, list, 0,
                    juce::TableHeaderComponent::visible | juce::TableHeaderComponent::resizable |
                        juce::TableHeaderComponent::appearsOnColumnMenu)
    , list (store)
{
    list.onChanged = [this]
    {
        updateContent();
        repaint();
    };
    showRows (&list.rows);
    getHeader().addListener (&columnKeeper);
    midi.addChangeListener (this);
}

CProgNameTable::~CProgNameTable()
{
    midi.removeChangeListener (this);
    getHeader().removeListener (&columnKeeper);
    showRows (nullptr);
}

void CProgNameTable::ColumnKeeper::tableColumnsChanged (juce::TableHeaderComponent* header)
{
    for (const int id : {toColumn, fromColumn, nameColumn})
        if (!header->isColumnVisible (id))
            header->setColumnVisible (id, true);
}

void CProgNameTable::fill()
{
    list.fill();
    fitRowsToHeight();
    deselectAllRows();
}

void CProgNameTable::recallRow (int row)
{
    // A transfer owns the unit until its final step: a recall then would
    // play one program labelled as another.
    if (row < 0 || row >= getNumRows() || midi.isTransferRunning())
        return;

    activate();
    replaceProgram (
        [this, row]
        {
            dataCenter.setCurrentProgramNumber (row);
            dataCenter.setCurrentData (list.recordAt (row));
            midi.selectProgram (row);
            midi.sendListRow (row);
        });
    announceSelection();
}

juce::Colour CProgNameTable::rowBackground (int) const noexcept
{
    return juce::Colour (Colours::unitRow);
}

juce::String CProgNameTable::fromText (int sourceNumber) const
{
    // The unit list holds rows pasted from files, so the names come from the
    // ROM and file list's slots; without it they stay empty.
    return fromColumnText (sourceNumber, romNames);
}

//==============================================================================
CProgNameTable2::CProgNameTable2 (DataCenter& store, MidiReceiver& engine,
                                  juce::ChangeBroadcaster& programSelection, UnitProgramList& unitList)
    : ProgramTable (store, engine, programSelection, unitList, 1,
                    juce::TableHeaderComponent::visible | juce::TableHeaderComponent::resizable)
    , list (store)
{
    list.onChanged = [this]
    {
        updateContent();
        repaint();
    };
    showRows (&list.rows);
    getHeader().setColumnVisible (toColumn, false);
}

CProgNameTable2::~CProgNameTable2()
{
    showRows (nullptr);
}

void CProgNameTable2::fill()
{
    list.fill();
    fitRowsToHeight();
    deselectAllRows();
}

void CProgNameTable2::fileBlockAppended (int firstRow)
{
    updateContent();
    if (firstRow >= 0 && firstRow < getNumRows())
    {
        selectRow (firstRow, true);
        getViewport()->setViewPosition (0, firstRow * getRowHeight());
    }
    repaint();
}

void CProgNameTable2::closeAllFiles()
{
    // Taken before the rows go: the list box then moves its idea of the
    // last selected row to the first one still there.
    const int last = lastSelectedRow();
    list.closeAllFiles();
    if (last < 0 || last >= getNumRows())
        selectRow (getNumRows() - 1);
    repaint();
}

void CProgNameTable2::recallRow (int row)
{
    // A transfer owns the unit until its final step: a recall then would
    // play one program labelled as another.
    if (row < 0 || row >= getNumRows() || midi.isTransferRunning())
        return;

    activate();
    const int programNumber = row + kNumUserPrograms;
    replaceProgram (
        [this, row, programNumber]
        {
            dataCenter.setCurrentData (list.recordAt (row));
            dataCenter.setCurrentProgramNumber (programNumber);
            midi.sendListRow (programNumber);
        });
    announceSelection();
}

juce::Colour CProgNameTable2::rowBackground (int row) const noexcept
{
    const auto block = juce::jlimit (0, Source::maxFiles, row / Source::perFile);
    return juce::Colour (Colours::blockRows[block]);
}

juce::String CProgNameTable2::fromText (int sourceNumber) const
{
    return fromColumnText (sourceNumber, &list);
}
} // namespace vr
