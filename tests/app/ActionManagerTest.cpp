#include "app/ActionManager.h"
#include "app/ShellControls.h"
#include "data/DataCenter.h"
#include "editor/EditSession.h"
#include "library/ProgramLists.h"
#include "midi/MidiReceiver.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingEngine.h"

#include <gtest/gtest.h>

namespace vr
{
namespace
{
using test::bytesOf;
using test::makerCode;

class RecordingShell : public ShellControls
{
public:
    void setViewsEnabled (bool enabled) override { calls.add (enabled ? "enable views" : "grey views"); }
    void programChanged() override { calls.add ("program changed"); }
    void enableTransferButtons() override { calls.add ("transfer buttons"); }
    void selectProgramRow (int n) override { calls.add ("select " + juce::String (n)); }
    int getUnitLastSelectedRow() const override { return lastSelectedRow; }
    void openFile() override { calls.add ("open"); }
    void openBackup() override { calls.add ("open backup"); }
    void saveAs() override { calls.add ("save"); }
    void exportSysex() override { calls.add ("export"); }
    void closeFiles() override { calls.add ("close"); }
    void cut() override { calls.add ("cut"); }
    void clear() override { calls.add ("clear"); }
    void copy() override { calls.add ("copy"); }
    void paste() override { calls.add ("paste"); }
    void insert() override { calls.add ("insert"); }
    void showMidiSetup() override { calls.add ("midi setup"); }
    void showAboutDialog() override { calls.add ("about"); }
    void showMidiMonitor() override { calls.add ("midi monitor"); }
    void quitApplication() override { calls.add ("quit"); }

    juce::StringArray calls;
    int lastSelectedRow{-1};
};

struct Flows : ::testing::Test
{
    Flows()
    {
        unitList.fill();
        romList.fill();
        engine.pause = [] (int) {};
        engine.setOutput (std::make_unique<test::RecordingOutputPort> (sent));
        engine.setProgramLists (&unitList, &romList);
        engine.setCommandTarget (&actions);
        actions.setReady (true);
    }

    void receive (std::vector<std::uint8_t> payload, int code)
    {
        engine.handleMessage (test::messageOf (test::maker (code, std::move (payload))));
    }

    void pumpFor (int ms) { juce::MessageManager::getInstance()->runDispatchLoopUntil (ms); }

    std::vector<int> dumpedPrograms() const
    {
        std::vector<int> numbers;
        for (const auto& m : sent)
            if (makerCode (m) == 0x4c)
                numbers.push_back (sysex::numberFromPair (bytesOf (m)[7], bytesOf (m)[8]));
        return numbers;
    }

