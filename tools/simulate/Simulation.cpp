#include "Simulation.h"

#include "app/ActionManager.h"
#include "app/MainComponent.h"
#include "data/DataCenter.h"
#include "data/DialogInterface.h"
#include "data/DispCenter.h"
#include "data/EffectTypes.h"
#include "data/FactoryPrograms.h"
#include "editor/EditParamComponent.h"
#include "editor/EditSession.h"
#include "editor/PGNameEditComponent.h"
#include "library/LibraryFile.h"
#include "library/VRLibComponent.h"
#include "midi/CMidiSetupComponent.h"
#include "midi/MidiPortDirectory.h"
#include "midi/MidiReceiver.h"
#include "midi/SysexMessages.h"
#include "midi/VirtualUnit.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace juce
{
// The platform's message pump (juce_linux_Messaging.cpp): dispatches one
// pending message, or returns false at once when none is pending. Used
// instead of runDispatchLoopUntil, which sleeps in real time.
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
} // namespace juce

namespace vr::sim
{
namespace
{
constexpr double kStartMs = 10000.0;
constexpr double kWatchdogPeriodMs = 250.0;
constexpr double kSettleLimitMs = 60000.0;
const char* const kPortName = "Simulated unit";

// The highest value a knob reaches: its type's limit, within the knob's 0-30.
int knobTop (const ProgramRecord& record, int knobIndex)
{
    return std::min (knobMaximum (record, knobIndex), knobIndex == 11 ? 99 : 30);
}

// Realistic programs: a factory program with a new name and a few knobs moved.
ProgramRecord randomProgram (std::mt19937& random)
{
    auto record = factoryProgram (kNumUserPrograms + static_cast<int> (random() % kNumFactoryPrograms));
    for (int i = 0; i < kNameLength; ++i)
        record[static_cast<size_t> (i)] = static_cast<std::uint8_t> ('A' - 32 + random() % 26);
    record[RecordByte::category] = static_cast<std::uint8_t> (random() % kNumCategories);
    for (int k = 0; k < kNumKnobs; ++k)
        if (random() % 3 == 0)
            record[static_cast<size_t> (knobIndexToByte (k))] =
                static_cast<std::uint8_t> (random() % (knobTop (record, k) + 1));
    return record;
}

bool isMaker (const std::vector<std::uint8_t>& b, int code)
{
    return b.size() >= 8 && b[0] == 0xf0 && b[1] == sysex::kManufacturerId && b[6] == code;
}

int numberIn (const std::vector<std::uint8_t>& b)
{
    return b.size() >= 10 ? sysex::numberFromPair (b[7], b[8]) : -1;
}

// The pause the unit needs after a message, in milliseconds.
double pauseAfter (const std::vector<std::uint8_t>& b)
{
    if (isMaker (b, sysex::Code::parameterChange) && b.size() >= 11 && b[8] == RecordByte::onOffMask)
        return sysex::kOnOffSwitchPauseMs;
    if (isMaker (b, sysex::Code::programWriteRequest))
        return 150.0;
    if (isMaker (b, sysex::Code::programNumberNotice))
        return 200.0;
    if (!b.empty() && (b[0] & 0xf0) == 0xc0)
        return 5.0;
    return 0.0;
}

bool isWholeMessage (const std::vector<std::uint8_t>& b)
{
    if (b.empty() || b[0] < 0x80)
        return false;
    if (b[0] == 0xf0)
    {
        if (b.size() < 2 || b.back() != 0xf7)
            return false;
        return std::all_of (b.begin() + 1, b.end() - 1, [] (std::uint8_t x) { return x < 0x80; });
    }
    const int status = b[0] & 0xf0;
    const size_t length = status == 0xc0 || status == 0xd0 ? 2 : 3;
    return b.size() == length &&
           std::all_of (b.begin() + 1, b.end(), [] (std::uint8_t x) { return x < 0x80; });
}

std::string describe (const std::vector<std::uint8_t>& b)
{
    std::ostringstream out;
    out << std::hex;
    for (size_t i = 0; i < std::min<size_t> (b.size(), 10); ++i)
        out << (i > 0 ? " " : "") << static_cast<int> (b[i]);
    if (b.size() > 10)
        out << " ..";
    return out.str();
}

std::string differences (const ProgramRecord& x, const ProgramRecord& y)
{
    std::ostringstream out;
    for (size_t i = 0; i < x.size(); ++i)
        if (x[i] != y[i])
            out << " byte " << i << ": " << static_cast<int> (x[i]) << "/" << static_cast<int> (y[i]);
    return out.str();
}

juce::MouseEvent mouseAt (juce::Component& c, juce::Point<float> pos, juce::Point<float> downPos,
                          juce::ModifierKeys mods, bool dragged)
{
    const auto time = juce::Time (0);
    return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), pos, mods, 1.0f, 0.0f, 0.0f,
                             0.0f, 0.0f, &c, &c, time, downPos, time, 1, dragged);
}

template <typename ComponentType>
ComponentType* childNamed (juce::Component& parent, const juce::String& name)
{
    for (auto* child : parent.getChildren())
    {
        if (child->getName() == name)
            if (auto* typed = dynamic_cast<ComponentType*> (child))
                return typed;
        if (auto* found = childNamed<ComponentType> (*child, name))
            return found;
    }
    return nullptr;
}

bool clickable (juce::Component& c)
{
    bool self = false, children = false;
    c.getInterceptsMouseClicks (self, children);
    return self && c.isEnabled();
}

void writeLibrary (const juce::File& file, std::mt19937& random)
{
    juce::MemoryBlock bytes (LibraryFormat::kFileSize, true);
    std::memcpy (bytes.getData(), LibraryFormat::kMagic, LibraryFormat::kMagicLength);
    auto* records = static_cast<std::uint8_t*> (bytes.getData()) + LibraryFormat::kHeaderSize;
    for (int n = 0; n < kNumUserPrograms; ++n)
    {
        const auto record = randomProgram (random);
        std::copy (record.begin(), record.end(), records + n * kRecordSize);
    }
    file.replaceWithData (bytes.getData(), bytes.getSize());
}

void writeSysex (const juce::File& file, std::mt19937& random, bool cutShort)
{
    juce::MemoryOutputStream out;
    for (int n = 0; n < 20; ++n)
    {
        const auto dump =
            sysex::programDump (sysex::kModelWren, n * 7 % kNumUserPrograms, randomProgram (random));
        out.write (dump.getRawData(), static_cast<size_t> (dump.getRawDataSize()));
    }
    for (int n = 0; n < 3; ++n)
    {
        const auto dump = sysex::currentProgramDump (sysex::kModelWren, randomProgram (random));
        out.write (dump.getRawData(), static_cast<size_t> (dump.getRawDataSize()));
    }
    auto block = out.getMemoryBlock();
    if (cutShort)
        block.setSize (block.getSize() - 17);
    file.replaceWithData (block.getData(), block.getSize());
}
} // namespace

