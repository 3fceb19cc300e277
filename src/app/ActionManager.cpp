#include "ActionManager.h"

#include "Dialogs.h"
#include "ShellControls.h"
#include "data/DataCenter.h"
#include "editor/EditSession.h"
#include "library/Clipboard.h"
#include "library/ProgramLists.h"
#include "midi/MidiReceiver.h"
#include "midi/SysexMessages.h"

#include <iostream>

namespace vr
{
namespace
{
struct CommandSpec
{
    juce::CommandID id;
    const char* shortName;
    const char* description;
    const char* category;
    int key; // with Ctrl; 0 for none
};

// In the order the commands are listed.
const CommandSpec commandTable[] = {
    {CommandIDs::openFile, "Open File...", "Open .vrm File", "File", 'o'},
    {CommandIDs::openBackup, "Open Backup...", "Open a Backup of Received Programs", "File", 0},
    {CommandIDs::saveAs, "Save As...", "Save .vrm File", "File", 's'},
    {CommandIDs::closeFiles, "Close File(s)", "Close .vrm File", "File", 'w'},
    {CommandIDs::exportSysex, "Export SysEx...", "Export .syx File", "File", 'e'},
    {CommandIDs::writeCurrentProgram, "Write Current Program...", "Write Current Program", "File", 0},
    {CommandIDs::transmitAll, "Transmit All Programs...", "Tx to VRwren", "File", 0},
    {CommandIDs::receiveAll, "Receive All Programs...", "Rx from VRwren", "File", 0},
    {CommandIDs::quit, "Quit", "Quit...", "File", 'q'},
    {CommandIDs::cut, "Cut", "Cut Selection(s)", "Edit", 'x'},
    {CommandIDs::clear, "Clear", "Clear Selection(s)", "Edit", 'd'},
    {CommandIDs::copy, "Copy", "Copy Selection(s)", "Edit", 'c'},
    {CommandIDs::paste, "Paste", "Paste Clipboard", "Edit", 'v'},
    {CommandIDs::insert, "Insert", "Insert Clipboard", "Edit", 'i'},
    {CommandIDs::undo, "Undo", "Undo the last change", "Edit", 'z'},
    {CommandIDs::redo, "Redo", "Redo the last undone change", "Edit", 'y'},
    {CommandIDs::midiSetup, "MIDI Setup...", "Open MIDI Setup", "Option", 0},
    {CommandIDs::midiMonitor, "MIDI Monitor...", "Open MIDI Monitor", "Option", 0},
    {CommandIDs::about, "About", "Open About Dialog", "Option", 0},
};

const CommandSpec* findCommand (juce::CommandID id)
{
    for (const auto& entry : commandTable)
        if (entry.id == id)
            return &entry;
    return nullptr;
}

// Menu contents; 0 is a separator.
const juce::CommandID fileMenu[] = {CommandIDs::openFile,
                                    CommandIDs::openBackup,
                                    CommandIDs::saveAs,
                                    CommandIDs::exportSysex,
                                    CommandIDs::closeFiles,
                                    0,
                                    CommandIDs::writeCurrentProgram,
                                    0,
                                    CommandIDs::transmitAll,
                                    CommandIDs::receiveAll,
                                    0,
                                    CommandIDs::quit};
const juce::CommandID editMenu[] = {CommandIDs::undo,   CommandIDs::redo, 0,
                                    CommandIDs::cut,    CommandIDs::copy, CommandIDs::paste,
                                    CommandIDs::insert, CommandIDs::clear};
const juce::CommandID optionMenu[] = {CommandIDs::midiSetup, CommandIDs::midiMonitor, CommandIDs::about};

enum Question
{
    writeQuestion,
    factoryWriteQuestion,
    transmitQuestion,
    receiveQuestion,
    quitQuestion,
    updateQuestion,
    quitDuringTransferQuestion,
    receiveOverChangesQuestion
};

struct QuestionSpec
{
    AlertText::Icon icon;
    const char* title;
    const char* firstButton;
    const char* secondButton;
};

// Indexed by Question; the button texts differ in their spaces on purpose.
const QuestionSpec questions[] = {
    {AlertText::Icon::warning, "Write:", " OK ", "Cancel"},
    {AlertText::Icon::warning, "Warning :", " OK ", "Cancel"},
    {AlertText::Icon::warning, "Transmit:", " OK ", "Cancel"},
    {AlertText::Icon::warning, "Receive:", "  OK  ", "Cancel"},
    {AlertText::Icon::warning, "Quit:", "  OK  ", "Cancel"},
    {AlertText::Icon::question, "Update:", "  Yes ", "  No  "},
    {AlertText::Icon::warning, "Quit:", "Stop and quit", "Keep it running"},
    {AlertText::Icon::warning, "Receive:", "Receive", "Keep my changes"},
};

const char* const receiveMessage = "This command will overwrite current list. \nAre you sure?";
const char* const quitMessage = "Are you sure?";
const char* const updateMessage = "Transmit all modified programs before quitting?";
const char* const quitDuringTransferMessage = "A transfer is running.\nStop it and quit, or keep it running?";

// Commands that would start a second transfer or change what is being sent.
bool offDuringTransfer (juce::CommandID id)
{
    switch (id)
    {
        case CommandIDs::transmitAll:
        case CommandIDs::receiveAll:
        case CommandIDs::writeCurrentProgram:
        case CommandIDs::midiSetup:
        case CommandIDs::openFile:
        case CommandIDs::openBackup:
        case CommandIDs::closeFiles:
        case CommandIDs::exportSysex:
        case CommandIDs::paste:
        case CommandIDs::insert:
        case CommandIDs::cut:
        case CommandIDs::clear:
        case CommandIDs::undo:
        case CommandIDs::redo:
            return true;
        default:
            return false;
    }
}

juce::String slotText (int programNumber)
{
    return juce::String::formatted ("%03d", programNumber % 200);
}
} // namespace

ActionManager::ActionManager (DataCenter& store, MidiReceiver& engine, UnitProgramList& units,
                              Dialogs& dialogsToUse, ShellControls& shellToUse)
    : dataCenter (store)
    , midiReceiver (engine)
    , unitList (units)
    , dialogs (dialogsToUse)
    , shell (shellToUse)
{
    onStep = [this] (int code) { runStep (code); };
    onTransferAbandoned = [this] (int programNumber, bool wasTransmit)
    { reportAbandonedTransfer (programNumber, wasTransmit); };
    onConfirmReceive = [this] (int changedSlots) { return askReceiveOverChanges (changedSlots); };
    onNotStored = [this] (const std::vector<int>& programNumbers, bool afterTransmit)
    { reportNotStored (programNumbers, afterTransmit); };
}

ActionManager::~ActionManager()
{
    *alive = false;
}

//==============================================================================
juce::ApplicationCommandTarget* ActionManager::getNextCommandTarget()
{
    return juce::JUCEApplication::getInstance();
}

void ActionManager::getAllCommands (juce::Array<juce::CommandID>& commands)
{
    for (const auto& entry : commandTable)
        commands.add (entry.id);
}

void ActionManager::getCommandInfo (juce::CommandID commandID, juce::ApplicationCommandInfo& result)
{
    const auto* entry = findCommand (commandID);
    if (entry == nullptr)
        return;

    result.setInfo (entry->shortName, entry->description, entry->category, 0);
    if (entry->key != 0)
        result.addDefaultKeypress (entry->key, juce::ModifierKeys::ctrlModifier);

    // The menu names what would be undone or redone.
    if (commandID == CommandIDs::undo && session != nullptr)
        result.shortName = session->undoMenuText();
    if (commandID == CommandIDs::redo)
    {
        result.addDefaultKeypress ('z', juce::ModifierKeys::ctrlModifier | juce::ModifierKeys::shiftModifier);
        if (session != nullptr)
            result.shortName = session->redoMenuText();
    }
    result.setActive (isCommandEnabled (commandID));
}

bool ActionManager::transferRunning() const noexcept
{
    return midiReceiver.isTransferRunning();
}

bool ActionManager::isCommandEnabled (juce::CommandID commandID) const
{
    // Checked before anything else is known.
    if (offDuringTransfer (commandID) && transferRunning())
        return false;
    if (!ready)
        return true;

    const int lastSelected = shell.getUnitLastSelectedRow();
    // The unit list is not on screen in the editor view: an edit there would
    // empty or move slots with nothing to show it.
    const bool listShown = dataCenter.viewMode != 1;

    switch (commandID)
    {
        case CommandIDs::writeCurrentProgram:
            return dataCenter.viewMode == 1;
        case CommandIDs::transmitAll:
        case CommandIDs::receiveAll:
            return dataCenter.connected;
        case CommandIDs::cut:
            return listShown && ClipboardCommands::canCut (unitList, lastSelected);
        case CommandIDs::clear:
            return listShown && ClipboardCommands::canClear (unitList, lastSelected);
        case CommandIDs::copy:
            return ClipboardCommands::canCopy (unitList);
        case CommandIDs::paste:
            return listShown && ClipboardCommands::canPaste (unitList, lastSelected);
        case CommandIDs::insert:
            return listShown && ClipboardCommands::canInsert (unitList, lastSelected);
        case CommandIDs::undo:
            return session != nullptr && session->canUndo();
        case CommandIDs::redo:
            return session != nullptr && session->canRedo();
        default:
            return true;
    }
}

bool ActionManager::perform (const InvocationInfo& info)
{
    switch (info.commandID)
    {
        case CommandIDs::openFile:
            shell.openFile();
            break;
        case CommandIDs::openBackup:
            shell.openBackup();
            break;
        case CommandIDs::saveAs:
            shell.saveAs();
            break;
        case CommandIDs::exportSysex:
            shell.exportSysex();
            break;
        case CommandIDs::closeFiles:
            shell.closeFiles();
            break;
        case CommandIDs::writeCurrentProgram:
            askWriteCurrentProgram();
            break;
        case CommandIDs::transmitAll:
            transmitAllPrograms (true, false);
            break;
        case CommandIDs::receiveAll:
            receiveAllPrograms();
            break;
        case CommandIDs::quit:
            askQuit();
            break;
        case CommandIDs::cut:
            shell.cut();
            break;
        case CommandIDs::clear:
            shell.clear();
            break;
        case CommandIDs::copy:
            shell.copy();
            break;
        case CommandIDs::paste:
            shell.paste();
            break;
        case CommandIDs::insert:
            shell.insert();
            break;
        case CommandIDs::undo:
            if (session != nullptr)
                session->undo();
            break;
        case CommandIDs::redo:
            if (session != nullptr)
                session->redo();
            break;
        case CommandIDs::midiSetup:
            shell.showMidiSetup();
            break;
        case CommandIDs::about:
            shell.showAboutDialog();
            break;
        case CommandIDs::midiMonitor:
            shell.showMidiMonitor();
            break;
        default:
            return false;
    }
    return true;
}

//==============================================================================
juce::String ActionManager::writeQuestionText (int programNumber)
{
    return "Write current program to " + slotText (programNumber) + "\nAre you sure?";
}

juce::String ActionManager::factoryWriteQuestionText (int programNumber)
{
    return "Write to " + slotText (programNumber) + " ?";
}

juce::String ActionManager::transmitQuestionText (int modelCode)
{
    return juce::String ("This command will overwrite 200 programs of your VORANTE ") +
           sysex::modelName (static_cast<std::uint8_t> (modelCode)) + ". \nAre you sure?";
}

bool ActionManager::ask (int question, const juce::String& message)
{
    const auto& entry = questions[question];
    AlertText alert;
    alert.icon = entry.icon;
    alert.title = entry.title;
    alert.message = message;
    alert.buttons = {entry.firstButton, entry.secondButton};
    return dialogs.show (alert) == 0;
}

juce::String ActionManager::receiveOverChangesText (int changedSlots, bool edited)
{
    const juce::String slots = juce::String (changedSlots) + " changed slots that were not transmitted";
    const juce::String edits = "the edits of the current program that were not written";
    if (changedSlots > 0 && edited)
        return "The unit's programs will replace " + slots + ", and " + edits + ".";
    return "The unit's programs will replace " + (changedSlots > 0 ? slots : edits) + ".";
}

bool ActionManager::askReceiveOverChanges (int changedSlots)
{
    return ask (receiveOverChangesQuestion, receiveOverChangesText (changedSlots, dataCenter.isEdited()));
}

juce::String ActionManager::unwrittenEditText (int programNumber, const juce::String& name)
{
    return "Program " + juce::String::formatted ("%03d", programNumber) + " \"" + name.trimEnd() +
           "\" has edits that were not written.\nWrite them, or discard them and quit?";
}

void ActionManager::askWriteCurrentProgram()
{
    // What is written, and what a transfer keeps aside, is the edited version.
    endCompare();
    if (ask (writeQuestion, writeQuestionText (dataCenter.selectedProgram)))
        writeCurrentProgram();
}

void ActionManager::writeCurrentProgram()
{
    // What is written is the edited version.
    endCompare();
    const int n = dataCenter.selectedProgram;
    int target = n;
    if (n >= kNumUserPrograms)
    {
        // A factory program is selected: it goes to the slot of the same number.
        if (!ask (factoryWriteQuestion, factoryWriteQuestionText (n)))
            return;
        target = n % kNumUserPrograms;
    }

    // A transfer may have started while a question was up (an identified
    // unit starts one by itself): the write would land in the middle of it.
    if (transferRunning())
        return;

    for (int i = 0; i < kRecordSize; ++i)
        unitList.storeByte (target, i, dataCenter.current[static_cast<size_t> (i)]);
    midiReceiver.sendWriteRequest (target);
    unitList.setRowName (target, dataCenter.getName());
    dataCenter.setSelectedProgram (target);
    dataCenter.setCurrentProgramNumber (target);
    // Marked until the unit acknowledges the write.
    dataCenter.markAgainstUnit (target, unitList.recordAt (target));
    if (session != nullptr)
        session->written();
    else
        dataCenter.markWritten();
    unitList.changed();
}

bool ActionManager::transmitAllPrograms (bool askFirst, bool modifiedOnly)
{
    endCompare();
    if (askFirst && !ask (transmitQuestion, transmitQuestionText (dataCenter.modelCode)))
        return false;

    if (transferRunning())
        return false;
    shell.setViewsEnabled (false);
    if (midiReceiver.startTransmitAll (modifiedOnly))
        return true;
    shell.setViewsEnabled (true);
    return false;
}

bool ActionManager::receiveAllPrograms()
{
    endCompare();
    if (!ask (receiveQuestion, receiveMessage))
        return false;

    if (transferRunning())
        return false;
    shell.setViewsEnabled (false);
    if (midiReceiver.startReceiveAll())
        return true;
    shell.setViewsEnabled (true);
    return false;
}

void ActionManager::endCompare()
{
    if (session != nullptr)
        session->endCompare();
}

void ActionManager::stopTransfer()
{
    // A quit that waited for this transfer must not go ahead with programs unsent.
    quitPending = false;
    quitNeedsEverySlotSent = false;
    midiReceiver.stopTransfer();
}

void ActionManager::askQuit()
{
    if (transferRunning())
    {
        // Never a second transfer beside this one: stop it (the final step
        // gives the unit its edit buffer back, then the program ends) or go on.
        if (ask (quitDuringTransferQuestion, quitDuringTransferMessage))
        {
            stopTransfer();
            if (transferRunning())
                quitPending = true;
            else
                shell.quitApplication();
        }
        return;
    }

    // An unwritten edit is named first: Quit would lose it without a word.
    if (dataCenter.isEdited())
    {
        endCompare();
        AlertText alert;
        alert.icon = AlertText::Icon::warning;
        alert.title = "Quit:";
        alert.message = unwrittenEditText (dataCenter.selectedProgram, dataCenter.getName());
        alert.buttons = {"Write", "Discard", "Cancel"};
        const int answer = dialogs.show (alert);
        if (answer != 0 && answer != 1)
            return;
        if (answer == 0)
        {
            writeCurrentProgram();
            if (dataCenter.isEdited())
                return; // the write was cancelled: stay
        }
    }

    if (ask (quitQuestion, quitMessage))
        quitWithUpdate();
}

bool ActionManager::quitWithUpdate()
{
    if (transferRunning())
        return false;

    if (dataCenter.connected && dataCenter.countModified() > 0 && ask (updateQuestion, updateMessage))
    {
        if (!transmitAllPrograms (false, true))
        {
            // Nothing was sent, so nothing will end and quit: the player asks again.
            return false;
        }
        quitPending = true;
        quitNeedsEverySlotSent = true;
        return true;
    }

    shell.quitApplication();
    return false;
}

//==============================================================================
void ActionManager::runStep (int code)
{
    // The automated whole-program checks wait for the steps they cause.
    static const bool traceSteps = juce::SystemStats::getEnvironmentVariable ("VR_TRACE_STEPS", {}) == "1";
    if (traceSteps)
        std::cerr << "vr-step " << code << std::endl;

    switch (code)
    {
        case DeferredStep::connected:
            shell.enableTransferButtons();
            break;
        case DeferredStep::greyOutViews:
            shell.setViewsEnabled (false);
            break;
        case DeferredStep::transferEnded:
            // Until the final step has put the edit buffer back the views stay
            // greyed: a recall in between would be overwritten by it.
            if (!midiReceiver.isTransferRunning())
                shell.setViewsEnabled (true);
            break;
        case DeferredStep::transferFinished:
            shell.selectProgramRow (dataCenter.selectedProgram);
            shell.enableTransferButtons();
            shell.setViewsEnabled (true);
            midiReceiver.finishTransfer();
            shell.programChanged();
            if (std::exchange (quitPending, false))
            {
                // A transmit the quit waited for that ended short (a port went
                // away, say) leaves programs unsent: ask again rather than lose them.
                if (std::exchange (quitNeedsEverySlotSent, false) && dataCenter.countModified() > 0)
                    juce::MessageManager::callAsync (
                        [this, token = std::weak_ptr<bool> (alive)]
                        {
                            if (!token.expired())
                                askQuit();
                        });
                else
                    shell.quitApplication();
            }
            break;
        case DeferredStep::programSelected:
            shell.selectProgramRow (dataCenter.selectedProgram);
            shell.programChanged();
            break;
        default:
            break;
    }
}

juce::String ActionManager::abandonedTransferText (int programNumber, bool wasTransmit)
{
    const auto awaited = programNumber < 0 ? juce::String ("while waiting for the unit's edit buffer")
                                           : "at program " + juce::String::formatted ("%03d", programNumber);
    return juce::String (wasTransmit ? "Transmit" : "Receive") + " stopped " + awaited +
           ": the unit did not answer.\n" +
           (wasTransmit ? "Programs not sent stay marked as modified." : "Check the MIDI connection.");
}

void ActionManager::reportAbandonedTransfer (int programNumber, bool wasTransmit)
{
    // A quit that waited for this transfer must not go ahead with programs unsent.
    const bool quitWasPending = std::exchange (quitPending, false);
    quitNeedsEverySlotSent = false;

    warnFromMessageLoop (
        wasTransmit ? "Transmit:" : "Receive:", abandonedTransferText (programNumber, wasTransmit),
        [this, quitWasPending]
        {
            if (quitWasPending)
                askQuit();
        });
}

void ActionManager::warnFromMessageLoop (const juce::String& title, const juce::String& message,
                                         std::function<void()> afterwards)
{
    // Told from the message loop, not from inside the engine's handling.
    juce::MessageManager::callAsync (
        [this, token = std::weak_ptr<bool> (alive), title, message, afterwards = std::move (afterwards)]
        {
            if (token.expired())
                return;
            AlertText alert;
            alert.icon = AlertText::Icon::warning;
            alert.title = title;
            alert.message = message;
            alert.buttons = {"  OK  "};
            dialogs.show (alert);
            if (afterwards)
                afterwards();
        });
}

juce::String ActionManager::notStoredText (const std::vector<int>& programNumbers, bool afterTransmit)
{
    auto number = [] (int n) { return juce::String::formatted ("%03d", n); };
    if (!afterTransmit && programNumbers.size() == 1)
        return "The unit did not store program " + number (programNumbers.front()) + " as it was sent.";
    juce::StringArray numbers;
    for (const int n : programNumbers)
        numbers.add (number (n));
    const auto count = static_cast<int> (programNumbers.size());
    return juce::String (count) + (count == 1 ? " program was" : " programs were") +
           " not stored as sent: " + numbers.joinIntoString (", ") + ".";
}

void ActionManager::reportNotStored (const std::vector<int>& programNumbers, bool afterTransmit)
{
    warnFromMessageLoop (afterTransmit ? "Transmit:" : "Write:",
                         notStoredText (programNumbers, afterTransmit));
}

//==============================================================================
MenuBarManager::MenuBarManager (juce::ApplicationCommandManager& commands)
    : commandManager (commands)
{
    setApplicationCommandManagerToWatch (&commandManager);
}

void MenuBarManager::menuBarActivated (bool isActive)
{
    if (!isActive)
        repaintAllWindows();
}

juce::StringArray MenuBarManager::getMenuBarNames()
{
    return {"File", "Edit", "Option"};
}

juce::PopupMenu MenuBarManager::getMenuForIndex (int topLevelMenuIndex, const juce::String&)
{
    auto build = [this] (const auto& items)
    {
        juce::PopupMenu menu;
        for (const auto id : items)
        {
            if (id == 0)
                menu.addSeparator();
            else
                menu.addCommandItem (&commandManager, id);
        }
        return menu;
    };

    switch (topLevelMenuIndex)
    {
        case 0:
            return build (fileMenu);
        case 1:
            return build (editMenu);
        case 2:
            return build (optionMenu);
        default:
            return {};
    }
}
} // namespace vr
