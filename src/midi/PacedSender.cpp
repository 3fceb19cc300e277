#include "PacedSender.h"

#include "MidiMonitor.h"

#include <algorithm>
#include <chrono>

namespace vr
{
namespace
{
// A timed wait overshoots by a tenth of a millisecond or so and a transfer
// makes two hundred pauses: wait most of the pause, then spin out the rest.
constexpr double kSpinMarginMs = 0.2;
} // namespace

PacedSender::PacedSender()
    : PacedSender (std::function<double()>{})
{
}

PacedSender::PacedSender (std::function<double()> clockMs)
    : clock (std::move (clockMs))
    , threaded (clock == nullptr)
{
    if (threaded)
        thread = std::thread ([this] { run(); });
}

PacedSender::~PacedSender()
{
    {
        const std::lock_guard<std::mutex> lock (queueMutex);
        quitting = true;
    }
    wake.notify_all();
    if (thread.joinable())
        thread.join();
}

double PacedSender::now() const
{
    return threaded ? juce::Time::getMillisecondCounterHiRes() : clock();
}

void PacedSender::setPort (MidiOutputPort* newPort)
{
    unsigned newGeneration = 0;
    {
        const std::lock_guard<std::mutex> lock (queueMutex);
        queue.clear();
        pendingGapMs = 0.0;
        newGeneration = ++generation;
    }
    const std::lock_guard<std::mutex> portLock (portMutex);
    port = newPort;
    portGeneration = newGeneration;
}

void PacedSender::setMonitor (MidiMonitor* monitorToTell)
{
    const std::lock_guard<std::mutex> portLock (portMutex);
    monitor = monitorToTell;
}

void PacedSender::sendUnlocked (const Pending& p, std::unique_lock<std::mutex>& lock)
{
    inFlight = true;
    // Before the send: an answer may be handled before it returns.
    sentOrdinal = p.ordinal;
    lock.unlock();
    {
        const std::lock_guard<std::mutex> portLock (portMutex);
        if (port != nullptr && p.generation == portGeneration)
        {
            // Noted first: an answer may arrive before the send returns.
            if (monitor != nullptr)
                monitor->record (MidiMonitor::Direction::out, p.message);
            port->sendMessageNow (p.message);
        }
    }
    lock.lock();
    lastSentMs = now();
    inFlight = false;
    wake.notify_all();
}

std::uint64_t PacedSender::send (const juce::MidiMessage& message)
{
    std::unique_lock<std::mutex> lock (queueMutex);
    const auto ordinal = ++ordinalsGiven;
    Pending p{message, pendingGapMs, pausedAtMs, generation, ordinal};
    pendingGapMs = 0.0;
    if (queue.empty() && !inFlight && now() >= dueOf (p))
    {
        sendUnlocked (p, lock);
        return ordinal;
    }
    queue.push_back (std::move (p));
    lock.unlock();
    wake.notify_all();
    return ordinal;
}

void PacedSender::pauseFor (int milliseconds)
{
    if (milliseconds <= 0)
        return;
    const std::lock_guard<std::mutex> lock (queueMutex);
    if (pendingGapMs <= 0.0)
        pausedAtMs = now();
    pendingGapMs += milliseconds;
}

void PacedSender::flush()
{
    if (!threaded)
    {
        std::unique_lock<std::mutex> lock (queueMutex);
        while (!queue.empty())
        {
            auto next = std::move (queue.front());
            queue.pop_front();
            sendUnlocked (next, lock);
        }
        return;
    }
    std::unique_lock<std::mutex> lock (queueMutex);
    wake.wait (lock, [this] { return (queue.empty() && !inFlight) || quitting; });
}

void PacedSender::pump()
{
    std::unique_lock<std::mutex> lock (queueMutex);
    while (!queue.empty() && !inFlight && now() >= dueOf (queue.front()))
    {
        auto next = std::move (queue.front());
        queue.pop_front();
        sendUnlocked (next, lock);
    }
}

double PacedSender::nextDueMs() const
{
    const std::lock_guard<std::mutex> lock (queueMutex);
    return queue.empty() ? -1.0 : dueOf (queue.front());
}

double PacedSender::lastSentAtMs() const
{
    const std::lock_guard<std::mutex> lock (queueMutex);
    return lastSentMs;
}

std::uint64_t PacedSender::lastSentOrdinal() const
{
    const std::lock_guard<std::mutex> lock (queueMutex);
    return sentOrdinal;
}

bool PacedSender::isIdle() const
{
    const std::lock_guard<std::mutex> lock (queueMutex);
    return queue.empty() && !inFlight;
}

void PacedSender::run()
{
    std::unique_lock<std::mutex> lock (queueMutex);
    for (;;)
    {
        wake.wait (lock, [this] { return quitting || (!queue.empty() && !inFlight); });
        if (quitting)
            return;

        // Waits are woken by a stop, so shutting down never sits out a pause.
        const double due = dueOf (queue.front());
        const double wait = due - now();
        if (wait > kSpinMarginMs)
        {
            wake.wait_for (lock, std::chrono::duration<double, std::milli> (wait - kSpinMarginMs));
            continue; // the queue or the port may have changed meanwhile
        }
        if (wait > 0.0)
        {
            lock.unlock();
            while (now() < due)
                std::this_thread::yield();
            lock.lock();
            continue;
        }

        auto next = std::move (queue.front());
        queue.pop_front();
        sendUnlocked (next, lock);
    }
}
} // namespace vr