//==============================================================================
FilePool::FilePool()
{
    folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                 .getNonexistentChildFile ("vr-simulate", "", false);
    folder.createDirectory();
    std::mt19937 random (12345);

    openChoices.push_back ({});
    for (const char* name : {"first.vrm", "second.vrm"})
    {
        openChoices.push_back (folder.getChildFile (name));
        writeLibrary (openChoices.back(), random);
    }
    openChoices.push_back (folder.getChildFile ("shared.syx"));
    writeSysex (openChoices.back(), random, false);
    openChoices.push_back (folder.getChildFile ("broken.syx"));
    writeSysex (openChoices.back(), random, true);
    openChoices.push_back (folder.getChildFile ("bad.vrm"));
    openChoices.back().replaceWithText ("this is not a library file at all");
    openChoices.push_back (folder.getChildFile ("missing.vrm"));

    saveChoices.push_back ({});
    saveChoices.push_back (folder.getChildFile ("saved.vrm"));
    saveChoices.push_back (folder.getChildFile ("exported.syx"));
    saveChoices.push_back (folder.getChildFile ("no such folder").getChildFile ("x.vrm"));
    openChoices.push_back (saveChoices[1]);
    openChoices.push_back (saveChoices[2]);
    jassert (static_cast<int> (openChoices.size()) == kOpenChoices);
    jassert (static_cast<int> (saveChoices.size()) == kSaveChoices);
}

FilePool::~FilePool()
{
    folder.deleteRecursively();
}

juce::File FilePool::toOpen (int index) const
{
    return openChoices[static_cast<size_t> (juce::jlimit (0, kOpenChoices - 1, index))];
}

juce::File FilePool::toSave (int index) const
{
    return saveChoices[static_cast<size_t> (juce::jlimit (0, kSaveChoices - 1, index))];
}

void FilePool::forgetSaves() const
{
    for (const auto& file : saveChoices)
        if (file != juce::File())
            file.deleteFile();
}

void AssertionCounter::logMessage (const juce::String& message)
{
    if (!message.contains ("JUCE Assertion failure"))
        return;
    if (count++ == 0)
        first = message.toStdString();
}

//==============================================================================
// Keeps what reaches the unit's input, with the simulated time it went out.
class World::TapPort : public MidiOutputPort
{
public:
    TapPort (World& owner, std::unique_ptr<MidiOutputPort> destination)
        : world (owner)
        , next (std::move (destination))
    {
    }

    juce::String getName() const override { return next->getName(); }

    void sendMessageNow (const juce::MidiMessage& message) override
    {
        const auto* data = message.getRawData();
        world.wire.push_back ({std::vector<std::uint8_t> (data, data + message.getRawDataSize()), world.nowMs,
                               std::exchange (world.portChangedSinceLastMessage, false)});
        next->sendMessageNow (message);
    }

private:
    World& world;
    std::unique_ptr<MidiOutputPort> next;
};

// With VR_SIM_WIRE set, what the unit says is printed as it arrives.
class TapInput : public MidiInputPort, private MidiMessageSink
{
public:
    TapInput (std::unique_ptr<MidiInputPort> source, std::function<double()> clockToUse)
        : next (std::move (source))
        , clock (std::move (clockToUse))
    {
    }

    juce::String getName() const override { return next->getName(); }
    void start (MidiMessageSink& sinkToUse) override
    {
        sink = &sinkToUse;
        next->start (*this);
    }
    void stop() override { next->stop(); }

private:
    void messageArrived (const juce::MidiMessage& message) override
    {
        const auto* data = message.getRawData();
        std::fprintf (stderr, "    <- %g: %s\n", clock(),
                      describe ({data, data + message.getRawDataSize()}).c_str());
        sink->messageArrived (message);
    }

    std::unique_ptr<MidiInputPort> next;
    std::function<double()> clock;
    MidiMessageSink* sink{nullptr};
};

// The unit's ports appear as one platform device, so the MIDI setup panel
// opens them as it opens any device; the output is tapped.
class World::Directory : public MidiPortDirectory
{
public:
    explicit Directory (World& owner)
        : world (owner)
    {
    }

protected:
    juce::Array<MidiPortChoice> listInputDevices() const override
    {
        juce::Array<MidiPortChoice> choices;
        choices.add ({kPortName, "sim-in", -1});
        return choices;
    }
    juce::Array<MidiPortChoice> listOutputDevices() const override
    {
        juce::Array<MidiPortChoice> choices;
        choices.add ({kPortName, "sim-out", -1});
        return choices;
    }
    std::unique_ptr<MidiInputPort> openInputDevice (const MidiPortChoice&) override
    {
        return world.openUnitInput();
    }
    std::unique_ptr<MidiOutputPort> openOutputDevice (const MidiPortChoice&) override
    {
        return std::make_unique<TapPort> (world, world.unit->createOutputPort());
    }

private:
    World& world;
};

// Answers every question from the action being performed, and hands the
// file choosers the pool's file the action names.
class World::AnsweringDialogs : public Dialogs
{
public:
    explicit AnsweringDialogs (World& owner)
        : world (owner)
    {
    }

    int show (const AlertText& alert) override
    {
        const int answer = world.nextAnswer();
        return alert.buttons.size() > 1 ? answer : 0;
    }

    juce::File chooseFileToOpen (const juce::String&, const juce::File&, const juce::String&) override
    {
        const auto* action = world.answering;
        return action != nullptr && action->kind == Kind::openFile ? world.files.toOpen (action->a)
                                                                   : juce::File();
    }

    juce::File chooseFileToSave (const juce::String&, const juce::File&, const juce::String&) override
    {
        const auto* action = world.answering;
        const bool saving =
            action != nullptr && (action->kind == Kind::saveAs || action->kind == Kind::exportSysex);
        return saving ? world.files.toSave (action->a) : juce::File();
    }

private:
    World& world;
};

