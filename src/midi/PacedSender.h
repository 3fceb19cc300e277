#pragma once

#include "MidiPort.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace vr
{
// Puts messages on the output port in order, keeping the pauses the unit
// needs between them without making the caller wait: a message that follows
// a pause is handed to a sender thread, which sends it once the pause is over.
// With no pause pending and nothing queued a message goes out at once, on the
// caller's thread.
class PacedSender
{
public:
    PacedSender();
    ~PacedSender();

    // The port to send on; messages still queued for the old one are dropped.
    // Returns when no send to the old port is in progress.
    void setPort (MidiOutputPort* port);

    void send (const juce::MidiMessage& message);

    // The next message goes out no sooner than `milliseconds` from now, nor
    // sooner than that after the last message still to go before it.
    void pauseFor (int milliseconds);

    // Waits until everything queued has been sent (for shut-down and tests).
    void flush();

private:
    using Clock = std::chrono::steady_clock;

    struct Pending
    {
        juce::MidiMessage message;
        Clock::duration gap;
        Clock::time_point pausedAt; // the pause runs from here or from the last send, whichever is later
        unsigned generation;
    };

    void run();
    void sendLocked (const juce::MidiMessage& message);

    std::mutex queueMutex;
    std::condition_variable wake;
    std::deque<Pending> queue;
    Clock::duration pendingGap{};
    Clock::time_point pausedAt{};
    bool inFlight{false};
    bool quitting{false};
    // Counts port changes: a message queued for an earlier port is dropped.
    unsigned generation{0};

    // Held while a message is on its way to the port, so the port can be
    // swapped safely; never held while waiting for anything else.
    std::mutex portMutex;
    MidiOutputPort* port{nullptr};
    Clock::time_point lastSent{};

    std::thread thread;
};
} // namespace vr
