#include "Transfer.h"

namespace vr
{
namespace
{
constexpr int kPrograms = 200;
}

void Transfer::setWatchdog (int newTimeoutMs, int newMaxRetries) noexcept
{
    timeoutMs = newTimeoutMs;
    maxRetries = newMaxRetries;
}

bool Transfer::start (TransferPhase first, int firstIndex, int totalPrograms, double now)
{
    if (phase != TransferPhase::idle)
        return false;
    // Nothing an earlier transfer left may steer this one.
    phase = first;
    index = firstIndex;
    done = 0;
    total = totalPrograms;
    retries = 0;
    startedMs = lastProgressMs = now;
    sent.clear();
    verified = 0;
    transmitFirst = kNoTransmit;
    if (index >= kPrograms)
        end();
    return true;
}

void Transfer::transmitAfterBackup (int firstIndex, int totalPrograms) noexcept
{
    transmitFirst = firstIndex;
    transmitTotal = totalPrograms;
}

Transfer::Next Transfer::editBufferArrived (double now)
{
    if (phase != TransferPhase::identifying)
        return Next::nothing;
    lastProgressMs = now;
    retries = 0;
    phase = TransferPhase::receiving;
    index = 0;
    return Next::requestProgram;
}

Transfer::Next Transfer::dumpArrived (int n, bool& keep, double now)
{
    keep = false;
    if (phase == TransferPhase::verifying)
    {
        lastProgressMs = now;
        if (n != index)
            return retry (Next::requestProgram, now);
        keep = true;
        retries = 0;
        done = static_cast<int> (++verified);
        if (verified < sent.size())
        {
            index = sent[verified];
            return Next::requestProgram;
        }
        end();
        return Next::finish;
    }
    if (phase != TransferPhase::receiving && phase != TransferPhase::backingUp)
        return Next::nothing;
    lastProgressMs = now;
    if (n != index)
    {
        // A program still to come is kept (it is asked for again anyway); one
        // already received is never overwritten by a stray.
        keep = n > index && n < kPrograms;
        return retry (Next::requestProgram, now);
    }
    keep = true;
    retries = 0;
    done = ++index;
    if (index < kPrograms)
        return Next::requestProgram;
    if (phase == TransferPhase::backingUp)
    {
        // Backed up: the transmit proper begins.
        phase = TransferPhase::transmitting;
        index = transmitFirst;
        done = 0;
        total = transmitTotal;
        if (index < kPrograms)
            return Next::sendProgram;
        end();
        return Next::finish;
    }
    phase = TransferPhase::awaitingNumber;
    return Next::requestNumber;
}

Transfer::Next Transfer::acknowledged (int next, double now)
{
    if (phase != TransferPhase::transmitting)
        return Next::nothing;
    lastProgressMs = now;
    retries = 0;
    ++done;
    sent.push_back (index);
    index = next;
    if (index < kPrograms)
        return Next::sendProgram;
    // Every program went: each is read back, as the unit may acknowledge
    // what it did not store.
    phase = TransferPhase::verifying;
    done = 0;
    total = static_cast<int> (sent.size());
    index = sent.front();
    return Next::requestProgram;
}

Transfer::Next Transfer::failed (double now)
{
    switch (phase)
    {
        case TransferPhase::identifying:
            return retry (Next::requestEditBuffer, now);
        case TransferPhase::receiving:
        case TransferPhase::verifying:
        case TransferPhase::backingUp:
            return retry (Next::requestProgram, now);
        case TransferPhase::transmitting:
            // The unit could not take the dump: offer it again.
            return retry (Next::sendProgram, now);
        case TransferPhase::idle:
        case TransferPhase::awaitingNumber:
        case TransferPhase::finishing:
            break;
    }
    return Next::nothing;
}

Transfer::Next Transfer::retry (Next resend, double now)
{
    lastProgressMs = now;
    if (++retries > maxRetries)
    {
        end();
        return Next::giveUp;
    }
    return resend;
}

bool Transfer::numberArrived() noexcept
{
    if (phase != TransferPhase::awaitingNumber)
        return false;
    end();
    return true;
}

Transfer::Next Transfer::silence (double now)
{
    if (phase == TransferPhase::idle || phase == TransferPhase::finishing || now - lastProgressMs < timeoutMs)
        return Next::nothing;
    const bool allArrived = phase == TransferPhase::awaitingNumber;
    end();
    // Every program arrived and only the unit's program number did not: no
    // failure to report.
    return allArrived ? Next::finish : Next::giveUp;
}

void Transfer::end() noexcept
{
    if (phase != TransferPhase::finishing)
        endedFrom = phase;
    phase = TransferPhase::finishing;
    retries = 0;
}
} // namespace vr