//==============================================================================
World::World (std::uint32_t seed, const FilePool& pool, AssertionCounter& counter)
    : files (pool)
    , assertions (counter)
    , nowMs (kStartMs)
    , nextWatchdogMs (kStartMs + kWatchdogPeriodMs)
    , setupRandom (seed)
{
    files.forgetSaves();
    assertionsSeen = assertions.count;
    const auto clock = [this] { return nowMs; };

    store = std::make_unique<DataCenter>();
    engine = std::make_unique<MidiReceiver> (*store, clock);
    // Every program the unit held is kept before a transmit replaces it.
    engine->setBackupBeforeTransmit (true);
    engine->onUnitProgramsRead = [this] (const std::vector<ProgramRecord>& programs)
    {
        unitProgramsKept = true;
        for (int n = 0; n < kNumUserPrograms && !pendingViolation.has_value(); ++n)
            if (programs[static_cast<size_t> (n)] != unit->getProgram (n) && !unit->hasFaultsPending())
                pendingViolation = Violation{11, "the backup read before a transmit holds slot " +
                                                     std::to_string (n) + " unlike the unit"};
    };

    VirtualUnitSettings settings;
    settings.modelCode = seed % 4 == 3 ? sysex::kModelHeron : sysex::kModelWren;
    settings.dinPacing = true;
    settings.processingDelay = std::chrono::microseconds (500);
    settings.simulatedClockMs = clock;
    unit = std::make_shared<VirtualUnit> (settings);
    for (int n = 0; n < kNumUserPrograms; ++n)
        unit->setUserProgram (n, randomProgram (setupRandom));
    unit->setEditBuffer (unit->getProgram (0));

    directory = std::make_unique<Directory> (*this);
    selection = std::make_unique<juce::ChangeBroadcaster>();
    dialogs = std::make_unique<AnsweringDialogs> (*this);
    main = std::make_unique<MainComponent> (*store, *engine, *directory, *selection, *dialogs);
    main->getActionManager().useSimulatedClock (clock);
    auto& library = main->getLibraryView();
    // What a backup of a completed receive holds is the list as it ends.
    library.getUnitList().onReceiveFinished = [this]
    {
        unitProgramsKept = true;
        const auto& rows = main->getLibraryView().getUnitList();
        for (int n = 0; n < kNumUserPrograms && !pendingViolation.has_value(); ++n)
            if (rows.recordAt (n) != unit->getProgram (n) && !unit->hasFaultsPending() &&
                !writtenOnPanel.test (static_cast<size_t> (n)))
                pendingViolation = Violation{11, "a completed receive keeps slot " + std::to_string (n) +
                                                     " unlike the unit"};
    };
    library.getUnitTable().setClock ([this] { return static_cast<juce::int64> (nowMs); });
    library.getRomTable().setClock ([this] { return static_cast<juce::int64> (nowMs); });
    settle();

    // The user confirms the ports: the unit is asked who it is and its
    // programs are received.
    click (main->getMidiSetup().getOkButton());
    wait (-1);
    wireChecked = wire.size();
}

World::~World()
{
    main.reset();
    engine->stopInput();
    engine->setInput (nullptr);
    engine->setOutput (nullptr);
    pumpMessageLoop();
    engine.reset();
    dialogs.reset();
    selection.reset();
    directory.reset();
    unit.reset();
    store.reset();
}

//==============================================================================
void World::pumpMessageLoop()
{
    for (int i = 0; i < 100000 && juce::dispatchNextMessageOnSystemQueue (true); ++i)
    {
    }
}

bool World::isQuiet() const
{
    const double wireDue = engine->nextWireDueMs();
    const double unitDue = unit->nextDueTime();
    const double stepDue = main->getActionManager().nextStepDueMs();
    return (wireDue < 0.0 || wireDue > nowMs) && (unitDue < 0.0 || unitDue > nowMs) &&
           (stepDue < 0.0 || stepDue > nowMs) && engine->getQueuedMessageCount() == 0;
}

void World::stopRealTimeWatching()
{
    // The MIDI setup panel watches the link on a real-time timer (device
    // lists, a port that went away, an identity request left unanswered).
    // Nothing it watches changes here, and a real-time timer must not decide
    // anything in a run, so it is stopped. (A C-style cast is the only way to
    // the private base; the panel offers no clock to drive it with.)
    auto& watcher = (juce::Timer&) main->getMidiSetup();
    watcher.stopTimer();
}

void World::settle()
{
    for (int round = 0; round < 10000; ++round)
    {
        stopRealTimeWatching();
        engine->pumpWire();
        unit->pump();
        engine->handleQueuedMessages();
        main->getActionManager().pumpSteps();
        pumpMessageLoop();
        afterTransferStep();
        if (unit->nextDueTime() < 0.0)
            panelInFlight = false;
        if (resyncWhenUnitQuiet && unit->nextDueTime() < 0.0)
        {
            resyncWhenUnitQuiet = false;
            resyncFrom = wire.size();
        }
        if (juce::MessageManager::getInstance()->hasStopMessageBeenSent())
            quitRequested = true;
        if (isQuiet())
            return;
    }
}

void World::advanceTo (double targetMs)
{
    for (;;)
    {
        settle();
        if (nowMs >= targetMs)
            return;
        double next = std::min (targetMs, nextWatchdogMs);
        for (const double due :
             {engine->nextWireDueMs(), unit->nextDueTime(), main->getActionManager().nextStepDueMs()})
            if (due >= 0.0 && due < next)
                next = due;
        nowMs = next > nowMs ? next : nowMs + 0.01;
        if (nowMs >= nextWatchdogMs)
        {
            nextWatchdogMs += kWatchdogPeriodMs;
            engine->checkWatchdog();
        }
    }
}

bool World::isIdle() const
{
    return isQuiet() && engine->isWireIdle() && unit->nextDueTime() < 0.0 && !engine->isTransferRunning() &&
           !engine->isCheckingUnit() && !engine->isVerifyingWrite() && !store->bulkTransfer &&
           main->getActionManager().nextStepDueMs() < 0.0;
}

void World::wait (int ms)
{
    if (ms >= 0)
    {
        advanceTo (nowMs + ms);
        return;
    }
    const double limit = nowMs + kSettleLimitMs;
    while (!isIdle() && nowMs < limit && !quitRequested)
        advanceTo (nowMs + 50.0);
}

int World::nextAnswer()
{
    if (answering == nullptr || answerIndex >= 31)
        return 0;
    return static_cast<int> ((answering->answers >> answerIndex++) & 1u);
}

//==============================================================================
void World::click (juce::Button& button)
{
    button.triggerClick();
    pumpMessageLoop();
}

void World::clickRow (juce::TableListBox& table, int row, int modifiers)
{
    if (row < 0 || row >= table.getModel()->getNumRows())
        return;
    table.scrollToEnsureRowIsOnscreen (row);
    auto* rowComponent = table.getComponentForRowNumber (row);
    if (rowComponent == nullptr)
        return;
    const juce::ModifierKeys mods (juce::ModifierKeys::leftButtonModifier |
                                   (modifiers == 1   ? juce::ModifierKeys::ctrlModifier
                                    : modifiers == 2 ? juce::ModifierKeys::shiftModifier
                                                     : 0));
    const juce::Point<float> at (60.0f, 4.0f);
    rowComponent->mouseDown (mouseAt (*rowComponent, at, at, mods, false));
    rowComponent->mouseUp (mouseAt (*rowComponent, at, at, mods, false));
}

