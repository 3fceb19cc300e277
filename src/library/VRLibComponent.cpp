#include "VRLibComponent.h"

#include "../data/CZELKResource.h"
#include "../data/DataCenter.h"
#include "../editor/EditSession.h"
#include "BackupStore.h"
#include "SysexFile.h"

namespace vr
{
namespace
{
struct Bounds
{
    int x, y, width, height;
    juce::Rectangle<int> rect() const noexcept { return {x, y, width, height}; }
};

constexpr int kViewWidth = 800;
constexpr int kViewHeight = 600;
constexpr int kPictureY = -3; // the picture sits 3 pixels higher than the view
constexpr Bounds kUnitTable{86, 210, 265, 316};
constexpr Bounds kRomTable{361, 210, 265, 316};

namespace ButtonColours
{
constexpr juce::uint32 active = 0xE0FFCCDD;
constexpr juce::uint32 inactive = 0x80FFCCDD;
// The buttons are light; their captions need to be dark to read.
constexpr juce::uint32 text = 0xFF2A1E22;
constexpr juce::uint32 background = 0xFF000000;
} // namespace ButtonColours

enum class ButtonId
{
    receive,
    transmit,
    open,
    save
};

struct ButtonSpec
{
    ButtonId id;
    const char* name;
    const char* text;
    Bounds bounds;
    bool needsUnit;
};

// In creation order; the picture has a recess behind each, "FILE" above the
// first two from the top and "UNIT" below the last two.
constexpr ButtonSpec kButtons[] = {
    {ButtonId::receive, "m_ButtonRx", "Receive All", {640, 480, 80, 30}, true},
    {ButtonId::transmit, "m_ButtonTx", "Transmit All", {640, 432, 80, 30}, true},
    {ButtonId::open, "m_ButtonOpen", "Open File", {640, 336, 80, 30}, false},
    {ButtonId::save, "m_ButtonSave", "Save As...", {640, 384, 80, 30}, false},
};
} // namespace

VRLibComponent::VRLibComponent (DataCenter& store, MidiReceiver& engine,
                                juce::ChangeBroadcaster& programSelection, Dialogs& dialogs)
    : dataCenter (store)
    , unitTable (store, engine, programSelection)
    , romTable (store, engine, programSelection, unitTable.getList())
    , clipboard (store, unitTable.getList(), romTable.getList(), dialogs)
    , files (store, unitTable.getList(), romTable.getList(), dialogs)
    , handOvers (
          [this] (const juce::File& file)
          {
              const int firstRow = files.openCommandLineFile (file);
              handOverAdded = firstRow >= 0;
              if (handOverAdded)
                  fileOpened (firstRow);
          })
{
    addAndMakeVisible (unitTable);
    unitTable.setName ("VRListRAM");
    addAndMakeVisible (romTable);
    romTable.setName ("VRListROM");
    unitTable.setBounds (kUnitTable.rect());
    romTable.setBounds (kRomTable.rect());
    unitTable.setFileNameSource (&romTable.getList());

    // A press in one table makes its list the active one; the other lets go of its rows.
    unitTable.onActivated = [this]
    {
        romTable.deselectAllRows();
        romTable.repaint();
    };
    romTable.onActivated = [this]
    {
        unitTable.deselectAllRows();
        unitTable.repaint();
    };

    for (const auto& entry : kButtons)
    {
        auto& button = entry.id == ButtonId::receive    ? m_ButtonRx
                       : entry.id == ButtonId::transmit ? m_ButtonTx
                       : entry.id == ButtonId::open     ? m_ButtonOpen
                                                        : m_ButtonSave;
        button.setName (entry.name);
        button.setTooltip ({});
        addAndMakeVisible (button);
        button.setButtonText (entry.text);
        button.setConnectedEdges (juce::Button::ConnectedOnLeft | juce::Button::ConnectedOnRight);
        button.addListener (this);
        button.setColour (juce::TextButton::buttonColourId,
                          juce::Colour (entry.needsUnit ? ButtonColours::inactive : ButtonColours::active));
        button.setColour (juce::TextButton::textColourOffId, juce::Colour (ButtonColours::text));
        button.setColour (juce::TextButton::textColourOnId, juce::Colour (ButtonColours::text));
        button.setBounds (entry.bounds.rect());
    }
    m_ButtonRx.setEnabled (false);
    m_ButtonTx.setEnabled (false);

    setSize (kViewWidth, kViewHeight);
    unitTable.fill();
    romTable.fill();
}

VRLibComponent::~VRLibComponent()
{
    for (auto* button : {&m_ButtonRx, &m_ButtonTx, &m_ButtonOpen, &m_ButtonSave})
        button->removeListener (this);
}

void VRLibComponent::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (ButtonColours::background));
    // Decoded for each paint and let go afterwards, as every view does with its picture.
    if (auto* resources = CZELKResource::getInstancePointer())
        if (auto image = resources->loadImage ("VRLibBG", "png"))
            g.drawImageAt (*image, 0, kPictureY);
}

void VRLibComponent::updateTransferButtons()
{
    const bool on = dataCenter.connected;
    for (auto* button : {&m_ButtonRx, &m_ButtonTx})
    {
        button->setEnabled (on);
        button->setColour (juce::TextButton::buttonColourId,
                           juce::Colour (on ? ButtonColours::active : ButtonColours::inactive));
    }
}

