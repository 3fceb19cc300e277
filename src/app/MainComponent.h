#pragma once

#include "ShellControls.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace vr
{
class ActionManager;
class CAboutDialogComponent;
class CMidiSetupComponent;
class DataCenter;
class Dialogs;
class EditSession;
class EditParamComponent;
class MenuBarManager;
class MidiMonitor;
class MidiMonitorWindow;
class MidiPortDirectory;
class MidiReceiver;
class PGNameEditComponent;
class ReceiveBackups;
class TransferProgressComponent;
class VRLibComponent;

// The window's content: both views, the name strip over them, the two mode
// buttons, the MIDI setup and About dialogs, and the command machinery.
class MainComponent : public juce::Component,
                      public juce::ApplicationCommandTarget,
                      public juce::ChangeListener,
                      public ShellControls,
                      private juce::Button::Listener
{
public:
    MainComponent (DataCenter& store, MidiReceiver& engine, MidiPortDirectory& ports,
                   juce::ChangeBroadcaster& programSelection, Dialogs& dialogs);
    ~MainComponent() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    // Every view greys out while a transfer runs; the progress bar stays live.
    void setViewsEnabled (bool enabled) override;

    void changeListenerCallback (juce::ChangeBroadcaster* source) override;

    // No commands of its own: everything goes on to the command target.
    juce::ApplicationCommandTarget* getNextCommandTarget() override;
    void getAllCommands (juce::Array<juce::CommandID>&) override {}
    void getCommandInfo (juce::CommandID, juce::ApplicationCommandInfo&) override {}
    bool perform (const InvocationInfo&) override { return false; }

    // ShellControls
    void programChanged() override;
    void enableTransferButtons() override;
    void selectProgramRow (int programNumber) override;
    int getUnitLastSelectedRow() const override;
    void openFile() override;
    void openBackup() override;
    void saveAs() override;
    void exportSysex() override;
    void closeFiles() override;
    void cut() override;
    void clear() override;
    void copy() override;
    void paste() override;
    void insert() override;
    void showMidiSetup() override;
    void showAboutDialog() override;
    void showMidiMonitor() override;
    // What the MIDI monitor window lists; without one Option > MIDI Monitor
    // does nothing.
    void setMidiMonitor (MidiMonitor* monitorToShow) noexcept { midiMonitor = monitorToShow; }
    void quitApplication() override;

    void showEditor();
    void showLibrary();

    // A start of the program was given these files (absolute paths): the
    // window comes to the front and opens each in turn.
    void openFromAnotherStart (const juce::StringArray& paths);

    // From here on, every Receive All that completes is kept in the backups
    // folder (BackupStore::defaultFolder). The program's window turns it on;
    // tests and the simulation leave it off.
    void keepReceiveBackups();

    juce::ApplicationCommandManager& getCommandManager() noexcept { return *commandManager; }
    juce::MenuBarModel& getMenuModel() noexcept;
    ActionManager& getActionManager() noexcept { return *actionManager; }
    // The program being edited: its compare and the undo history.
    EditSession& getSession() noexcept { return *session; }
    VRLibComponent& getLibraryView() noexcept { return *libraryView; }
    EditParamComponent& getEditorView() noexcept { return *editorView; }
    PGNameEditComponent& getNameStrip() noexcept { return *nameStrip; }
    CMidiSetupComponent& getMidiSetup() noexcept { return *midiSetup; }
    CAboutDialogComponent& getAboutDialog() noexcept { return *aboutDialog; }

private:
    static constexpr int kShowPollMs = 50;

    void buttonClicked (juce::Button* button) override;
    // Opens a start's files once the window shows and no transfer runs.
    void openFilesWhenOpenIsAllowed (const juce::StringArray& paths);
    // The unit went out of reach or never answered: say so.
    void reportLinkProblem (const juce::String& message);
    // After an undo or redo: the views show the store again.
    void historyApplied (bool programReplaced);
    void compareChanged (bool comparing);

    DataCenter& dataCenter;
    MidiReceiver& midiReceiver;
    juce::ChangeBroadcaster& programSelection;
    Dialogs& dialogs;

    // Before the views that keep a pointer to it, so it outlives them.
    std::unique_ptr<EditSession> session;
    std::unique_ptr<juce::ApplicationCommandManager> commandManager;
    std::unique_ptr<ActionManager> actionManager;
    std::unique_ptr<MenuBarManager> menuBarManager;
    std::unique_ptr<VRLibComponent> libraryView;
    std::unique_ptr<EditParamComponent> editorView;
    std::unique_ptr<PGNameEditComponent> nameStrip;
    std::unique_ptr<CMidiSetupComponent> midiSetup;
    std::unique_ptr<CAboutDialogComponent> aboutDialog;
    std::unique_ptr<TransferProgressComponent> transferProgress;
    MidiMonitor* midiMonitor{nullptr};
    std::unique_ptr<MidiMonitorWindow> monitorWindow;
    juce::TextButton m_ModeButtonEditor;
    juce::TextButton m_ModeButtonPGList;
    // Last, so it goes first: it holds on to the unit list and the engine.
    std::unique_ptr<ReceiveBackups> receiveBackups;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainComponent)
};
} // namespace vr
