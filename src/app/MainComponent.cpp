#include "MainComponent.h"

#include "ActionManager.h"
#include "CAboutDialogComponent.h"
#include "CommandLine.h"
#include "Dialogs.h"
#include "MidiMonitorWindow.h"
#include "TransferProgressComponent.h"
#include "data/DataCenter.h"
#include "editor/EditParamComponent.h"
#include "editor/EditSession.h"
#include "editor/PGNameEditComponent.h"
#include "library/BackupStore.h"
#include "library/VRLibComponent.h"
#include "midi/CMidiSetupComponent.h"
#include "midi/MidiReceiver.h"

namespace vr
{
namespace
{
namespace Bounds
{
const juce::Rectangle<int> libraryView{0, 0, 800, 580};
const juce::Rectangle<int> editorView{0, 0, 800, 592};
const juce::Rectangle<int> nameStrip{136, 46, 290, 40};
const juce::Rectangle<int> editorButton{122, 135, 197, 52};
const juce::Rectangle<int> libraryButton{336, 135, 197, 52};
const juce::Rectangle<int> transferProgress{220, 258, 360, 84};
} // namespace Bounds

// The mode buttons are see-through: the views' pictures draw the tabs.
void makeModeButton (juce::TextButton& button, const char* name)
{
    button.setName (name);
    button.setButtonText (" ");
    button.setColour (juce::TextButton::buttonColourId, juce::Colour (0x00dfdfdf));
    button.setColour (juce::TextButton::buttonOnColourId, juce::Colour (0xff5af2f8));
    button.setColour (juce::TextButton::textColourOffId, juce::Colour (0x75000000));
    button.setColour (juce::ComboBox::outlineColourId, juce::Colours::transparentBlack);
}

// The About box fades out when closed, which leaves it transparent: undo
// that, or it shows again as an invisible modal box.
void showCentred (juce::Component& dialog, juce::Component& parent)
{
    juce::Desktop::getInstance().getAnimator().cancelAnimation (&dialog, false);
    dialog.setAlpha (1.0f);
    dialog.setCentrePosition (parent.getLocalBounds().getCentre());
    dialog.setVisible (true);
    dialog.toFront (false);
    dialog.enterModalState (dialog.isShowing());
}
} // namespace

MainComponent::MainComponent (DataCenter& store, MidiReceiver& engine, MidiPortDirectory& ports,
                              juce::ChangeBroadcaster& selection, Dialogs& dialogsToUse)
    : dataCenter (store)
    , midiReceiver (engine)
    , programSelection (selection)
    , dialogs (dialogsToUse)
{
    // Children in stacking order: each lies in front of those before it.
    editorView = std::make_unique<EditParamComponent> (store, engine);
    addAndMakeVisible (*editorView);
    libraryView = std::make_unique<VRLibComponent> (store, engine, selection, dialogs);
    addAndMakeVisible (*libraryView);
    nameStrip = std::make_unique<PGNameEditComponent> (store, engine, libraryView->getUnitList(), selection);
    nameStrip->setFileNames (&libraryView->getRomList());
    addAndMakeVisible (*nameStrip);

    session = std::make_unique<EditSession> (store, engine, libraryView->getUnitList());
    editorView->setSession (session.get());
    nameStrip->setSession (session.get());
    libraryView->setSession (session.get());
    session->onApplied = [this] (bool programReplaced) { historyApplied (programReplaced); };
    session->onCompareChanged = [this] (bool comparing) { compareChanged (comparing); };
    session->history().changes().addChangeListener (this);

    makeModeButton (m_ModeButtonEditor, "m_ModeButtonEditor");
    makeModeButton (m_ModeButtonPGList, "m_ModeButtonPGList");
    for (auto* button : {&m_ModeButtonEditor, &m_ModeButtonPGList})
    {
        addAndMakeVisible (*button);
        button->addListener (this);
    }

    setSize (800, 600);

    aboutDialog = std::make_unique<CAboutDialogComponent> (store);
    addChildComponent (*aboutDialog);
    aboutDialog->setCentrePosition (getLocalBounds().getCentre());

    midiSetup = std::make_unique<CMidiSetupComponent> (engine, ports);
    addChildComponent (*midiSetup);
    midiSetup->setCentrePosition (getLocalBounds().getCentre());
    midiSetup->onLinkProblem = [this] (const juce::String& message) { reportLinkProblem (message); };

    engine.addChangeListener (editorView.get());
    engine.addChangeListener (nameStrip.get());
    selection.sendChangeMessage();

    commandManager = std::make_unique<juce::ApplicationCommandManager>();
    actionManager =
        std::make_unique<ActionManager> (store, engine, libraryView->getUnitList(), dialogs, *this);
    actionManager->setSession (session.get());
    menuBarManager = std::make_unique<MenuBarManager> (*commandManager);
    commandManager->registerAllCommandsForTarget (actionManager.get());
    commandManager->setFirstCommandTarget (this);
    addKeyListener (commandManager->getKeyMappings());
    actionManager->setReady (true);

    // In front of everything but the dialogs; it stays enabled while the views grey out.
    transferProgress = std::make_unique<TransferProgressComponent> (engine);
    addChildComponent (*transferProgress);
    transferProgress->setBounds (Bounds::transferProgress);
    transferProgress->onStop = [this] { actionManager->stopTransfer(); };

    libraryView->onReceiveAll = [this] { actionManager->receiveAllPrograms(); };
    libraryView->onTransmitAll = [this] { actionManager->transmitAllPrograms (true, false); };

    editorView->setVisible (false);
    engine.setProgramLists (&libraryView->getUnitList(), &libraryView->getRomList());
    engine.setCommandTarget (actionManager.get());

    showMidiSetup();
}

MainComponent::~MainComponent()
{
    session->history().changes().removeChangeListener (this);
    session->onCompareChanged = nullptr;
    session->onApplied = nullptr;
    editorView->setSession (nullptr);
    nameStrip->setSession (nullptr);
    libraryView->setSession (nullptr);
    midiReceiver.setCommandTarget (nullptr);
    midiReceiver.setProgramLists (nullptr, nullptr);
    midiReceiver.removeChangeListener (editorView.get());
    midiReceiver.removeChangeListener (nameStrip.get());
    if (commandManager != nullptr)
        removeKeyListener (commandManager->getKeyMappings());
}

juce::MenuBarModel& MainComponent::getMenuModel() noexcept
{
    return *menuBarManager;
}

void MainComponent::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xff000000));
}

