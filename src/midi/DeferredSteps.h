#pragma once

#include <vector>

#include <juce_events/juce_events.h>

#include <functional>
#include <utility>

namespace vr
{
// Work the engine hands to the shell: table selections and enabled states
// change on the message thread, a little later, by step code.
namespace DeferredStep
{
constexpr int connected = 1;        // update the transfer buttons for the connection
constexpr int greyOutViews = 2;     // the first dump of a receive started by identification arrived
constexpr int transferEnded = 3;    // enable the views again
constexpr int transferFinished = 4; // select the program, restore and resend the edit buffer
constexpr int programSelected = 5;  // the unit selected another program

// Delay of each step in milliseconds, indexed by code (0 unused).
constexpr int delayMs[] = {0, 20, 30, 2, 200, 1};
} // namespace DeferredStep

// What the engine needs of the shell.
class DeferredStepRunner
{
public:
    virtual ~DeferredStepRunner() = default;

    // Runs step `code` after its delay; a request before then replaces it.
    virtual void requestStep (int code) = 0;

    // The watchdog gave up on a bulk transfer at this program number (-1:
    // while the unit's edit buffer was awaited).
    virtual void transferAbandoned (int programNumber, bool wasTransmit) = 0;

    // A unit was identified while `changedSlots` slots hold changes not yet
    // transmitted, or the current program edits not yet written: true lets
    // the receive that follows replace them.
    virtual bool confirmReceiveOverChanges (int changedSlots)
    {
        juce::ignoreUnused (changedSlots);
        return true;
    }

    // Programs read back after a Write or a Transmit All that the unit did
    // not store as they were sent (they stay marked modified).
    virtual void notStoredAsSent (const std::vector<int>& programNumbers, bool afterTransmit)
    {
        juce::ignoreUnused (programNumbers, afterTransmit);
    }
};

// One pending step on a timer: the newest request replaces an older one.
//
// On a simulated clock (a simulation drives the time) no timer runs: the
// request notes when the step is due, and pumpSteps() runs it then.
class DeferredStepTimer : public DeferredStepRunner, private juce::Timer
{
public:
    DeferredStepTimer() = default;
    ~DeferredStepTimer() override { stopTimer(); }

    // Milliseconds of the owner's clock; an empty function means real time.
    void useSimulatedClock (std::function<double()> clockMs)
    {
        stopTimer();
        simulatedClockMs = std::move (clockMs);
        dueMs = -1.0;
    }

    void requestStep (int code) override
    {
        if (code < 1 || code > 5)
            return;
        // The end of a transfer is never lost to a later, lesser step: the
        // views would stay greyed and the edit buffer set aside.
        if (pendingCode == DeferredStep::transferFinished && code != DeferredStep::transferFinished)
            return;
        pendingCode = code;
        const int delay = juce::jmax (1, DeferredStep::delayMs[code]);
        if (simulatedClockMs != nullptr)
            dueMs = simulatedClockMs() + delay;
        else
            startTimer (delay);
    }

    // On a simulated clock: runs the pending step if it is due by now.
    void pumpSteps()
    {
        if (simulatedClockMs != nullptr && pendingCode != 0 && simulatedClockMs() >= dueMs)
            timerCallback();
    }
    // When the pending step is due on the simulated clock; negative for none.
    double nextStepDueMs() const noexcept
    {
        return pendingCode != 0 && simulatedClockMs != nullptr ? dueMs : -1.0;
    }

    void transferAbandoned (int programNumber, bool wasTransmit) override
    {
        if (onTransferAbandoned)
            onTransferAbandoned (programNumber, wasTransmit);
    }

    bool confirmReceiveOverChanges (int changedSlots) override
    {
        return onConfirmReceive == nullptr || onConfirmReceive (changedSlots);
    }

    void notStoredAsSent (const std::vector<int>& programNumbers, bool afterTransmit) override
    {
        if (onNotStored)
            onNotStored (programNumbers, afterTransmit);
    }

    std::function<void (int code)> onStep;
    std::function<void (int programNumber, bool wasTransmit)> onTransferAbandoned;
    std::function<bool (int changedSlots)> onConfirmReceive;
    std::function<void (const std::vector<int>& programNumbers, bool afterTransmit)> onNotStored;

private:
    void timerCallback() override
    {
        stopTimer();
        dueMs = -1.0;
        const int code = std::exchange (pendingCode, 0);
        if (code != 0 && onStep)
            onStep (code);
    }

    int pendingCode{0};
    std::function<double()> simulatedClockMs;
    double dueMs{-1.0};
};
} // namespace vr
