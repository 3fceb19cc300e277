#include "PacedSender.h"

#include <algorithm>

namespace vr
{
namespace
{
// A sleep overshoots by a tenth of a millisecond or so and a transfer makes
// two hundred pauses: sleep most of the pause, then wait out the rest.
constexpr auto kSpinMargin = std::chrono::microseconds (200);
} // namespace

PacedSender::PacedSender()
    : thread ([this] { run(); })
{
}

PacedSender::~PacedSender()
{
    {
        const std::lock_guard<std::mutex> lock (queueMutex);
        quitting = true;
    }
    wake.notify_all();
    thread.join();
}

void PacedSender::setPort (MidiOutputPort* newPort)
{
    const std::lock_guard<std::mutex> lock (queueMutex);
    queue.clear();
    pendingGap = {};
    ++generation;
    const std::lock_guard<std::mutex> portLock (portMutex);
    port = newPort;
}

void PacedSender::sendLocked (const juce::MidiMessage& message)
{
    const std::lock_guard<std::mutex> lock (portMutex);
    if (port != nullptr)
        port->sendMessageNow (message);
    lastSent = Clock::now();
}

void PacedSender::send (const juce::MidiMessage& message)
{
    std::unique_lock<std::mutex> lock (queueMutex);
    const bool pauseOver =
        pendingGap == Clock::duration{} || Clock::now() >= std::max (lastSent, pausedAt) + pendingGap;
    if (queue.empty() && !inFlight && pauseOver)
    {
        pendingGap = {};
        // Sent while the queue is held, so nothing queued later can overtake it.
        sendLocked (message);
        return;
    }

    queue.push_back ({message, pendingGap, pausedAt, generation});
    pendingGap = {};
    lock.unlock();
    wake.notify_all();
}

void PacedSender::pauseFor (int milliseconds)
{
    if (milliseconds <= 0)
        return;
    const std::lock_guard<std::mutex> lock (queueMutex);
    if (pendingGap == Clock::duration{})
        pausedAt = Clock::now();
    pendingGap += std::chrono::milliseconds (milliseconds);
}

void PacedSender::flush()
{
    std::unique_lock<std::mutex> lock (queueMutex);
    wake.wait (lock, [this] { return (queue.empty() && !inFlight) || quitting; });
}

void PacedSender::run()
{
    std::unique_lock<std::mutex> lock (queueMutex);
    for (;;)
    {
        wake.wait (lock, [this] { return quitting || !queue.empty(); });
        if (quitting)
            return;

        auto next = std::move (queue.front());
        queue.pop_front();
        inFlight = true;
        lock.unlock();

        Clock::time_point due;
        {
            const std::lock_guard<std::mutex> portLock (portMutex);
            due = std::max (lastSent, next.pausedAt) + next.gap;
        }
        if (Clock::now() + kSpinMargin < due)
            std::this_thread::sleep_until (due - kSpinMargin);
        while (Clock::now() < due)
            std::this_thread::yield();

        lock.lock();
        if (quitting)
            return;
        // Sent with the queue held, as the caller's thread does, so the
        // order on the wire is the order of the calls.
        if (next.generation == generation)
            sendLocked (next.message);
        inFlight = false;
        wake.notify_all();
    }
}
} // namespace vr