void MainComponent::resized()
{
    libraryView->setBounds (Bounds::libraryView);
    editorView->setBounds (Bounds::editorView);
    nameStrip->setBounds (Bounds::nameStrip);
    m_ModeButtonEditor.setBounds (Bounds::editorButton);
    m_ModeButtonPGList.setBounds (Bounds::libraryButton);
}

void MainComponent::setViewsEnabled (bool enabled)
{
    m_ModeButtonEditor.setEnabled (enabled);
    m_ModeButtonPGList.setEnabled (enabled);
    libraryView->setEnabled (enabled);
    editorView->setEnabled (enabled);
    nameStrip->setEnabled (enabled);
    // The views grey out as a transfer starts.
    if (transferProgress != nullptr)
    {
        if (enabled)
            transferProgress->update();
        else
            transferProgress->followTransfer();
    }
    if (commandManager != nullptr)
        commandManager->commandStatusChanged();
}

void MainComponent::changeListenerCallback (juce::ChangeBroadcaster* source)
{
    if (session != nullptr && source == &session->history().changes())
    {
        // A step came or went: the menu texts and the edited mark follow.
        commandManager->commandStatusChanged();
        nameStrip->repaint();
        return;
    }
    programChanged();
}

void MainComponent::compareChanged (bool comparing)
{
    editorView->compareChanged();
    // The strip shows the compared version's name and category, read-only.
    nameStrip->showCurrentProgram();
    nameStrip->setEnabled (!comparing && !midiReceiver.isTransferRunning());
    if (commandManager != nullptr)
        commandManager->commandStatusChanged();
}

void MainComponent::historyApplied (bool programReplaced)
{
    editorView->showCurrentProgram();
    nameStrip->showCurrentProgram();
    if (programReplaced)
        libraryView->selectProgramRow (dataCenter.currentProgramNumber);
}

juce::ApplicationCommandTarget* MainComponent::getNextCommandTarget()
{
    if (actionManager != nullptr)
        return actionManager.get();
    return juce::JUCEApplication::getInstance();
}

void MainComponent::buttonClicked (juce::Button* button)
{
    if (button == &m_ModeButtonEditor)
        showEditor();
    else if (button == &m_ModeButtonPGList)
        showLibrary();
}

void MainComponent::showEditor()
{
    dataCenter.viewMode = 1;
    libraryView->setVisible (false);
    editorView->setVisible (true);
    editorView->changeListenerCallback (nullptr);
    commandManager->commandStatusChanged();
}