void VRLibComponent::selectProgramRow (int programNumber)
{
    unitTable.deselectAllRows();
    romTable.deselectAllRows();
    if (isUserProgram (programNumber))
        unitTable.selectRow (programNumber);
    else if (programNumber >= kNumUserPrograms && programNumber < kNumPrograms)
        romTable.selectRow (programNumber - kNumUserPrograms);
}

void VRLibComponent::buttonClicked (juce::Button* button)
{
    if (button == &m_ButtonRx)
    {
        if (onReceiveAll)
            onReceiveAll();
    }
    else if (button == &m_ButtonTx)
    {
        if (onTransmitAll)
            onTransmitAll();
    }
    else if (button == &m_ButtonOpen)
    {
        openFile();
    }
    else if (button == &m_ButtonSave)
    {
        saveAs();
    }
}

//==============================================================================
ProgramTable& VRLibComponent::activeTable() noexcept
{
    if (dataCenter.activeList == 0)
        return unitTable;
    return romTable;
}

void VRLibComponent::apply (const ClipboardOutcome& outcome)
{
    if (outcome.selectUnitRow >= 0)
        unitTable.selectRow (outcome.selectUnitRow);
    if (outcome.unitListChanged)
        unitTable.repaint();
}

void VRLibComponent::cut()
{
    editList ("Cut", [this] { return clipboard.cut (activeTable().currentSelection()); });
}

void VRLibComponent::clear()
{
    editList ("Clear", [this] { return clipboard.clear (activeTable().currentSelection()); });
}

void VRLibComponent::copy()
{
    apply (clipboard.copy (activeTable().currentSelection()));
}

void VRLibComponent::setSession (EditSession* sessionToUse) noexcept
{
    session = sessionToUse;
    unitTable.setSession (sessionToUse);
    romTable.setSession (sessionToUse);
}

void VRLibComponent::editList (const char* what, const std::function<ClipboardOutcome()>& operation)
{
    if (session != nullptr)
        session->recordListEdit (what, [this, &operation] { apply (operation()); });
    else
        apply (operation());
}

void VRLibComponent::paste()
{
    editList ("Paste", [this] { return clipboard.paste (activeTable().currentSelection()); });
}

void VRLibComponent::insert()
{
    editList ("Insert", [this] { return clipboard.insert (activeTable().currentSelection()); });
}

bool VRLibComponent::canCut() const
{
    return ClipboardCommands::canCut (unitTable.getList(), unitTable.lastSelectedRow());
}

bool VRLibComponent::canClear() const
{
    return ClipboardCommands::canClear (unitTable.getList(), unitTable.lastSelectedRow());
}

bool VRLibComponent::canCopy() const
{
    return ClipboardCommands::canCopy (unitTable.getList());
}

bool VRLibComponent::canPaste() const
{
    return ClipboardCommands::canPaste (unitTable.getList(), unitTable.lastSelectedRow());
}

bool VRLibComponent::canInsert() const
{
    return ClipboardCommands::canInsert (unitTable.getList(), unitTable.lastSelectedRow());
}

//==============================================================================
void VRLibComponent::fileOpened (int firstRow)
{
    // The new file's first row is shown selected, so the list it is in is
    // the one the clipboard commands act on.
    unitTable.deselectAllRows();
    dataCenter.activeList = 1;
    romTable.fileBlockAppended (firstRow);
}

bool VRLibComponent::openFile()
{
    return openFrom ({}, "Open");
}

bool VRLibComponent::openBackup()
{
    const BackupStore backups (BackupStore::defaultFolder());
    // Made here too, so the chooser starts there before the first backup.
    backups.makeFolder();
    return openFrom (backups.getFolder(), "Open Backup");
}

bool VRLibComponent::openFrom (const juce::File& folder, const juce::String& title)
{
    const HandOverQueue::Flow flow (handOvers);
    const int firstRow = files.open (folder, title);
    if (firstRow < 0)
        return false;
    fileOpened (firstRow);
    return true;
}

bool VRLibComponent::openCommandLineFile (const juce::File& file)
{
    handOverAdded = false;
    handOvers.add (file);
    return handOverAdded;
}

bool VRLibComponent::saveAs()
{
    const HandOverQueue::Flow flow (handOvers);
    return files.saveAs();
}

bool VRLibComponent::exportSysex()
{
    const HandOverQueue::Flow flow (handOvers);
    const auto rows = activeTable().currentSelection().rows;
    if (rows.empty())
        return files.exportSysexAs (sysexEntriesOfUnitList (unitTable.getList(), {}), "Export the unit list");

    const auto entries = dataCenter.activeList == 0 ? sysexEntriesOfUnitList (unitTable.getList(), rows)
                                                    : sysexEntriesOfRows (romTable.getList(), rows);
    // The title says what goes out, since a selected row is easy to overlook.
    return files.exportSysexAs (entries,
                                "Export " + juce::String (entries.size()) +
                                    (entries.size() == 1 ? " selected program" : " selected programs"));
}

void VRLibComponent::closeAllFiles()
{
    romTable.closeAllFiles();
    if (dataCenter.activeList == 0)
        unitTable.deselectAllRows();
}

bool VRLibComponent::isInterestedInFileDrag (const juce::StringArray&)
{
    return true;
}

void VRLibComponent::filesDropped (const juce::StringArray& paths, int, int)
{
    const HandOverQueue::Flow flow (handOvers);
    for (const int firstRow : files.dropFiles (paths))
        fileOpened (firstRow);
}
} // namespace vr