    DataCenter store;
    UnitProgramList unitList{store};
    RomFileProgramList romList{store};
    std::vector<juce::MidiMessage> sent;
    MidiReceiver engine{store};
    test::RecordingDialogs dialogs;
    RecordingShell shell;
    ActionManager actions{store, engine, unitList, dialogs, shell};
};
} // namespace

TEST_F (Flows, WriteToAUserSlotAsksOnceAndStoresTheEditBuffer)
{
    store.setSelectedProgram (57);
    store.setName ("MY SOUND");
    store.modified[57] = 1;
    actions.askWriteCurrentProgram();

    ASSERT_EQ (dialogs.shown.size(), 1u);
    EXPECT_EQ (dialogs.shown[0].title, "Write:");
    EXPECT_EQ (dialogs.shown[0].message, "Write current program to 057\nAre you sure?");
    EXPECT_EQ (dialogs.shown[0].buttons, juce::StringArray ({" OK ", "Cancel"}));
    EXPECT_EQ (unitList.recordAt (57), store.current);
    EXPECT_EQ (unitList.readRowName (57), "MY SOUND  ");
    EXPECT_EQ (store.modified[57], 1) << "marked until the unit acknowledges the write";
    ASSERT_FALSE (sent.empty());
    EXPECT_EQ (makerCode (sent[0]), 0x11);
    engine.handleMessage (sysex::makerMessage (store.modelCode, sysex::Code::operationCompleted));
    EXPECT_EQ (store.modified[57], 1) << "and until it is read back as written";
    engine.handleMessage (sysex::programDump (store.modelCode, 57, unitList.recordAt (57)));
    EXPECT_EQ (store.modified[57], 0);
}

TEST_F (Flows, WriteFromAFactoryProgramAsksTwiceAndTargetsTheSameSlotNumber)
{
    store.setSelectedProgram (257);
    actions.askWriteCurrentProgram();
    ASSERT_EQ (dialogs.shown.size(), 2u);
    EXPECT_EQ (dialogs.shown[0].message, "Write current program to 057\nAre you sure?");
    EXPECT_EQ (dialogs.shown[1].title, "Warning :");
    EXPECT_EQ (dialogs.shown[1].message, "Write to 057 ?");
    EXPECT_EQ (store.selectedProgram, 57);
    EXPECT_EQ (store.currentProgramNumber, 57);
    // The notice after the write still names the program selected before it.
    ASSERT_GE (sent.size(), 2u);
    EXPECT_EQ (bytesOf (sent[1]), bytesOf (sysex::programNumberNotice (0, 257)));
}

TEST_F (Flows, CancelledQuestionsChangeNothing)
{
    store.setSelectedProgram (257);
    dialogs.answers = {0, 1}; // OK to the first, Cancel to the factory question
    actions.askWriteCurrentProgram();
    EXPECT_EQ (store.selectedProgram, 257);
    EXPECT_TRUE (sent.empty());

    dialogs.answers = {1};
    EXPECT_FALSE (actions.transmitAllPrograms (true, false));
    dialogs.answers = {-1}; // dismissed
    EXPECT_FALSE (actions.receiveAllPrograms());
    dialogs.answers = {1};
    actions.askQuit();
    EXPECT_TRUE (sent.empty());
    EXPECT_TRUE (shell.calls.isEmpty());
    EXPECT_FALSE (store.bulkTransfer);
}

TEST_F (Flows, TransmitQuestionNamesTheModel)
{
    actions.transmitAllPrograms (true, false);
    EXPECT_EQ (dialogs.shown.back().message,
               "This command will overwrite 200 programs of your VORANTE wren. \nAre you sure?");
    EXPECT_TRUE (engine.isTransmitting());
    EXPECT_EQ (shell.calls, juce::StringArray ({"grey views"}));

    EXPECT_EQ (ActionManager::transmitQuestionText (8),
               "This command will overwrite 200 programs of your VORANTE heron. \nAre you sure?");
    EXPECT_EQ (ActionManager::transmitQuestionText (3),
               "This command will overwrite 200 programs of your VORANTE wren. \nAre you sure?");
}

TEST_F (Flows, ReceiveAllAsksWithItsOwnButtons)
{
    EXPECT_TRUE (actions.receiveAllPrograms());
    EXPECT_EQ (dialogs.shown[0].title, "Receive:");
    EXPECT_EQ (dialogs.shown[0].message, "This command will overwrite current list. \nAre you sure?");
    EXPECT_EQ (dialogs.shown[0].buttons, juce::StringArray ({"  OK  ", "Cancel"}));
    EXPECT_TRUE (engine.isReceiving());
    EXPECT_TRUE (store.bulkTransfer);
}

TEST_F (Flows, QuitAsksAboutModifiedProgramsOnlyWhenConnected)
{
    store.modified[3] = 1;
    actions.askQuit();
    ASSERT_EQ (dialogs.shown.size(), 1u) << "no unit: no update question";
    EXPECT_EQ (dialogs.shown[0].title, "Quit:");
    EXPECT_EQ (dialogs.shown[0].message, "Are you sure?");
    EXPECT_EQ (shell.calls, juce::StringArray ({"quit"}));

    shell.calls.clear();
    dialogs.shown.clear();
    store.connected = true;
    store.modified[3] = 0;
    actions.askQuit();
    EXPECT_EQ (dialogs.shown.size(), 1u) << "nothing modified: no update question";
    EXPECT_EQ (shell.calls, juce::StringArray ({"quit"}));

    shell.calls.clear();
    dialogs.shown.clear();
    store.modified[3] = 1;
    dialogs.answers = {0, 1}; // OK, then No
    actions.askQuit();
    ASSERT_EQ (dialogs.shown.size(), 2u);
    EXPECT_EQ (dialogs.shown[1].title, "Update:");
    EXPECT_EQ (dialogs.shown[1].message, "Transmit all modified programs before quitting?");
    EXPECT_EQ (dialogs.shown[1].buttons, juce::StringArray ({"  Yes ", "  No  "}));
    EXPECT_EQ (shell.calls, juce::StringArray ({"quit"}));
}

TEST_F (Flows, YesToTheUpdateSendsTheModifiedProgramsThenQuits)
{
    store.connected = true;
    store.modified[3] = 1;
    store.modified[150] = 1;
    dialogs.answers = {0, 0};
    actions.askQuit();
    EXPECT_TRUE (actions.isQuitPending());
    EXPECT_FALSE (shell.calls.contains ("quit"));

    receive ({}, 0x21);
    receive ({}, 0x21);
    // Only the modified slots: row 0 need not be what the unit holds.
    EXPECT_EQ (dumpedPrograms(), (std::vector<int>{3, 150}));
    for (const int slot : {3, 150})
        engine.handleMessage (sysex::programDump (store.modelCode, slot, unitList.recordAt (slot)));
    EXPECT_FALSE (engine.isTransmitting());

    pumpFor (400); // step 4 runs 200 ms later
    EXPECT_TRUE (shell.calls.contains ("quit"));
    EXPECT_FALSE (store.bulkTransfer);
}

TEST_F (Flows, AnAbandonedTransmitDoesNotQuitButTellsAndAsksAgain)
{
    double now = 0.0;
    engine.setClock ([&now] { return now; });
    engine.setWatchdog (1000, 5);
    store.connected = true;
    store.modified[3] = 1;
    dialogs.answers = {0, 0}; // Quit OK, Update Yes
    actions.askQuit();        // program 3 is sent and never answered

    now = 5000.0;
    engine.checkWatchdog();
    EXPECT_FALSE (actions.isQuitPending());
    dialogs.answers = {0, 1}; // the message's OK, then Cancel to the repeated Quit question
    pumpFor (400);

    EXPECT_FALSE (shell.calls.contains ("quit"));
    ASSERT_GE (dialogs.shown.size(), 4u);
    EXPECT_EQ (dialogs.shown[2].title, "Transmit:");
    EXPECT_TRUE (dialogs.shown[2].message.contains ("003"));
    EXPECT_EQ (dialogs.shown[3].title, "Quit:");
    EXPECT_EQ (store.modified[3], 1) << "still to send";
    EXPECT_FALSE (store.bulkTransfer);
}

TEST_F (Flows, OnlyTheLastOfTwoDeferredStepsRuns)
{
    actions.requestStep (DeferredStep::transferEnded);
    actions.requestStep (DeferredStep::transferFinished);
    pumpFor (400);
    EXPECT_FALSE (shell.calls.isEmpty());
    EXPECT_EQ (shell.calls[0], "select 0");
    EXPECT_EQ (std::count (shell.calls.begin(), shell.calls.end(), juce::String ("enable views")), 1)
        << "step 3 never ran on its own";
    EXPECT_TRUE (shell.calls.contains ("program changed"));
}

TEST_F (Flows, EnablingRulesFollowTheState)
{
    using namespace CommandIDs;
    EXPECT_FALSE (actions.isCommandEnabled (transmitAll));
    EXPECT_FALSE (actions.isCommandEnabled (receiveAll));
    EXPECT_FALSE (actions.isCommandEnabled (writeCurrentProgram));
    EXPECT_FALSE (actions.isCommandEnabled (cut));
    EXPECT_FALSE (actions.isCommandEnabled (copy));
    EXPECT_FALSE (actions.isCommandEnabled (paste));
    EXPECT_TRUE (actions.isCommandEnabled (about));
    EXPECT_TRUE (actions.isCommandEnabled (openFile));

    store.connected = true;
    store.viewMode = 1;
    unitList.selectionSeen = true;
    unitList.pasteReady = true;
    shell.lastSelectedRow = 12;
    for (auto id : {transmitAll, receiveAll, writeCurrentProgram, copy, midiSetup})
        EXPECT_TRUE (actions.isCommandEnabled (id)) << id;
    // In the editor view the unit list is not on screen: no edits of it.
    for (auto id : {cut, clear, paste, insert})
        EXPECT_FALSE (actions.isCommandEnabled (id)) << id;
    store.viewMode = 0;
    for (auto id : {cut, clear, copy, paste, insert})
        EXPECT_TRUE (actions.isCommandEnabled (id)) << id;

    shell.lastSelectedRow = 250; // a row past the unit list's end
    EXPECT_FALSE (actions.isCommandEnabled (cut));
    EXPECT_FALSE (actions.isCommandEnabled (paste));
    EXPECT_TRUE (actions.isCommandEnabled (copy));

    // A running transfer turns off whatever would start another or change
    // what is being sent.
    engine.startReceiveAll();
    for (auto id : {transmitAll, receiveAll, writeCurrentProgram, midiSetup, openFile, closeFiles, paste,
                    insert, cut, clear})
        EXPECT_FALSE (actions.isCommandEnabled (id)) << id;
    for (auto id : {copy, saveAs, about, quit})
        EXPECT_TRUE (actions.isCommandEnabled (id)) << id;

    actions.setReady (false);
    EXPECT_FALSE (actions.isCommandEnabled (receiveAll)) << "checked before the ready flag";
}

TEST_F (Flows, CommandTableAndShortcuts)
{
    juce::ApplicationCommandManager manager;
    manager.registerAllCommandsForTarget (&actions);
    manager.setFirstCommandTarget (&actions);

    const auto* cutInfo = manager.getCommandForID (CommandIDs::cut);
    ASSERT_NE (cutInfo, nullptr);
    EXPECT_EQ (cutInfo->shortName, "Cut");
    EXPECT_EQ (manager.getKeyMappings()->findCommandForKeyPress (
                   juce::KeyPress ('x', juce::ModifierKeys::ctrlModifier, 0)),
               CommandIDs::cut);
    EXPECT_EQ (manager.getKeyMappings()->findCommandForKeyPress (
                   juce::KeyPress ('i', juce::ModifierKeys::ctrlModifier, 0)),
               CommandIDs::insert);
    EXPECT_EQ (manager.getKeyMappings()->findCommandForKeyPress (
                   juce::KeyPress ('q', juce::ModifierKeys::ctrlModifier, 0)),
               CommandIDs::quit);

    // Every list edit is in the Edit menu, with its key.
    MenuBarManager menus (manager);
    EXPECT_EQ (menus.getMenuBarNames(), juce::StringArray ({"File", "Edit", "Option"}));
    std::vector<int> editItems;
    const auto editMenu = menus.getMenuForIndex (1, {});
    for (juce::PopupMenu::MenuItemIterator it (editMenu); it.next();)
        if (!it.getItem().isSeparator)
            editItems.push_back (it.getItem().itemID);
    EXPECT_EQ (editItems,
               (std::vector<int>{CommandIDs::undo, CommandIDs::redo, CommandIDs::cut, CommandIDs::copy,
                                 CommandIDs::paste, CommandIDs::insert, CommandIDs::clear}));
    juce::StringArray optionItems;
    const auto optionMenu = menus.getMenuForIndex (2, {});
    for (juce::PopupMenu::MenuItemIterator it (optionMenu); it.next();)
        optionItems.add (it.getItem().text);
    EXPECT_EQ (optionItems, juce::StringArray ({"MIDI Setup...", "MIDI Monitor...", "About"}));
    EXPECT_TRUE (manager.invokeDirectly (CommandIDs::midiMonitor, false));
    EXPECT_TRUE (shell.calls.contains ("midi monitor"));

    // Ctrl+X reaches Cut through the command manager.
    shell.lastSelectedRow = 3;
    unitList.selectionSeen = true;
    unitList.pasteReady = true;
    EXPECT_TRUE (manager.invokeDirectly (CommandIDs::cut, false));
    EXPECT_TRUE (manager.invokeDirectly (CommandIDs::insert, false));
    EXPECT_TRUE (shell.calls.contains ("cut"));
    EXPECT_TRUE (shell.calls.contains ("insert"));
}
} // namespace vr