void World::dragKnob (int knobIndex, int pixels, int moves)
{
    auto& knob = main->getEditorView().knob (knobIndex);
    const juce::ModifierKeys mods (juce::ModifierKeys::leftButtonModifier);
    const juce::Point<float> start (32.0f, 32.0f);
    knob.mouseDown (mouseAt (knob, start, start, mods, false));
    moves = std::max (1, moves);
    for (int i = 1; i <= moves; ++i)
    {
        const auto to = start.translated (0.0f, static_cast<float> (pixels * i / moves));
        knob.mouseDrag (mouseAt (knob, to, start, mods, true));
        // A hand moves a knob over a little time: the unit and the engine go on meanwhile.
        advanceTo (nowMs + 16.0);
    }
    knob.mouseUp (mouseAt (knob, start.translated (0.0f, static_cast<float> (pixels)), start, mods, true));
}

void World::typeInto (juce::TextEditor& box, const std::string& text)
{
    box.setHighlightedRegion ({0, box.getTotalNumChars()});
    const auto typed = juce::String::fromUTF8 (text.c_str());
    for (auto p = typed.getCharPointer(); !p.isEmpty();)
        box.keyPressed (juce::KeyPress (0, juce::ModifierKeys(), p.getAndAdvance()));
    pumpMessageLoop();
}

bool World::invoke (int commandId)
{
    return main->getCommandManager().invokeDirectly (commandId, false);
}

void World::portsOff (int which)
{
    if (which != 2 && inputOpen)
    {
        engine->setInput (nullptr);
        inputOpen = false;
    }
    if (which != 1 && outputOpen)
    {
        engine->setOutput (nullptr);
        outputOpen = false;
    }
    portChangedSinceLastMessage = true;
    outOfStep = true;
    noteDisturbance();
}

void World::portsOn()
{
    if (!inputOpen)
        engine->setInput (openUnitInput());
    if (!outputOpen)
        engine->setOutput (std::make_unique<TapPort> (*this, unit->createOutputPort()));
    inputOpen = outputOpen = true;
    portChangedSinceLastMessage = true;
    resyncFrom = wire.size();
    noteDisturbance();
}

std::unique_ptr<MidiInputPort> World::openUnitInput()
{
    if (std::getenv ("VR_SIM_WIRE") != nullptr)
        return std::make_unique<TapInput> (unit->createInputPort(), [this] { return nowMs; });
    return unit->createInputPort();
}

void World::noteDisturbance()
{
    transmitDisturbed = true;
    if (writeCheck.has_value())
        writeCheck->disturbed = true;
}

void World::afterTransferStep()
{
    const bool running = engine->isTransferRunning();
    const std::pair<int, int> numbers{store->currentProgramNumber, store->selectedProgram};
    if (!wasTransferRunning && running)
    {
        // What the action that started it left (a quit may write first),
        // but a receive sets the current number to its first program itself.
        numbersAtStart = numbers;
        numbersWireStart = wire.size();
        if (engine->getPhase() == TransferPhase::receiving)
            numbersAtStart.first = numbersAtRest.first;
    }
    // A transfer leaves the player on the program they were on, unless the
    // unit named the one it plays: a rename or a Write after it must not act
    // on the last program that passed.
    if (wasTransferRunning && !running && numbersAtStart.first >= 0 && numbers != numbersAtStart)
    {
        // Between two transfers seen as one (a quit asked again after a
        // transmit), a Write moves the player to the written slot.
        bool written = false;
        for (size_t i = numbersWireStart; i < wire.size(); ++i)
            written =
                written || (isMaker (wire[i].bytes, sysex::Code::programWriteRequest) &&
                            numberIn (wire[i].bytes) == numbers.first && numbers.first == numbers.second);
        const int unitProgram = unit->getCurrentProgram();
        if ((numbers.first != unitProgram || numbers.second != unitProgram) && !written &&
            !pendingViolation.has_value())
            pendingViolation = Violation{
                6, "a transfer ended on program " + std::to_string (numbers.first) + "/" +
                       std::to_string (numbers.second) + ", neither the player's " +
                       std::to_string (numbersAtStart.first) + "/" + std::to_string (numbersAtStart.second) +
                       " nor the unit's " + std::to_string (unitProgram)};
    }
    if (!running)
        numbersAtRest = numbers;
    // A unit identified again may hold other programs than those read before.
    if (engine->getIdentityCount() != identitiesSeen)
    {
        identitiesSeen = engine->getIdentityCount();
        if (!wasTransferRunning)
            unitProgramsKept = false;
    }
    if (engine->getPhase() == TransferPhase::transmitting && !unitProgramsKept &&
        !pendingViolation.has_value())
        pendingViolation = Violation{11, "a Transmit All began over programs kept in no backup"};
    if (wasTransferRunning && !running && watchingTransmit)
    {
        watchingTransmit = false;
        if (!transmitDisturbed && !unit->hasFaultsPending())
        {
            auto& rows = main->getLibraryView().getUnitList();
            std::ostringstream problem;
            std::vector<int> sent;
            for (size_t i = transmitWireStart; i < wire.size(); ++i)
                if (isMaker (wire[i].bytes, sysex::Code::programDump))
                    sent.push_back (numberIn (wire[i].bytes));
            for (int n = 0; n < kNumUserPrograms && problem.tellp() == 0; ++n)
            {
                const bool wanted = !transmitModifiedOnly || modifiedAtStart[static_cast<size_t> (n)] != 0;
                if (wanted && unit->getProgram (n) != rows.recordAt (n))
                    problem << "slot " << n << " of the unit differs from its row after the transmit";
                else if (wanted && std::count (sent.begin(), sent.end(), n) == 0)
                    problem << "slot " << n << " was never sent by a transmit nothing disturbed";
                if (transmitModifiedOnly && !wanted && std::count (sent.begin(), sent.end(), n) > 0)
                    problem << "slot " << n
                            << " was sent by a transmit of modified programs but was not modified";
            }
            if (problem.tellp() != 0 && !pendingViolation.has_value())
                pendingViolation = Violation{3, problem.str()};
        }
    }
    wasTransferRunning = running;
}