void MainComponent::showLibrary()
{
    // A row recalled from the lists replaces the edited version, not the stored one.
    session->endCompare();
    dataCenter.viewMode = 0;
    editorView->setVisible (false);
    libraryView->setVisible (true);
    commandManager->commandStatusChanged();
}

//==============================================================================
void MainComponent::programChanged()
{
    nameStrip->changeListenerCallback (nullptr);
}

void MainComponent::enableTransferButtons()
{
    libraryView->updateTransferButtons();
    commandManager->commandStatusChanged();
    // A unit that answered starts a Receive All before the views grey out.
    if (transferProgress != nullptr)
        transferProgress->followTransfer();
}

void MainComponent::selectProgramRow (int programNumber)
{
    libraryView->selectProgramRow (programNumber);
}

int MainComponent::getUnitLastSelectedRow() const
{
    return libraryView->getUnitTable().lastSelectedRow();
}

void MainComponent::openFile()
{
    libraryView->openFile();
}
void MainComponent::openBackup()
{
    libraryView->openBackup();
}
void MainComponent::saveAs()
{
    libraryView->saveAs();
}
void MainComponent::exportSysex()
{
    libraryView->exportSysex();
}
void MainComponent::closeFiles()
{
    libraryView->closeAllFiles();
}
void MainComponent::cut()
{
    libraryView->cut();
}
void MainComponent::clear()
{
    libraryView->clear();
}
void MainComponent::copy()
{
    libraryView->copy();
}
void MainComponent::paste()
{
    libraryView->paste();
}
void MainComponent::insert()
{
    libraryView->insert();
}

void MainComponent::openFromAnotherStart (const juce::StringArray& paths)
{
    if (auto* window = findParentComponentOfClass<juce::DocumentWindow>())
    {
        if (window->isMinimised())
            window->setMinimised (false);
        window->toFront (true);
    }
    openFilesWhenOpenIsAllowed (paths);
}

void MainComponent::keepReceiveBackups()
{
    receiveBackups = std::make_unique<ReceiveBackups> (BackupStore::defaultFolder(), dataCenter,
                                                       libraryView->getUnitList(), midiReceiver, dialogs);
}

void MainComponent::openFilesWhenOpenIsAllowed (const juce::StringArray& paths)
{
    if (paths.isEmpty())
        return;
    // Files may not come in under a running transfer, as Open may not, nor
    // before the window is there for what they bring up. The library view
    // opens them one at a time and says which found no free slot.
    if (isShowing() && actionManager->isCommandEnabled (CommandIDs::openFile))
    {
        for (const auto& path : paths)
            libraryView->openCommandLineFile (juce::File (path));
        return;
    }
    juce::Timer::callAfterDelay (kShowPollMs,
                                 [safe = juce::Component::SafePointer<MainComponent> (this), paths]
                                 {
                                     if (safe != nullptr)
                                         safe->openFilesWhenOpenIsAllowed (paths);
                                 });
}

void MainComponent::showMidiSetup()
{
    if (aboutDialog->isVisible())
    {
        aboutDialog->exitModalState (0);
        aboutDialog->setVisible (false);
    }
    midiSetup->show();
}

void MainComponent::reportLinkProblem (const juce::String& message)
{
    // The About box and the transfer buttons tell the truth at once ...
    dataCenter.connected = false;
    enableTransferButtons();

    // ... and the message comes from the message loop, not from inside the
    // panel's timer (a modal loop there would stall every timer).
    juce::MessageManager::callAsync (
        [safe = juce::Component::SafePointer<MainComponent> (this), message]
        {
            if (safe == nullptr)
                return;
            AlertText alert;
            alert.icon = AlertText::Icon::warning;
            alert.title = "MIDI Setup:";
            alert.message = message;
            alert.buttons = {"  OK  "};
            safe->dialogs.show (alert);
        });
}

void MainComponent::showAboutDialog()
{
    if (midiSetup->isVisible())
    {
        midiSetup->exitModalState (0);
        midiSetup->setVisible (false);
    }
    showCentred (*aboutDialog, *this);
}

void MainComponent::showMidiMonitor()
{
    if (midiMonitor == nullptr)
        return;
    if (monitorWindow == nullptr)
        monitorWindow = std::make_unique<MidiMonitorWindow> (*midiMonitor);
    monitorWindow->open (*getTopLevelComponent());
}

void MainComponent::quitApplication()
{
    juce::JUCEApplicationBase::quit();
}
} // namespace vr
