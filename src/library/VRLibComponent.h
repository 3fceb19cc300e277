#pragma once

#include "CProgNameTable.h"
#include "Clipboard.h"
#include "LibraryFile.h"

#include <functional>
#include <optional>

namespace vr
{
class DataCenter;
class Dialogs;
class EditSession;
class MidiReceiver;

// The library view: the unit's slots on the left, the factory programs and
// open files on the right, the transfer and file buttons, and library files
// dropped on it. The clipboard and file commands of the menus land here.
class VRLibComponent : public juce::Component,
                       public juce::FileDragAndDropTarget,
                       private juce::Button::Listener
{
public:
    VRLibComponent (DataCenter& store, MidiReceiver& engine, juce::ChangeBroadcaster& programSelection,
                    Dialogs& dialogs);
    ~VRLibComponent() override;

    CProgNameTable& getUnitTable() noexcept { return unitTable; }
    CProgNameTable2& getRomTable() noexcept { return romTable; }
    UnitProgramList& getUnitList() noexcept { return unitTable.getList(); }
    RomFileProgramList& getRomList() noexcept { return romTable.getList(); }

    // The shell's confirmation flows behind "Receive All" and "Transmit All".
    std::function<void()> onReceiveAll;
    std::function<void()> onTransmitAll;

    // Where recalls and list edits are kept for Undo (not owned; none: not kept).
    void setSession (EditSession* sessionToUse) noexcept;

    // "Receive All" and "Transmit All" work only with a unit connected.
    void updateTransferButtons();

    // Clears both selections and selects the row of program n (0-199 the
    // unit list, 200-399 the factory programs), scrolled into view; nothing
    // is recalled.
    void selectProgramRow (int programNumber);

    // Clipboard commands on the active list, and whether the menus enable them.
    void cut();
    void clear();
    void copy();
    void paste();
    void insert();
    bool canCut() const;
    bool canClear() const;
    bool canCopy() const;
    bool canPaste() const;
    bool canInsert() const;

    // File commands. Open and the command-line file return whether a file was added.
    bool openFile();
    // Open with the chooser in the receive backups' folder (BackupStore.h).
    bool openBackup();
    bool saveAs();
    // The selected rows of the active list, or the whole unit list when
    // none is selected, as a ".syx" file.
    bool exportSysex();
    void closeAllFiles();
    // The file named on the command line or handed over by another start;
    // it waits while a file flow (and its dialog) is in front. True when it
    // was added now.
    bool openCommandLineFile (const juce::File& file);

    void paint (juce::Graphics& g) override;

    bool isInterestedInFileDrag (const juce::StringArray& files) override;
    void filesDropped (const juce::StringArray& files, int x, int y) override;

private:
    void buttonClicked (juce::Button* button) override;

    // A file was added, whichever way it came: its first row is shown selected.
    void fileOpened (int firstRow);
    bool openFrom (const juce::File& folder, const juce::String& title);
    void apply (const ClipboardOutcome& outcome);
    // Runs a list edit as a step of the history, when there is one.
    void editList (const char* what, const std::function<ClipboardOutcome()>& operation);
    ProgramTable& activeTable() noexcept;

    DataCenter& dataCenter;
    EditSession* session{nullptr};
    CProgNameTable unitTable;
    CProgNameTable2 romTable;
    juce::TextButton m_ButtonRx;
    juce::TextButton m_ButtonTx;
    juce::TextButton m_ButtonOpen;
    juce::TextButton m_ButtonSave;
    ClipboardCommands clipboard;
    LibraryFiles files;
    HandOverQueue handOvers;
    bool handOverAdded{false};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VRLibComponent)
};
} // namespace vr