//==============================================================================
void World::perform (const Action& action)
{
    answering = &action;
    answerIndex = 0;
    if (!outputOpen && !infoOf (action.kind).unitEvent)
    {
        outOfStep = true;
        resyncFrom = wire.size();
    }

    // The player acting while what the panel sent is still on its way: the
    // same race the other way round.
    if (panelInFlight && !infoOf (action.kind).unitEvent)
    {
        outOfStep = true;
        resyncFrom = wire.size();
        resyncWhenUnitQuiet = true;
    }

    const auto modifiedBefore = store->modified;
    const bool runningBefore = engine->isTransferRunning();
    const auto asideBefore = store->comparedAside;
    const auto stateBefore = editState();
    const auto undoText = main->getSession().undoMenuText();
    const auto redoText = main->getSession().redoMenuText();
    const size_t wireBefore = wire.size();
    auto& editor = main->getEditorView();
    auto& strip = main->getNameStrip();
    auto& library = main->getLibraryView();
    const bool editorReachable = editor.isVisible() && editor.isEnabled();
    const bool libraryReachable = library.isVisible() && library.isEnabled();

    auto unitPanel = [this]
    {
        noteDisturbance();
        panelInFlight = true;
        // Both sides editing at once (the panel moves while the editor's
        // messages are still on their way) is a race no program can win.
        const bool crossing = !engine->isWireIdle() || unit->nextDueTime() >= 0.0;
        if (!inputOpen || unitSilent || crossing)
        {
            outOfStep = true;
            resyncFrom = wire.size();
            // What the panel sent may still arrive after the editor's next
            // whole program: only one sent after the unit fell quiet counts.
            resyncWhenUnitQuiet = crossing;
        }
    };

    switch (action.kind)
    {
        case Kind::view:
            if (auto* button = childNamed<juce::Button> (*main, action.a == 0 ? "m_ModeButtonEditor"
                                                                              : "m_ModeButtonPGList"))
                if (button->isEnabled())
                    click (*button);
            break;
        case Kind::unitRowClick:
            if (libraryReachable)
            {
                clickRow (library.getUnitTable(), action.a, action.b);
                // On screen the selected row is painted, which enables the list
                // edits; no window paints here.
                library.getUnitList().selectionSeen = true;
            }
            break;
        case Kind::romRowClick:
            if (libraryReachable)
                clickRow (library.getRomTable(), action.a, action.b);
            break;
        case Kind::unitKey:
        case Kind::romKey:
            if (libraryReachable)
            {
                static const int keys[] = {juce::KeyPress::upKey, juce::KeyPress::downKey,
                                           juce::KeyPress::pageUpKey, juce::KeyPress::pageDownKey,
                                           juce::KeyPress::returnKey};
                const juce::KeyPress key (keys[juce::jlimit (0, 4, action.a)],
                                          action.b != 0 ? juce::ModifierKeys::shiftModifier : 0, 0);
                if (action.kind == Kind::unitKey)
                    library.getUnitTable().keyPressed (key);
                else
                    library.getRomTable().keyPressed (key);
            }
            break;
        case Kind::knobGesture:
            if (editorReachable && clickable (editor.knob (action.a)))
                dragKnob (action.a, action.b, action.c);
            break;
        case Kind::typeValue:
        {
            auto& box = editor.valueBox (action.a);
            if (editorReachable && box.isEnabled() && !box.isReadOnly())
            {
                typeInto (box, action.text);
                box.keyPressed (
                    juce::KeyPress (action.b == 0 ? juce::KeyPress::returnKey : juce::KeyPress::escapeKey));
            }
            break;
        }
        case Kind::effectType:
            if (editorReachable && clickable (editor.typeBox (action.a)))
                editor.typeBox (action.a).setSelectedId (action.b + 1);
            break;
        case Kind::onOff:
            if (editorReachable && clickable (editor.onOffButton (action.a)))
                click (editor.onOffButton (action.a));
            break;
        case Kind::name:
            if (strip.isEnabled() && strip.nameBox().isEnabled())
            {
                typeInto (strip.nameBox(), action.text);
                strip.nameBox().keyPressed (juce::KeyPress (juce::KeyPress::returnKey));
            }
            break;
        case Kind::category:
            if (strip.isEnabled() && strip.categoryBox().isEnabled())
                strip.categoryBox().setSelectedId (action.a + 1);
            break;
        case Kind::write:
        {
            // A unit out of step writes what it holds, not what the editor shows.
            const bool outOfReach =
                outOfStep || unitSilent || !inputOpen || !outputOpen || unit->hasFaultsPending();
            WriteCheck pending{strip.numberBox().getText().getIntValue(), store->current, wireBefore,
                               outOfReach};
            const int requestsBefore = engine->getWriteRequestCount();
            int requestsOnWire = 0;
            for (const auto& record : wire)
                requestsOnWire += isMaker (record.bytes, sysex::Code::programWriteRequest) ? 1 : 0;
            pending.earlierRequests = requestsBefore - requestsOnWire;
            // Only a Write that asked the unit to store is checked (a question may cancel it).
            if (invoke (CommandIDs::writeCurrentProgram) && engine->getWriteRequestCount() > requestsBefore)
            {
                // What is written is the edited version, even when the stored one was shown.
                writeCheck = pending;
                writeCheck->program = store->current;
            }
            break;
        }
        case Kind::transmitAll:
            invoke (CommandIDs::transmitAll);
            break;
        case Kind::transmitModified:
            if (main->getActionManager().isCommandEnabled (CommandIDs::transmitAll))
                main->getActionManager().transmitAllPrograms (true, true);
            break;
        case Kind::receiveAll:
            invoke (CommandIDs::receiveAll);
            break;
        case Kind::stop:
            if (engine->isTransferRunning() && engine->getPhase() != TransferPhase::finishing)
                if (auto* button = childNamed<juce::Button> (*main, "TransferStop"))
                {
                    noteDisturbance();
                    click (*button);
                }
            break;
        case Kind::cut:
            invoke (CommandIDs::cut);
            break;
        case Kind::copy:
            invoke (CommandIDs::copy);
            break;
        case Kind::paste:
            invoke (CommandIDs::paste);
            break;
        case Kind::insert:
            invoke (CommandIDs::insert);
            break;
        case Kind::clear:
            invoke (CommandIDs::clear);
            break;
        case Kind::undo:
            invoke (CommandIDs::undo);
            break;
        case Kind::redo:
            invoke (CommandIDs::redo);
            break;
        case Kind::compare:
            if (editorReachable && editor.compareButton().isEnabled())
                click (editor.compareButton());
            break;
        case Kind::saveAs:
            invoke (CommandIDs::saveAs);
            break;
        case Kind::exportSysex:
            invoke (CommandIDs::exportSysex);
            break;
        case Kind::openFile:
            invoke (CommandIDs::openFile);
            break;
        case Kind::closeFiles:
            invoke (CommandIDs::closeFiles);
            break;
        case Kind::portOff:
            portsOff (action.a);
            break;
        case Kind::portOn:
            portsOn();
            break;
        case Kind::quit:
            if (engine->isTransferRunning())
                noteDisturbance();
            invoke (CommandIDs::quit);
            break;
        case Kind::unitKnob:
            unitPanel();
            unit->turnKnob (action.a, action.b);
            break;
        case Kind::unitProgram:
            unitPanel();
            // The editor takes a program the unit selects from its list: a
            // slot written on the panel unheard is out of its reach.
            if (action.a >= 0 && action.a < kNumUserPrograms &&
                writtenUnheard.test (static_cast<size_t> (action.a)) &&
                unit->getProgram (action.a) != library.getUnitList().recordAt (action.a))
            {
                outOfStep = true;
                resyncFrom = wire.size();
            }
            unit->selectProgram (action.a);
            break;
        case Kind::unitWrite:
            unitPanel();
            if (action.a >= 0 && action.a < kNumUserPrograms)
            {
                writtenOnPanel.set (static_cast<size_t> (action.a));
                // A transfer takes no program dump but those it asked for.
                if (!inputOpen || unitSilent || engine->isTransferRunning())
                    writtenUnheard.set (static_cast<size_t> (action.a));
            }
            unit->writeOnPanel (action.a);
            break;
        case Kind::unitDrop:
            noteDisturbance();
            unit->dropNextReplies (action.a);
            break;
        case Kind::unitRepeat:
            noteDisturbance();
            unit->repeatNextReplies (action.a);
            break;
        case Kind::unitDelay:
            noteDisturbance();
            unit->delayNextReplies (action.a, std::chrono::milliseconds (action.b));
            break;
        case Kind::unitWrongNumber:
            noteDisturbance();
            unit->answerNextDumpRequestsWithNextProgram (action.a);
            break;
        case Kind::unitFail:
            noteDisturbance();
            unit->failNextDumpRequests (action.a);
            break;
        case Kind::unitSpoil:
            noteDisturbance();
            if (action.b == 0)
                unit->protectNextStores (action.a);
            else
                unit->corruptNextStores (action.a);
            break;
        case Kind::unitSilent:
            noteDisturbance();
            unitSilent = action.a != 0;
            unit->setSilent (unitSilent);
            if (unitSilent)
                outOfStep = true;
            resyncFrom = wire.size();
            break;
        case Kind::count:
            break;
    }

    // A transfer this action started: watch whether it runs undisturbed.
    if (!runningBefore && engine->isTransmitting())
    {
        watchingTransmit = true;
        transmitModifiedOnly = action.kind != Kind::transmitAll;
        transmitDisturbed = unit->hasFaultsPending() || !inputOpen || !outputOpen;
        // A Write the action made first (Quit offers one) marks its slot until acknowledged.
        modifiedAtStart = modifiedBefore;
        for (size_t n = 0; n < modifiedAtStart.size(); ++n)
            modifiedAtStart[n] = static_cast<std::uint8_t> (modifiedAtStart[n] | store->modified[n]);
        transmitWireStart = wireBefore;
    }
    if (!runningBefore && engine->isTransferRunning() && writeCheck.has_value() && action.kind != Kind::write)
        writeCheck->disturbed = true;

    settle();
    if (auto v = checkEditAction (action, asideBefore, stateBefore, undoText, redoText);
        v.has_value() && !pendingViolation.has_value())
        pendingViolation = v;
    if (action.waitMs >= 0 || !quitRequested)
        wait (action.waitMs);
    answering = nullptr;
}