namespace vr
{
// Quit while a transfer runs: stop it and quit, or let it go on; never a
// Transmit All beside the running Receive All.
TEST_F (Flows, QuitDuringATransferStopsItOrKeepsIt)
{
    store.connected = true;
    store.modified[3] = 1;
    const auto editBuffer = store.current;
    actions.receiveAllPrograms();
    for (int n = 0; n < 10; ++n)
    {
        std::vector<std::uint8_t> payload (2 + 32, 5);
        payload[0] = 0;
        payload[1] = static_cast<std::uint8_t> (n);
        receive (payload, 0x4c);
    }

    dialogs.answers = {1}; // keep it running
    actions.askQuit();
    EXPECT_TRUE (engine.isReceiving());
    EXPECT_EQ (dialogs.shown.back().title, "Quit:");
    EXPECT_EQ (dialogs.shown.back().buttons[1], "Keep it running");

    dialogs.answers = {0}; // stop and quit
    actions.askQuit();
    EXPECT_FALSE (engine.isReceiving());
    EXPECT_FALSE (engine.isTransmitting());
    pumpFor (400);
    EXPECT_TRUE (shell.calls.contains ("quit"));
    EXPECT_TRUE (dumpedPrograms().empty()) << "no transmit was started";
    EXPECT_EQ (store.current, editBuffer);
    ASSERT_EQ (makerCode (sent.back()), 0x40);
    EXPECT_EQ (test::bytesOf (sent.back())[7], editBuffer[0])
        << "the edit buffer saved at the start goes back";
}

TEST_F (Flows, IdentifyingAUnitAsksBeforeReplacingUntransmittedChanges)
{
    const auto reply = test::identityReply (0x00);

    // The first connection: nothing changed, nothing asked.
    engine.handleMessage (test::messageOf (reply));
    EXPECT_TRUE (dialogs.shown.empty());
    EXPECT_TRUE (engine.isReceiving());
    engine.stopTransfer();
    engine.finishTransfer();

    store.modified[4] = 1;
    store.modified[9] = 1;
    sent.clear();
    dialogs.answers = {1}; // keep my changes
    engine.handleMessage (test::messageOf (reply));
    ASSERT_EQ (dialogs.shown.size(), 1u);
    EXPECT_EQ (dialogs.shown[0].message,
               "The unit's programs will replace 2 changed slots that were not transmitted.");
    EXPECT_EQ (dialogs.shown[0].buttons, (juce::StringArray{"Receive", "Keep my changes"}));
    EXPECT_FALSE (engine.isTransferRunning());
    EXPECT_TRUE (sent.empty());
    EXPECT_EQ (store.modified[4], 1);
    EXPECT_TRUE (store.connected);

    dialogs.answers = {0}; // receive
    engine.handleMessage (test::messageOf (reply));
    EXPECT_TRUE (engine.isReceiving());
    engine.stopTransfer();
    engine.finishTransfer();

    // An edit not yet written is asked about too: reconnecting must not lose it.
    store.modified = {};
    store.setKnob (store.getKnob (0) == 9 ? 8 : 9, 0);
    dialogs.shown.clear();
    dialogs.answers = {1};
    engine.handleMessage (test::messageOf (reply));
    ASSERT_EQ (dialogs.shown.size(), 1u);
    EXPECT_EQ (dialogs.shown[0].message,
               "The unit's programs will replace the edits of the current program that were not written.");
    EXPECT_FALSE (engine.isTransferRunning());
    EXPECT_TRUE (store.isEdited());
}

// Quit names an unwritten edit first: Write stores it and goes on to the
// Quit question, Discard goes on, Cancel stays.
TEST_F (Flows, QuitOffersToWriteAnUnwrittenEdit)
{
    struct Case
    {
        int answer;
        bool written, quitAsked;
    };
    for (const auto c : {Case{0, true, true}, Case{1, false, true}, Case{2, false, false}})
    {
        store.setSelectedProgram (7);
        store.setCurrentData (unitList.recordAt (7));
        store.setKnob (store.getKnob (0) == 9 ? 8 : 9, 0);
        dialogs.shown.clear();
        dialogs.answers = {c.answer, 1}; // then Cancel to the Quit question
        actions.askQuit();
        ASSERT_GE (dialogs.shown.size(), 1u);
        EXPECT_EQ (dialogs.shown[0].buttons, (juce::StringArray{"Write", "Discard", "Cancel"}));
        EXPECT_TRUE (dialogs.shown[0].message.startsWith ("Program 007 "));
        EXPECT_EQ (unitList.recordAt (7) == store.current, c.written) << c.answer;
        EXPECT_EQ (dialogs.shown.size() == 2 && dialogs.shown[1].message == "Are you sure?", c.quitAsked)
            << c.answer;
    }
}
} // namespace vr

