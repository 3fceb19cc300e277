#pragma once

#include "MidiPort.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace vr
{
class MidiMonitor;

// Puts messages on the output port in the order they were asked for, keeping
// the pauses the unit needs between them without making the caller wait: a
// message that follows a pause is held back until the pause is over. With no
// pause pending and nothing held back a message goes out at once, on the
// caller's thread.
//
// Two kinds of time: real time, where a sender thread puts held-back messages
// on the port, and a clock the owner drives (a simulation), where nothing runs
// by itself and pump() sends what is due.
class PacedSender
{
public:
    // Real time, with a sender thread.
    PacedSender();
    // The owner's clock in milliseconds; no thread. An empty function means
    // real time.
    explicit PacedSender (std::function<double()> clockMs);
    ~PacedSender();

    // The port to send on; messages still held for the old one are dropped.
    // Returns when no send to the old port is in progress.
    void setPort (MidiOutputPort* port);

    // Returns the message's place in the order of calls (from 1), which
    // lastSentOrdinal() reaches once it has gone to the port.
    std::uint64_t send (const juce::MidiMessage& message);

    // Where every message put on the port is told; null for nowhere. The
    // monitor must outlive the sender or be replaced first.
    void setMonitor (MidiMonitor* monitorToTell);

    // The next message goes out no sooner than `milliseconds` from now, nor
    // sooner than that after the last message still to go before it.
    void pauseFor (int milliseconds);

    // Waits until everything held back has been sent (for shut-down and
    // tests); with the owner's clock, sends it all at once.
    void flush();

    // The owner's clock: sends every held-back message that is due by now.
    void pump();
    // When the next held-back message is due, on the sender's clock; a
    // negative value when nothing is held back.
    double nextDueMs() const;
    bool isIdle() const;
    // When the last message went to the port, on the sender's clock.
    double lastSentAtMs() const;
    std::uint64_t lastSentOrdinal() const;

private:
    struct Pending
    {
        juce::MidiMessage message;
        double gapMs;
        double pausedAtMs; // the pause runs from here or from the last send, whichever is later
        unsigned generation;
        std::uint64_t ordinal;
    };

    double now() const;
    double dueOf (const Pending& p) const { return std::max (lastSentMs, p.pausedAtMs) + p.gapMs; }
    // Sends outside the queue lock; `lock` is held on entry and on return.
    void sendUnlocked (const Pending& p, std::unique_lock<std::mutex>& lock);
    void run();

    const std::function<double()> clock;
    const bool threaded;

    mutable std::mutex queueMutex;
    std::condition_variable wake;
    std::deque<Pending> queue;
    double pendingGapMs{0.0};
    double pausedAtMs{0.0};
    double lastSentMs{-1.0e12};
    std::uint64_t ordinalsGiven{0};
    std::uint64_t sentOrdinal{0};
    // A message is on its way to the port: nothing else may start, so the
    // order on the wire is the order of the calls.
    bool inFlight{false};
    bool quitting{false};
    // Counts port changes: a message held for an earlier port is dropped.
    unsigned generation{0};

    // Held only while a message is on its way to the port, so the port can
    // be swapped safely; never held together with the queue lock's waits.
    std::mutex portMutex;
    MidiOutputPort* port{nullptr};
    unsigned portGeneration{0};
    MidiMonitor* monitor{nullptr}; // under portMutex too

    std::thread thread;
};
} // namespace vr