World::EditState World::editState() const
{
    EditState state{store->current,         store->loaded,
                    store->programSerial,   store->currentProgramNumber,
                    store->selectedProgram, {}};
    const auto& rows = main->getLibraryView().getUnitList();
    for (int n = 0; n < rows.size(); ++n)
        state.rows.push_back (rows.recordAt (n));
    return state;
}

std::optional<Violation> World::checkEditAction (const Action& action,
                                                 const std::optional<ProgramRecord>& asideBefore,
                                                 const EditState& before, const juce::String& undoText,
                                                 const juce::String& redoText)
{
    const auto after = editState();
    const bool undo = action.kind == Kind::undo && undoText != "Undo";
    const bool redo = action.kind == Kind::redo && redoText != "Redo";
    if ((action.kind != Kind::undo && action.kind != Kind::redo) ||
        (afterUndoOrRedo.has_value() && !(before == *afterUndoOrRedo)))
        undoneFrom.clear();
    afterUndoOrRedo.reset();
    if (action.kind == Kind::undo || action.kind == Kind::redo)
        afterUndoOrRedo = after;

    // Leaving Compare, however it ends, gives back the edit exactly.
    const bool endsCompareOnly = action.kind == Kind::compare || action.kind == Kind::write ||
                                 action.kind == Kind::view || action.kind == Kind::transmitAll ||
                                 action.kind == Kind::transmitModified;
    if (asideBefore.has_value() && !store->comparedAside.has_value() && endsCompareOnly &&
        store->editedRecord() != *asideBefore)
        return Violation{7, "leaving Compare did not give back the edit:" +
                                differences (store->editedRecord(), *asideBefore)};

    if (!undo && !redo)
        return std::nullopt;
    const auto step = (undo ? undoText : redoText).fromFirstOccurrenceOf (" ", false, false);
    const bool choice = step == "Program Change";
    const bool listStep = step == "Cut" || step == "Paste" || step == "Insert" || step == "Clear";

    // An undo or redo changes only the program it names.
    if (!choice && (after.serial != before.serial || after.number != before.number))
        return Violation{8, (undo ? "Undo " : "Redo ") + step.toStdString() + " went from program " +
                                std::to_string (before.number) + " to " + std::to_string (after.number)};
    if (listStep && after.current != before.current)
        return Violation{8, "Undo or Redo of " + step.toStdString() + " changed the current program"};
    // A rename or category step puts back the one row it renamed.
    int rowsChanged = 0;
    for (size_t n = 0; n < after.rows.size() && n < before.rows.size(); ++n)
        rowsChanged += after.rows[n] != before.rows[n] ? 1 : 0;
    if (!choice && !listStep && rowsChanged > 1)
        return Violation{8, (undo ? "Undo " : "Redo ") + step.toStdString() + " of program " +
                                std::to_string (before.number) + " changed " + std::to_string (rowsChanged) +
                                " rows"};
    if (choice && rowsChanged > 0)
        return Violation{8, (undo ? "Undo " : "Redo ") + step.toStdString() + " changed the unit list"};

    // k undos, then k redos, bring back what each undo left.
    if (undo)
    {
        undoneFrom.push_back (before);
        return std::nullopt;
    }
    if (undoneFrom.empty())
        return std::nullopt;
    const auto expected = undoneFrom.back();
    undoneFrom.pop_back();
    std::ostringstream problem;
    if (after.current != expected.current)
        problem << " the program:" << differences (after.current, expected.current) << ";";
    if (after.loaded != expected.loaded)
        problem << " its baseline:" << differences (after.loaded, expected.loaded) << ";";
    if (after.number != expected.number || after.selected != expected.selected)
        problem << " program " << after.number << "/" << after.selected << " not " << expected.number << "/"
                << expected.selected << ";";
    for (size_t n = 0; n < after.rows.size() && n < expected.rows.size() && problem.tellp() == 0; ++n)
        if (after.rows[n] != expected.rows[n])
            problem << " slot " << n << ";";
    if (problem.tellp() != 0)
        return Violation{9, "Redo " + step.toStdString() +
                                " did not bring back what its undo left:" + problem.str()};
    return std::nullopt;
}