namespace vr
{
// Undo and Redo name their step, keep their keys, grey out with nothing to
// do and during a transfer; Write ends the edited mark.
TEST_F (Flows, UndoAndRedoCommandsFollowTheHistory)
{
    EditSession session (store, engine, unitList);
    auto& history = session.history();
    actions.setSession (&session);
    juce::ApplicationCommandManager manager;
    manager.registerAllCommandsForTarget (&actions);
    manager.setFirstCommandTarget (&actions);
    auto info = [this] (juce::CommandID id)
    {
        juce::ApplicationCommandInfo result (id);
        actions.getCommandInfo (id, result);
        return result;
    };
    auto keyFor = [&] (int key, juce::ModifierKeys mods)
    { return manager.getKeyMappings()->findCommandForKeyPress (juce::KeyPress (key, mods, 0)); };
    const juce::ModifierKeys ctrl (juce::ModifierKeys::ctrlModifier);

    EXPECT_EQ (info (CommandIDs::undo).shortName, "Undo");
    EXPECT_FALSE (actions.isCommandEnabled (CommandIDs::undo));
    EXPECT_EQ (keyFor ('z', ctrl), CommandIDs::undo);
    EXPECT_EQ (keyFor ('y', ctrl), CommandIDs::redo);
    EXPECT_EQ (keyFor ('z', ctrl.withFlags (juce::ModifierKeys::shiftModifier)), CommandIDs::redo);

    history.recordProgramEdit ("Gain", 7, [this] { store.setKnob (3, 6); });
    EXPECT_EQ (info (CommandIDs::undo).shortName, "Undo Gain");
    EXPECT_TRUE (store.isEdited());
    EXPECT_TRUE (manager.invokeDirectly (CommandIDs::undo, false));
    EXPECT_EQ (info (CommandIDs::redo).shortName, "Redo Gain");
    EXPECT_FALSE (store.isEdited());
    EXPECT_TRUE (manager.invokeDirectly (CommandIDs::redo, false));

    dialogs.answers = {0};
    actions.writeCurrentProgram();
    EXPECT_FALSE (store.isEdited()) << "a written program is no longer edited";
    EXPECT_TRUE (actions.isCommandEnabled (CommandIDs::undo)) << "Write is no step and removes none";

    store.connected = true;
    actions.receiveAllPrograms();
    EXPECT_FALSE (actions.isCommandEnabled (CommandIDs::undo));
    EXPECT_EQ (info (CommandIDs::undo).shortName, "Undo");
}
} // namespace vr
