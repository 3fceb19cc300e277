#pragma once

#include "SimActions.h"
#include "data/ProgramRecord.h"
#include "midi/MidiPort.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <bitset>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace vr
{
class DataCenter;
class MainComponent;
class MidiReceiver;
class VirtualUnit;
} // namespace vr

namespace vr::sim
{
// Which action kinds a run may pick.
using KindSet = std::bitset<static_cast<size_t> (Kind::count)>;

// The files a chooser can return: a few valid ones written at start, a bad
// one, one that is missing, and the places Save As and Export write to.
class FilePool
{
public:
    FilePool();
    ~FilePool();

    // Index 0 is a cancelled chooser.
    juce::File toOpen (int index) const;
    juce::File toSave (int index) const;
    static constexpr int kOpenChoices = 9;
    static constexpr int kSaveChoices = 4;

    // Removes what earlier runs saved, so every run starts alike.
    void forgetSaves() const;

private:
    juce::File folder;
    std::vector<juce::File> openChoices;
    std::vector<juce::File> saveChoices;
};

struct Violation
{
    int invariant{0};
    std::string detail;
};

// Counts "JUCE Assertion failure" lines written to the log.
class AssertionCounter : public juce::Logger
{
public:
    void logMessage (const juce::String& message) override;
    int count{0};
    std::string first;
};

// The whole program on a simulated clock: the window's content (headless),
// the engine and a virtual unit, driven by actions. Nothing happens by
// itself: perform() and wait() move it on.
class World
{
public:
    World (std::uint32_t seed, const FilePool& files, AssertionCounter& assertions);
    ~World();

    void perform (const Action& action);
    // Lets simulated time pass (negative: until things settle).
    void wait (int ms);
    // The invariants that hold at this point; nothing when they all do.
    std::optional<Violation> check();

    // A player action that fits the state, or a unit event.
    Action generate (std::mt19937& random, const KindSet& allowed) const;

    bool hasQuit() const noexcept { return quitRequested; }
    // One line about where things stand, for tracing a run.
    std::string status() const;
    double now() const noexcept { return nowMs; }

private:
    class Directory;
    class TapPort;
    class AnsweringDialogs;
    struct WireRecord
    {
        std::vector<std::uint8_t> bytes;
        double atMs;
        bool afterPortChange;
    };

    // One instant: everything due by now runs, until nothing more does.
    void settle();
    void advanceTo (double targetMs);
    bool isQuiet() const;
    bool isIdle() const;
    void pumpMessageLoop();
    void stopRealTimeWatching();
    int nextAnswer();

    void click (juce::Button& button);
    void clickRow (juce::TableListBox& table, int row, int modifiers);
    void dragKnob (int knob, int pixels, int moves);
    void typeInto (juce::TextEditor& box, const std::string& text);
    bool invoke (int commandId);
    void portsOff (int which);
    void portsOn();
    std::unique_ptr<MidiInputPort> openUnitInput();
    void noteDisturbance();
    void afterTransferStep();

    // The edit session's promises around one action (compare, undo, redo).
    struct EditState
    {
        ProgramRecord current, loaded;
        std::uint64_t serial;
        int number, selected;
        std::vector<ProgramRecord> rows;
        bool operator== (const EditState& o) const
        {
            return current == o.current && loaded == o.loaded && number == o.number &&
                   selected == o.selected && rows == o.rows;
        }
    };
    EditState editState() const;
    std::optional<Violation> checkEditAction (const Action& action,
                                              const std::optional<ProgramRecord>& asideBefore,
                                              const EditState& before, const juce::String& undoText,
                                              const juce::String& redoText);
    std::optional<Violation> checkMarks();
    std::optional<Violation> checkWire();
    std::optional<Violation> checkOneProgram();
    std::optional<Violation> checkWrite();

    const FilePool& files;
    AssertionCounter& assertions;
    double nowMs{0.0};
    double nextWatchdogMs{250.0};
    std::mt19937 setupRandom;

    std::unique_ptr<DataCenter> store;
    std::unique_ptr<MidiReceiver> engine;
    std::shared_ptr<VirtualUnit> unit;
    std::unique_ptr<Directory> directory;
    std::unique_ptr<juce::ChangeBroadcaster> selection;
    std::unique_ptr<AnsweringDialogs> dialogs;
    std::unique_ptr<MainComponent> main;

    // What the action being performed answers.
    const Action* answering{nullptr};
    int answerIndex{0};

    std::vector<WireRecord> wire;
    size_t wireChecked{0};
    mutable size_t tracedWire{0};
    bool portChangedSinceLastMessage{false};
    bool inputOpen{true};
    bool outputOpen{true};
    bool unitSilent{false};
    // Edits or panel events the other side could not hear: the unit and the
    // editor agree again only after the editor sends the whole program.
    bool outOfStep{false};
    size_t resyncFrom{0};
    bool resyncWhenUnitQuiet{false};
    bool panelInFlight{false};

    // Transmit All of every program, undisturbed so far.
    bool watchingTransmit{false};
    bool transmitModifiedOnly{false};
    bool transmitDisturbed{false};
    size_t transmitWireStart{0};
    std::array<std::uint8_t, kNumUserPrograms> modifiedAtStart{};
    bool wasTransferRunning{false};
    // The program numbers (current, selected) when no transfer ran, and at
    // the start of the one that runs.
    std::pair<int, int> numbersAtRest{-1, -1};
    std::pair<int, int> numbersAtStart{-1, -1};
    size_t numbersWireStart{0};
    std::optional<Violation> pendingViolation;

    // The Write being checked: the slot its number box showed and the
    // program the editor held.
    struct WriteCheck
    {
        int shownSlot;
        ProgramRecord program;
        size_t wireStart;
        bool disturbed;
        int earlierRequests{0}; // write requests still queued when this one was asked
    };
    std::optional<WriteCheck> writeCheck;

    // States before each undo since the last action that was neither undo
    // nor redo: k redos must bring them back in turn.
    std::vector<EditState> undoneFrom;
    // What the last undo or redo left: anything else changing it since (an
    // answer from the unit) makes the next redo's result another matter.
    std::optional<EditState> afterUndoOrRedo;
    // Slots the unit's own panel wrote since the last Receive All.
    std::bitset<kNumUserPrograms> writtenOnPanel;
    std::bitset<kNumUserPrograms> writtenUnheard; // panel writes the editor could not hear
    // The unit's programs as identified were read whole since (a receive or
    // the read before a transmit).
    bool unitProgramsKept{false};
    int identitiesSeen{0};

    int assertionsSeen{0};
    bool quitRequested{false};
};
} // namespace vr::sim
