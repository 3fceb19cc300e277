#pragma once

#include <juce_events/juce_events.h>

#include <functional>

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
    // transmitted: true lets the receive that follows replace them.
    virtual bool confirmReceiveOverChanges (int changedSlots)
    {
        juce::ignoreUnused (changedSlots);
        return true;
    }
};

// One pending step on a timer: the newest request replaces an older one.
class DeferredStepTimer : public DeferredStepRunner, private juce::Timer
{
public:
    DeferredStepTimer() = default;
    ~DeferredStepTimer() override { stopTimer(); }

    void requestStep (int code) override
    {
        if (code < 1 || code > 5)
            return;
        // The end of a transfer is never lost to a later, lesser step: the
        // views would stay greyed and the edit buffer set aside.
        if (pendingCode == DeferredStep::transferFinished && code != DeferredStep::transferFinished)
            return;
        pendingCode = code;
        startTimer (juce::jmax (1, DeferredStep::delayMs[code]));
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

    std::function<void (int code)> onStep;
    std::function<void (int programNumber, bool wasTransmit)> onTransferAbandoned;
    std::function<bool (int changedSlots)> onConfirmReceive;

private:
    void timerCallback() override
    {
        stopTimer();
        const int code = std::exchange (pendingCode, 0);
        if (code != 0 && onStep)
            onStep (code);
    }

    int pendingCode{0};
};
} // namespace vr