std::optional<Violation> World::checkMarks()
{
    // Transmitting the modified programs makes the unit equal the list:
    // every row that differs from the unit's slot is marked.
    if (!inputOpen || !outputOpen || unitSilent || unit->hasFaultsPending())
        return std::nullopt;
    const auto& rows = main->getLibraryView().getUnitList();
    for (int n = 0; n < kNumUserPrograms && n < rows.size(); ++n)
    {
        const auto i = static_cast<size_t> (n);
        if (store->modified[i] != 0 || !store->unitHoldsKnown[i] || writtenOnPanel.test (i))
            continue;
        if (rows.recordAt (n) != unit->getProgram (n))
            return Violation{10, "slot " + std::to_string (n) +
                                     " differs from the unit's but is not marked:" +
                                     differences (rows.recordAt (n), unit->getProgram (n))};
    }
    return std::nullopt;
}

//==============================================================================
Action World::generate (std::mt19937& random, const KindSet& allowed) const
{
    auto pick = [&random] (int n)
    { return n > 0 ? static_cast<int> (random() % static_cast<unsigned> (n)) : 0; };

    int total = 0;
    for (int k = 0; k < static_cast<int> (Kind::count); ++k)
        if (allowed[static_cast<size_t> (k)])
            total += infoOf (static_cast<Kind> (k)).weight;
    Action action;
    int roll = pick (total);
    for (int k = 0; k < static_cast<int> (Kind::count); ++k)
    {
        if (!allowed[static_cast<size_t> (k)])
            continue;
        roll -= infoOf (static_cast<Kind> (k)).weight;
        if (roll < 0)
        {
            action.kind = static_cast<Kind> (k);
            break;
        }
    }

    auto modifiers = [&] { return pick (10) < 8 ? 0 : 1 + pick (2); };
    const auto unitBuffer = unit->getEditBuffer();

    switch (action.kind)
    {
        case Kind::view:
            action.a = pick (2);
            break;
        case Kind::unitRowClick:
            action.a = pick (4) == 0 ? store->selectedProgram % kNumUserPrograms : pick (kNumUserPrograms);
            action.b = modifiers();
            break;
        case Kind::romRowClick:
            action.a = pick (main->getLibraryView().getRomList().size());
            action.b = modifiers();
            break;
        case Kind::unitKey:
        case Kind::romKey:
            action.a = pick (5);
            action.b = pick (4) == 0 ? 1 : 0;
            break;
        case Kind::knobGesture:
            action.a = pick (kNumKnobs);
            action.b = pick (241) - 120;
            action.c = 1 + pick (4);
            break;
        case Kind::typeValue:
        {
            static const char* const odd[] = {"",   "abc", "12abc", " 7 ",  "3.5", "99999", "-4",
                                              "+5", "1e3", "0x1F",  "10.0", "5ms", "off"};
            action.a = pick (kNumKnobs);
            action.b = pick (6) == 0 ? 1 : 0;
            action.text = pick (3) == 0 ? odd[pick (13)] : std::to_string (pick (40));
            break;
        }
        case Kind::effectType:
            action.a = pick (numSections);
            action.b = pick (effectTypes (action.a).size);
            break;
        case Kind::onOff:
            action.a = pick (numSections);
            break;
        case Kind::name:
        {
            static const char* const pieces[] = {"A", "b", "Z",        "q",        "7", " ",
                                                 "-", "!", "\xc3\x9f", "\xc3\xa9", "~", "_"};
            const int length = pick (15);
            for (int i = 0; i < length; ++i)
                action.text += pieces[pick (12)];
            break;
        }
        case Kind::category:
            action.a = pick (kNumCategories);
            break;
        case Kind::saveAs:
        case Kind::exportSysex:
            action.a = pick (FilePool::kSaveChoices);
            break;
        case Kind::openFile:
            action.a = pick (FilePool::kOpenChoices);
            break;
        case Kind::portOff:
            action.a = pick (3);
            break;
        case Kind::unitKnob:
        {
            const int which = pick (20);
            if (which < 12)
            {
                action.a = kFirstKnobParameter + which;
                action.b = pick (knobTop (unitBuffer, which) + 1);
            }
            else if (which < 15)
            {
                const int section = pick (numSections);
                action.a = RecordByte::firstType + section;
                action.b = pick (effectTypes (section).size);
            }
            else if (which < 18)
            {
                action.a = RecordByte::onOffMask;
                action.b = pick (64);
            }
            else
            {
                action.a = RecordByte::category;
                action.b = pick (kNumCategories);
            }
            break;
        }
        case Kind::unitProgram:
        {
            const int which = pick (3);
            action.a = which == 0   ? pick (kNumPrograms)
                       : which == 1 ? store->currentProgramNumber
                                    : store->selectedProgram;
            break;
        }
        case Kind::unitWrite:
            action.a = pick (2) == 0 ? store->selectedProgram % kNumUserPrograms : pick (kNumUserPrograms);
            break;
        case Kind::unitDrop:
        case Kind::unitRepeat:
            action.a = 1 + pick (2);
            break;
        case Kind::unitDelay:
            action.a = 1 + pick (2);
            action.b = 20 + pick (4000);
            break;
        case Kind::unitWrongNumber:
        case Kind::unitFail:
            action.a = 1 + pick (3);
            break;
        case Kind::unitSilent:
            action.a = unitSilent ? 0 : 1;
            break;
        case Kind::unitSpoil:
            action.a = 1 + pick (3);
            action.b = pick (2);
            break;
        default:
            break;
    }

    for (int i = 0; i < 8; ++i)
        if (pick (10) < 3)
            action.answers |= 1u << i;
    const int wait = pick (20);
    action.waitMs = wait < 7 ? -1 : wait < 13 ? pick (60) : pick (700);
    // What follows a Write often comes at once, while its acknowledgement is on the way.
    if (action.kind == Kind::write && pick (3) == 0)
        action.waitMs = pick (15);
    return action;
}

std::string World::status() const
{
    std::ostringstream out;
    out << "t=" << static_cast<long> (nowMs) << " wire=" << wire.size()
        << " phase=" << static_cast<int> (engine->getPhase()) << " program=" << store->currentProgramNumber
        << "/" << store->selectedProgram << " view=" << store->viewMode << " connected=" << store->connected
        << " unit-row0=" << (main->getLibraryView().getUnitList().recordAt (0) == unit->getProgram (0))
        << " idle=" << isIdle();

    static const bool showWire = std::getenv ("VR_SIM_WIRE") != nullptr;
    for (size_t i = showWire ? tracedWire : wire.size(); i < wire.size(); ++i)
        out << "\n    " << wire[i].atMs << ": " << describe (wire[i].bytes);
    tracedWire = wire.size();
    return out.str();
}

