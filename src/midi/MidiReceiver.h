#pragma once

#include "DeferredSteps.h"
#include "MidiPort.h"
#include "SysexMessages.h"

#include <deque>
#include <functional>
#include <memory>

namespace vr
{
class DataCenter;
class UnitProgramList;
class RomFileProgramList;

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
    explicit MidiReceiver (DataCenter& store);
    ~MidiReceiver() override;

    // Ports. Either may be empty: every sender then does nothing.
    void setInput (std::unique_ptr<MidiInputPort> newInput);
    void setOutput (std::unique_ptr<MidiOutputPort> newOutput);
    // Stops delivery from the input; queued messages are dropped. Called at
    // shut-down before the store goes.
    void stopInput();
    bool hasOutput() const noexcept { return output != nullptr; }
    MidiOutputPort* getOutput() const noexcept { return output.get(); }

    void setProgramLists (UnitProgramList* unit, RomFileProgramList* romAndFiles) noexcept;
    void setCommandTarget (DeferredStepRunner* target) noexcept { commandTarget = target; }

    // Senders (nothing happens without an output port). Pauses block the caller.
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
    void send (const juce::MidiMessage& message);

    // Bulk transfers, after the user's confirmation. The caller greys out the
    // views first.
    void startReceiveAll();
    void startTransmitAll (bool modifiedOnly);

    // The engine's share of the step that ends a transfer: the saved edit
    // buffer goes back into the store and to the unit.
    void finishTransfer();

    // Ends a running transfer as the watchdog does (used when a port goes away).
    void stopTransfer();

    bool isReceiving() const noexcept { return bulkReceive; }
    bool isTransmitting() const noexcept { return bulkTransmit; }
    bool isAwaitingNumber() const noexcept { return awaitingNumber; }
    int getTransferIndex() const noexcept { return transferIndex; }
    // Identity replies accepted so far: lets the setup panel tell whether the
    // unit answered its request.
    int getIdentityCount() const noexcept { return identityCount; }

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

    // Pause used between steps of a transfer; replaceable for tests.
    std::function<void (int milliseconds)> pause;

private:
    void messageArrived (const juce::MidiMessage& message) override; // port thread
    void handleAsyncUpdate() override;
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

    void requestStep (int code);
    void retryCurrentProgram();
    void noteProgress();
    void endTransfer (bool withFinishStep);
    bool transferRunning() const noexcept;

    DataCenter& dataCenter;
    int transferIndex{0};
    std::unique_ptr<MidiInputPort> input;
    std::unique_ptr<MidiOutputPort> output;
    ProgramRecord receiveBuffer{};
    bool bulkReceive{false};
    bool bulkTransmit{false};
    bool modifiedOnly{false};
    bool awaitingNumber{false};
    UnitProgramList* unitList{nullptr};
    RomFileProgramList* romList{nullptr};
    DeferredStepRunner* commandTarget{nullptr};

    // Filled on the port's thread, drained on the message thread.
    juce::CriticalSection queueLock;
    std::deque<juce::MidiMessage> queue;

    std::function<double()> clock;
    int watchdogTimeoutMs{3000};
    int watchdogMaxRetries{20};
    double lastProgressMs{0.0};
    int retries{0};
    int identityCount{0};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MidiReceiver)
};
} // namespace vr
