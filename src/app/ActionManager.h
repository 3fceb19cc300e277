#pragma once

#include "midi/DeferredSteps.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace vr
{
class DataCenter;
class Dialogs;
class EditSession;
class MidiReceiver;
class ShellControls;
class UnitProgramList;

// Command IDs: File 256-264, Edit 512-518, Option 1024-1026.
namespace CommandIDs
{
enum : juce::CommandID
{
    openFile = 256,
    saveAs = 257,
    closeFiles = 258,
    writeCurrentProgram = 259,
    transmitAll = 260,
    receiveAll = 261,
    quit = 262,
    exportSysex = 263,
    openBackup = 264,
    cut = 512,
    clear = 513,
    copy = 514,
    paste = 515,
    insert = 516,
    undo = 517,
    redo = 518,
    midiSetup = 1024,
    about = 1025,
    midiMonitor = 1026
};
} // namespace CommandIDs

// Holds every user command: its text, shortcut and enabled state, and what
// it does. It also asks the questions before Write, the bulk transfers and
// Quit, and runs the engine's deferred steps on the message thread.
class ActionManager : public juce::ApplicationCommandTarget, public DeferredStepTimer
{
public:
    ActionManager (DataCenter& store, MidiReceiver& engine, UnitProgramList& unitList, Dialogs& dialogs,
                   ShellControls& shell);
    ~ActionManager() override;

    // Set once the views and dialogs it acts on are in place.
    void setReady (bool isReady) noexcept { ready = isReady; }
    // The history Undo and Redo act on; without one they stay greyed.
    void setSession (EditSession* sessionToUse) noexcept { session = sessionToUse; }

    juce::ApplicationCommandTarget* getNextCommandTarget() override;
    void getAllCommands (juce::Array<juce::CommandID>& commands) override;
    void getCommandInfo (juce::CommandID commandID, juce::ApplicationCommandInfo& result) override;
    bool perform (const InvocationInfo& info) override;

    // Whether a command may run now (the enabling rules of the menus).
    bool isCommandEnabled (juce::CommandID commandID) const;

    // The flows. Each asks first and ends without effect on the second button.
    void askWriteCurrentProgram();
    void writeCurrentProgram();
    // Returns true when it started a transfer.
    bool transmitAllPrograms (bool askFirst, bool modifiedOnly);
    bool receiveAllPrograms();
    // Ends the running transfer at once, as the watchdog would.
    void stopTransfer();
    void askQuit();
    // True when it started a transmit and the quit waits for it.
    bool quitWithUpdate();

    bool isQuitPending() const noexcept { return quitPending; }

    // Every question's texts, declared once.
    static juce::String writeQuestionText (int programNumber);
    static juce::String factoryWriteQuestionText (int programNumber);
    static juce::String transmitQuestionText (int modelCode);
    static juce::String receiveOverChangesText (int changedSlots, bool edited);
    static juce::String unwrittenEditText (int programNumber, const juce::String& name);
    static juce::String abandonedTransferText (int programNumber, bool wasTransmit);

private:
    // Back to the edited version before anything acts on the program.
    void endCompare();
    void runStep (int code);
    void reportAbandonedTransfer (int programNumber, bool wasTransmit);
    // A Write or Transmit All read back programs the unit did not store as sent.
    void reportNotStored (const std::vector<int>& programNumbers, bool afterTransmit);
    // An OK-only warning shown once the message loop is back, then `afterwards`.
    void warnFromMessageLoop (const juce::String& title, const juce::String& message,
                              std::function<void()> afterwards = {});
    static juce::String notStoredText (const std::vector<int>& programNumbers, bool afterTransmit);
    bool askReceiveOverChanges (int changedSlots);
    bool ask (int question, const juce::String& message);
    bool transferRunning() const noexcept;

    DataCenter& dataCenter;
    MidiReceiver& midiReceiver;
    UnitProgramList& unitList;
    Dialogs& dialogs;
    ShellControls& shell;
    EditSession* session{nullptr};
    bool ready{false};
    bool quitPending{false};
    bool quitNeedsEverySlotSent{false};
    // Lets a report queued on the message loop notice that this object went.
    std::shared_ptr<bool> alive{std::make_shared<bool> (true)};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ActionManager)
};

// The File, Edit and Option menus, all of command items.
class MenuBarManager : public juce::MenuBarModel
{
public:
    explicit MenuBarManager (juce::ApplicationCommandManager& commands);

    juce::StringArray getMenuBarNames() override;
    juce::PopupMenu getMenuForIndex (int topLevelMenuIndex, const juce::String& menuName) override;
    void menuItemSelected (int, int) override {}
    // A closed menu leaves no picture of itself behind.
    void menuBarActivated (bool isActive) override;

private:
    juce::ApplicationCommandManager& commandManager;
};
} // namespace vr
