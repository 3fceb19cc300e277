#pragma once

#include "DeferredSteps.h"
#include "MidiPort.h"
#include "PacedSender.h"
#include "ProgramRows.h"
#include "SysexMessages.h"
#include "Transfer.h"

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace vr
{
class DataCenter;
class MidiMonitor;

// The one connection to the unit: owns the ports, mirrors the unit's
// parameter and program changes into the store, runs Receive All and
// Transmit All, and offers the senders the views use.
//
// Threads: messages arrive on the port's thread and are only queued there;
// each is then handled whole, in arrival order, on the message thread, which
// is the only thread that touches the store, the lists and the flags. (Doing
// the work on the MIDI thread under the message-manager lock deadlocks on
// Linux, where opening or closing a port waits for the MIDI thread.)
//
// The change broadcast means: the current program, its number or the unit
// list may have changed.
class MidiReceiver : public juce::ChangeBroadcaster,
                     private MidiMessageSink,
                     private juce::AsyncUpdater,
                     private juce::Timer
{
public:
    // With `simulatedClockMs` nothing runs by itself: the owner drives the
    // clock, pumps the wire (pumpWire) and checks the watchdog; without it,
    // real time.
    explicit MidiReceiver (DataCenter& store, std::function<double()> simulatedClockMs = {});
    ~MidiReceiver() override;

    // Ports. Either may be empty: every sender then does nothing. The old
    // port is closed before the new one is opened by the caller.
    void setInput (std::unique_ptr<MidiInputPort> newInput);
    void setOutput (std::unique_ptr<MidiOutputPort> newOutput);
    // Stops delivery from the input; queued messages are dropped. Called at
    // shut-down before the store goes.
    void stopInput();
    bool hasOutput() const noexcept { return output != nullptr; }

    void setProgramLists (UnitRows* unit, StoredRows* romAndFiles) noexcept;
    void setCommandTarget (DeferredStepRunner* target) noexcept { commandTarget = target; }
    // The monitor told every message in and out (null: none); it must
    // outlive this receiver.
    void setMonitor (MidiMonitor* monitorToTell)
    {
        inputMonitor = monitorToTell;
        sender.setMonitor (monitorToTell);
    }

    // Senders (nothing happens without an output port). Pauses the unit
    // needs are kept on the wire; the caller does not wait for them.
    void sendIdentityRequest();
    void requestCurrentProgram();
    void requestProgram (int programNumber);
    void requestProgramNumber();
    void sendProgramNumberNotice();
    void sendWriteRequest (int programNumber);
    void sendProgramDump (int programNumber);
    void sendCurrentProgram();
    void sendListRow (int rowNumber);
    void selectProgram (int programNumber);
    // One parameter of the current program; an on/off change is followed by
    // the pause the unit needs to switch the effect. False without a port.
    bool sendParameterChange (int parameter, int value);
    void send (const juce::MidiMessage& message);

    // Bulk transfers, after the user's confirmation. The caller greys out the
    // views first. Nothing starts while another transfer runs (returns false).
    bool startReceiveAll();
    bool startTransmitAll (bool modifiedOnly);

    // Ends a running transfer as the watchdog does, without a report: the
    // final step puts the saved edit buffer back.
    void stopTransfer();

    // The engine's share of the step that ends a transfer: the saved edit
    // buffer goes back into the store and to the unit.
    void finishTransfer();

    TransferPhase getPhase() const noexcept { return transfer.getPhase(); }
    // True from the start of a transfer until its final step has run.
    bool isTransferRunning() const noexcept { return transfer.isRunning(); }
    bool isReceiving() const noexcept
    {
        return getPhase() == TransferPhase::identifying || getPhase() == TransferPhase::receiving;
    }
    bool isTransmitting() const noexcept
    {
        return getPhase() == TransferPhase::transmitting || getPhase() == TransferPhase::verifying ||
               getPhase() == TransferPhase::backingUp;
    }
    bool isAwaitingNumber() const noexcept { return awaitingNumber; }
    bool isWritePending() const;
    // A written program is being read back.
    bool isVerifyingWrite() const noexcept { return verifySlot >= 0; }
    // Programs found not stored as sent so far, after Writes and Transmit Alls.
    int getNotStoredCount() const noexcept { return notStoredCount; }
    // Write requests asked to be sent so far (some may still wait their turn).
    int getWriteRequestCount() const noexcept { return writeRequests; }
    // The unit was asked what it plays (after changes crossed on the wires)
    // and has not answered yet.
    bool isCheckingUnit() const noexcept { return resyncAskedAtMs >= 0.0; }
    int getTransferIndex() const noexcept { return transfer.getIndex(); }
    TransferProgress getProgress() const noexcept { return transfer.getProgress(); }
    // Accepted identity replies so far: tells a new answer from an old one.
    int getIdentityCount() const noexcept { return identityCount; }
    // Messages dropped because the input queue was full.
    int getDroppedMessageCount() const noexcept { return dropped.load(); }
    int getQueuedMessageCount() const;

    // Handles one message now, on the message thread (what the queue does
    // for every message that arrives).
    void handleMessage (const juce::MidiMessage& message);
    // Handles everything queued so far.
    void handleQueuedMessages();

    // Watchdog: a bulk transfer with no awaited reply for `timeoutMs`, or
    // with more than `maxRetries` retries of one program, is abandoned.
    void setWatchdog (int timeoutMs, int maxRetries) noexcept;
    void setClock (std::function<double()> millisecondClock);
    void checkWatchdog();

    // Waits until every message scheduled after a pause is on the wire.
    void flushOutput() { sender.flush(); }
    // With a simulated clock: sends what is due by now. The next message
    // held back is due at nextWireDueMs (negative: nothing held back).
    void pumpWire() { sender.pump(); }
    double nextWireDueMs() const { return sender.nextDueMs(); }
    bool isWireIdle() const { return sender.isIdle(); }

    // Told when a Receive All begins: the unit list is then the unit's own.
    std::function<void()> onReceiveStarted;
    // With this on, a Transmit All over programs no completed receive from
    // the unit has read since it was identified first reads them all (the
    // unit list untouched) and hands them to onUnitProgramsRead.
    void setBackupBeforeTransmit (bool on) noexcept { backupBeforeTransmit = on; }
    std::function<void (const std::vector<ProgramRecord>& programs)> onUnitProgramsRead;
    // Runs each replacement of the current program the unit makes (a program
    // change, a program sent of its own accord), so the edit history can
    // keep an edited program it replaces. Unset, the replacement just runs.
    std::function<void (const std::function<void()>& replace)> aroundProgramReplacement;
    // Runs each parameter change the unit makes to the current program, so a
    // compare of it can end first. Unset, the change just runs.
    std::function<void (const std::function<void()>& apply)> aroundUnitEdit;

    // Pause between messages; by default the paced sender keeps it on the
    // wire. Tests replace it to send everything at once.
    std::function<void (int milliseconds)> pause;

    // Input queue bounds: how many arrivals are handled per message-loop
    // turn, and how many may wait.
    static constexpr int kMessagesPerSlice = 64;
    static constexpr size_t kMaxQueuedMessages = 4096;

private:
    void messageArrived (const juce::MidiMessage& message) override; // port thread
    void handleAsyncUpdate() override;
    bool handleNextQueued();
    void timerCallback() override { checkWatchdog(); }

    void handleIdentityReply (const sysex::Incoming& in);
    void handleMaker (const sysex::Incoming& in);
    void handleOperationCompleted();
    void handleOperationFailed();
    void handleCurrentProgramDump (const std::vector<std::uint8_t>& bytes);
    void handleParameterChange (const std::vector<std::uint8_t>& bytes);
    void handleCurrentProgramNumber (const std::vector<std::uint8_t>& bytes);
    // Returns true when the dump ended a Receive All.
    bool handleProgramDump (const std::vector<std::uint8_t>& bytes);
    void handleProgramChange (int programChange);
    void acceptDump (int n, const ProgramRecord& record);
    // A program read back: the unit holds it; it is marked unless it is what was sent.
    bool readBack (int n, const ProgramRecord& held, const ProgramRecord& sentRecord);
    void writeVerified (const ProgramRecord* held);
    // Whether a message of ours may still be on its way to the unit.
    bool mayHaveCrossed() const;
    // Asks the unit for its edit buffer, which the editor then follows;
    // `keepEdit`: the answer is the same program edited, not a new choice.
    void checkWhatTheUnitPlays (bool keepEdit);
    void giveUpCheck();
    void replaceProgram (const std::function<void()>& replace);

    bool startTransfer (TransferPhase first, int firstIndex, int total);
    // The first messages of a transfer, once no write awaits its answer.
    void afterPendingWrite (std::function<void()> firstSends);
    void releaseHeldStart();
    int nextToTransmit (int from) const;
    // What the transfer decided: sends, and the end of the transfer.
    void carryOut (Transfer::Next next);
    void transferOver (Transfer::Next how);
    void requestStep (int code);
    void startWatchdog();

    DataCenter& dataCenter;
    Transfer transfer;
    std::unique_ptr<MidiInputPort> input;
    std::unique_ptr<MidiOutputPort> output;
    PacedSender sender;
    ProgramRecord receiveBuffer{};
    bool modifiedOnly{false};
    bool awaitingNumber{false};
    bool writePending{false};
    double writeRequestedMs{0.0};
    ProgramRecord writtenRecord{};
    int writtenSlot{-1};
    // The written program being read back (-1: none), and what was sent.
    int verifySlot{-1};
    int verifyTries{0};
    ProgramRecord verifyExpected{};
    // A read-back given up on: its late answer is no program of the unit's choosing.
    int lastVerifySlot{-1};
    double verifyGivenUpMs{-1.0e9};
    static constexpr int kVerifyTries = 3;
    // Programs a transmit's read-back found not stored as sent.
    std::vector<int> notStored;
    int notStoredCount{0};
    bool backupBeforeTransmit{false};
    // The unit's programs were all read since it was identified.
    bool unitBackedUp{false};
    std::vector<ProgramRecord> backupRead;
    std::function<void()> heldStart;
    // The player's program when the transfer began, and whether the unit
    // named its own at the end.
    struct ProgramNumbers
    {
        int current{0};
        int selected{0};
    };
    ProgramNumbers numbersBefore;
    bool numberFromUnit{false};
    // A check of what the unit plays is awaited (asked at this time; negative: none).
    double resyncAskedAtMs{-1.0};
    bool resyncKeepsEdit{false};
    int resyncTries{0};
    // Our requests still unanswered: an answer is matched with the oldest
    // one gone out, and tells only of what was sent before it.
    struct Question
    {
        std::uint64_t ordinal; // its place in the sender's order
        double askedAtMs;
        int number;            // the program asked for; -1 for the edit buffer
        std::uint64_t sendsAt; // what the unit had been sent before it
    };
    std::optional<Question> takeAnswer (std::deque<Question>& questions, int number);
    static void forgetQuestions (std::deque<Question>& questions, int number);
    std::deque<Question> editBufferQuestions;
    double editBufferAskedAtMs{-1.0e9};
    // A late answer to a program asked for by number is not one the unit
    // sent of its own accord.
    std::deque<Question> programQuestions;
    int writeRequests{0};
    // Whether the unit just said this dump already; the last one and when.
    bool saysAgain (const std::vector<std::uint8_t>& bytes);
    std::vector<std::uint8_t> lastDump;
    double lastDumpAtMs{-1.0e9};
    // Messages asked to be sent so far, questions apart: an answer tells of
    // those sent before its question.
    std::uint64_t sendsAsked{0};
    // Whether this transfer set the unit's edit buffer aside (and so has one
    // to put back and send when it ends).
    bool editBufferSaved{false};
    int identityCount{0};
    int handlingDepth{0};
    bool drainHeldBack{false};
    UnitRows* unitList{nullptr};
    StoredRows* romList{nullptr};
    DeferredStepRunner* commandTarget{nullptr};

    // Filled on the port's thread, drained on the message thread.
    juce::CriticalSection queueLock;
    std::deque<juce::MidiMessage> queue;
    std::atomic<int> dropped{0};
    std::atomic<MidiMonitor*> inputMonitor{nullptr};

    std::function<double()> clock;

    const bool simulated;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MidiReceiver)
};
} // namespace vr
