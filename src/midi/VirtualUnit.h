#pragma once

#include "MidiPort.h"
#include "data/ProgramRecord.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vr
{
// How a virtual unit is built. Kept outside the class so it can serve as a
// default argument of the constructor.
struct VirtualUnitSettings
{
    std::uint8_t modelCode{0x00}; // 00 wren, 08 heron
    int versionMajor{1};
    int versionMinor{0};
    int channel{0}; // 0-15
    // Both wires run at 31 250 baud: every byte takes 320 us.
    bool dinPacing{false};
    // Time the unit spends on a message before its reply starts.
    std::chrono::microseconds processingDelay{0};
    // A clock in milliseconds that the owner drives (a simulation): the unit
    // then has no thread of its own, and pump() does its work. Empty: real time.
    std::function<double()> simulatedClockMs;
};

// What the unit's memory does with a program it is sent to store.
enum class MemoryFault
{
    none,
    protect, // acknowledged, the slot keeps what it held
    corrupt  // acknowledged, stored with the program level one step off
};

// A wren or heron at the far end of a pair of ports, for machines without
// MIDI hardware and for tests: it answers the identity request and the
// maker-format requests as the unit does, follows bank select and program
// change, and has a front panel whose knobs and program selection send what
// the unit sends.
//
// Everything the unit sends comes from its own thread, never from inside the
// call that sent to it, optionally paced as the DIN wires would pace it. On a
// simulated clock it comes from pump() instead, on the caller's thread.
//
// Create it with std::make_shared: the ports keep it alive.
class VirtualUnit final : public std::enable_shared_from_this<VirtualUnit>
{
public:
    using Settings = VirtualUnitSettings;
    using Clock = std::chrono::steady_clock;

    static constexpr std::chrono::microseconds kWireTimePerByte{320};

    explicit VirtualUnit (const Settings& settings = {});
    ~VirtualUnit();

    // The editor's side of the connection. The input port delivers what the
    // unit sends to the sink given to start(); the output port's
    // sendMessageNow queues the message for the unit and returns at once.
    std::unique_ptr<MidiInputPort> createInputPort();
    std::unique_ptr<MidiOutputPort> createOutputPort();

    // "Virtual wren unit" or "Virtual heron unit"; both ports carry it.
    juce::String getName() const;

    // Front panel. Each changes the edit buffer (or current program) at once
    // and sends what the unit sends for it.
    // Parameter change for parameter 0-29 (others do nothing).
    void turnKnob (int parameter, int value);
    // Program 0-399 (others do nothing): bank select, bank LSB, program change.
    void selectProgram (int programNumber);
    // Write on the front panel: the edit buffer is stored into user program
    // 0-199 (others do nothing), which becomes the current one, and the unit
    // sends that program's dump.
    void writeOnPanel (int programNumber);

    // State, for tests.
    std::uint8_t getModelCode() const;
    int getChannel() const;
    void setChannel (int channel);
    ProgramRecord getEditBuffer() const;
    void setEditBuffer (const ProgramRecord& record);
    // User programs 0-199; other numbers read as the factory program or zeros
    // and are never written.
    ProgramRecord getProgram (int programNumber) const;
    void setUserProgram (int programNumber, const ProgramRecord& record);
    int getCurrentProgram() const;

    // Pacing, changeable at any time; applies to messages sent from then on.
    void setDinPacing (bool enabled);
    void setProcessingDelay (std::chrono::microseconds delay);

    // Faults. Each count is used up by the messages it affects.
    // The next n replies are lost (the state change still happens).
    void dropNextReplies (int count);
    // The next n program dump requests for a user program are answered with
    // program (requested + 1) % 200.
    void answerNextDumpRequestsWithNextProgram (int count);
    // The next n program dump requests are answered with "operation failed".
    void failNextDumpRequests (int count);
    // The next n replies are sent twice.
    void repeatNextReplies (int count);
    // The next n replies go out `delay` later than they would (and, the wire
    // being serial, so does whatever the unit sends after them).
    void delayNextReplies (int count, std::chrono::microseconds delay);
    // Stores into a user slot that the unit is sent (a write request, a
    // program dump) are acknowledged as usual and spoiled as the fault says;
    // the front panel's Write stores faithfully. A set fault lasts until
    // cleared; the counted ones spoil the next n stores, ahead of the set one.
    void setMemoryFault (MemoryFault fault);
    void protectNextStores (int count);
    void corruptNextStores (int count);
    // Stores spoiled so far that left the slot other than sent (protecting a
    // slot that already held the program spoils nothing).
    int getSpoiledStoreCount() const;
    // While silent the unit sends nothing at all (replies and front panel);
    // it still takes in and acts on what it receives.
    void setSilent (bool silent);
    void clearFaults();
    // Whether a fault is still armed (a count not used up, or silence).
    bool hasFaultsPending() const;

    // Statistics. Sent bytes count what went out on the wire, whether or not a
    // sink was listening; dropped replies are not sent.
    std::uint64_t getBytesReceived() const noexcept { return bytesReceived.load(); }
    std::uint64_t getBytesSent() const noexcept { return bytesSent.load(); }
    // Waits until nothing is queued in either direction and no delivery is in
    // progress. False on time-out. On a simulated clock it only tells.
    bool waitUntilIdle (std::chrono::milliseconds timeout) const;

    // On a simulated clock: takes in, and sends, everything due by now, in
    // the order it falls due; the input ports' sinks are called from here.
    void pump();
    // When the next message in either direction is due, in the clock's
    // milliseconds; negative when nothing is queued.
    double nextDueTime() const;

private:
    class InputPort;
    class OutputPort;

    // One registered input port: what it delivers to, under its own lock.
    // stop() takes the same lock, so once it returns no delivery is running.
    struct Delivery
    {
        std::recursive_mutex lock;
        MidiMessageSink* sink{nullptr};
    };

    struct Pending
    {
        juce::MidiMessage message;
        Clock::time_point due;
    };

    // Called by the output port, on the editor's thread.
    void receive (const juce::MidiMessage& message);
    void attach (const std::shared_ptr<Delivery>& delivery);
    void detach (const std::shared_ptr<Delivery>& delivery);

    void run();
    // Handles or delivers the message due first, if it is due by now.
    bool processNextDue (std::unique_lock<std::mutex>& lock);
    Clock::time_point now() const;
    void waitPrecisely (std::unique_lock<std::mutex>& lock, Clock::time_point due);
    void deliver (const juce::MidiMessage& message, std::unique_lock<std::mutex>& lock);

    // These run on the unit's thread with `mutex` held.
    void handle (const Pending& incoming);
    void handleIdentityRequest (const std::uint8_t* data, Clock::time_point ready);
    void handleMaker (const std::uint8_t* data, int size, Clock::time_point ready);
    void handleProgramDumpRequest (int programNumber, Clock::time_point ready);
    void handleChannelMessage (const std::uint8_t* data, int size);
    void reply (const juce::MidiMessage& message, Clock::time_point ready);
    void sendLocked (const juce::MidiMessage& message, Clock::time_point ready);
    void loadProgram (int programNumber);
    void storeProgram (int programNumber, const ProgramRecord& record);
    ProgramRecord programLocked (int programNumber) const;
    Clock::duration wireTime (const juce::MidiMessage& message) const;

    mutable std::mutex mutex;
    std::condition_variable wake;
    mutable std::condition_variable idle;

    // All below guarded by `mutex`.
    Settings settings;
    ProgramRecord editBuffer{};
    std::array<ProgramRecord, kNumUserPrograms> userPrograms{};
    int currentProgram{0};
    int bank{0};

    std::deque<Pending> inbound;  // due = when the unit has taken it in and processed it
    std::deque<Pending> outbound; // due = when its last byte has reached the editor
    Clock::time_point inboundWireFree{};
    Clock::time_point outboundWireFree{};
    Clock::time_point processorFree{};
    bool busy{false};
    bool quit{false};

    int repliesToDrop{0};
    int dumpsWithNextNumber{0};
    int dumpsToFail{0};
    int repliesToRepeat{0};
    int repliesToDelay{0};
    Clock::duration replyDelay{};
    bool silent{false};
    MemoryFault memoryFault{MemoryFault::none};
    MemoryFault countedMemoryFault{MemoryFault::none};
    int storesToSpoil{0};
    int spoiledStores{0};

    std::vector<std::shared_ptr<Delivery>> deliveries;

    std::atomic<std::uint64_t> bytesReceived{0};
    std::atomic<std::uint64_t> bytesSent{0};

    std::thread worker; // last: starts once everything above exists (not on a simulated clock)

    JUCE_DECLARE_NON_COPYABLE (VirtualUnit)
};
} // namespace vr