//==============================================================================
std::optional<Violation> World::check()
{
    if (assertions.count > assertionsSeen)
    {
        assertionsSeen = assertions.count;
        return Violation{5, assertions.first};
    }
    if (auto v = std::exchange (pendingViolation, std::nullopt))
        return v;
    if (auto v = checkWire())
        return v;
    if (!isIdle())
        return std::nullopt;
    if (auto v = checkWrite())
        return v;
    if (auto v = checkMarks())
        return v;
    return checkOneProgram();
}

std::optional<Violation> World::checkWire()
{
    std::optional<Violation> found;
    int lastRequest = -1;
    for (size_t i = wireChecked; i < wire.size() && !found.has_value(); ++i)
    {
        const auto& record = wire[i];
        if (!isWholeMessage (record.bytes))
        {
            found = Violation{1, "a broken message reached the unit: " + describe (record.bytes)};
            break;
        }
        if (isMaker (record.bytes, sysex::Code::programDumpRequest))
        {
            const int n = numberIn (record.bytes);
            const bool needsPause = n >= 1 || n == lastRequest;
            lastRequest = n;
            if (needsPause && i > 0 && !record.afterPortChange && record.atMs - wire[i - 1].atMs < 1.0 - 1e-9)
                found = Violation{1, "program request " + std::to_string (n) + " came " +
                                         std::to_string (record.atMs - wire[i - 1].atMs) +
                                         " ms after the message before it"};
        }
        if (i == 0 || record.afterPortChange)
            continue;
        const auto& before = wire[i - 1];
        const double gap = record.atMs - before.atMs;
        const double needed = pauseAfter (before.bytes);
        if (gap + 1e-9 < needed)
            found = Violation{1, describe (record.bytes) + " came " + std::to_string (gap) + " ms after " +
                                     describe (before.bytes) + ", which needs " + std::to_string (needed) +
                                     " ms"};
        const auto& b = before.bytes;
        const auto& r = record.bytes;
        const bool bankMsb = b.size() == 3 && (b[0] & 0xf0) == 0xb0 && b[1] == 0;
        const bool bankLsb = b.size() == 3 && (b[0] & 0xf0) == 0xb0 && b[1] == 32;
        if (bankMsb && !(r.size() == 3 && (r[0] & 0xf0) == 0xb0 && r[1] == 32))
            found = Violation{1, "a bank select was followed by " + describe (r) + ", not its bank LSB"};
        if (bankLsb && !(r.size() == 2 && (r[0] & 0xf0) == 0xc0))
            found = Violation{1, "a bank LSB was followed by " + describe (r) + ", not its program change"};
        if (isMaker (b, sysex::Code::programWriteRequest) && !isMaker (r, sysex::Code::programNumberNotice))
            found =
                Violation{1, "a write request was followed by " + describe (r) + ", not its number notice"};
    }
    wireChecked = wire.size();
    return found;
}

std::optional<Violation> World::checkWrite()
{
    if (!writeCheck.has_value())
        return std::nullopt;
    const auto expected = std::exchange (writeCheck, std::nullopt);
    int earlier = expected->earlierRequests;
    for (size_t i = expected->wireStart; i < wire.size(); ++i)
    {
        if (!isMaker (wire[i].bytes, sysex::Code::programWriteRequest) || earlier-- > 0)
            continue;
        const int slot = numberIn (wire[i].bytes);
        if (slot != expected->shownSlot % kNumUserPrograms)
            return Violation{4, "Write stored into slot " + std::to_string (slot) +
                                    " while the number box showed " + std::to_string (expected->shownSlot)};
        if (!expected->disturbed && unit->getProgram (slot) != expected->program)
            return Violation{4, "slot " + std::to_string (slot) + " does not hold the written program:" +
                                    differences (unit->getProgram (slot), expected->program)};
        break;
    }
    return std::nullopt;
}

std::optional<Violation> World::checkOneProgram()
{
    auto& editor = main->getEditorView();
    if (!inputOpen || !outputOpen || unitSilent)
        return std::nullopt;
    if (outOfStep)
    {
        // In step again once the editor has sent the whole program since.
        for (size_t i = resyncFrom; i < wire.size() && outOfStep; ++i)
            if (isMaker (wire[i].bytes, sysex::Code::currentProgramDump))
                outOfStep = false;
        if (outOfStep)
            return std::nullopt;
    }

    const auto& current = store->current;
    if (unit->getEditBuffer() != current)
        return Violation{2, "the unit's edit buffer differs from the current program (unit/store):" +
                                differences (unit->getEditBuffer(), current)};

    // The editor's controls follow the store while they are on screen (the
    // view reads the store again when it is shown); the strip always shows.
    std::ostringstream shown;
    const DispCenter display (*store);
    for (int k = 0; k < kNumKnobs && editor.isVisible(); ++k)
    {
        const int value = store->getKnob (k);
        // A program may hold more than its type allows (the default record's
        // gain does): the knob stops at the type's limit.
        const int drawn = std::min (value, knobTop (current, k));
        if (static_cast<int> (editor.knob (k).getValue()) != drawn)
            shown << " knob " << k << " shows " << editor.knob (k).getValue() << " of " << value << ";";
        const auto text = display.valueToText (kFirstKnobParameter + k, drawn);
        if (editor.valueBox (k).getText() != text)
            shown << " value box " << k << " shows '" << editor.valueBox (k).getText() << "' not '" << text
                  << "';";
    }
    for (int s = 0; s < numSections && editor.isVisible(); ++s)
    {
        if (editor.typeBox (s).getSelectedId() != store->getType (s) + 1)
            shown << " type box " << s << " shows " << editor.typeBox (s).getSelectedId() - 1 << " of "
                  << store->getType (s) << ";";
        const bool on = ((current[RecordByte::onOffMask] >> s) & 1) != 0;
        if (editor.onOffButton (s).getToggleState() != on)
            shown << " on/off " << s << " shows " << !on << ";";
    }
    auto& strip = main->getNameStrip();
    // The box shows the name without the spaces that pad it to ten characters.
    if (strip.nameBox().getText().trimEnd() != store->getName().trimEnd())
        shown << " name box shows '" << strip.nameBox().getText() << "' of '" << store->getName() << "';";
    if (strip.categoryBox().getSelectedId() != current[RecordByte::category] + 1)
        shown << " category shows " << strip.categoryBox().getSelectedId() - 1 << ";";
    if (shown.tellp() != 0)
        return Violation{2, "the editor does not show the current program:" + shown.str()};
    return std::nullopt;
}
} // namespace vr::sim
