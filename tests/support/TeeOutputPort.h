#pragma once

#include "midi/MidiPort.h"

#include <memory>
#include <mutex>
#include <vector>

namespace vr::test
{
// Passes every message on to another port and keeps a copy.
class TeeOutputPort : public MidiOutputPort
{
public:
    TeeOutputPort (std::unique_ptr<MidiOutputPort> destination, std::vector<juce::MidiMessage>& copies)
        : next (std::move (destination))
        , sent (copies)
    {
    }

    juce::String getName() const override { return next->getName(); }

    void sendMessageNow (const juce::MidiMessage& message) override
    {
        {
            const std::lock_guard<std::mutex> lock (mutex);
            sent.push_back (message);
        }
        next->sendMessageNow (message);
    }

private:
    std::unique_ptr<MidiOutputPort> next;
    std::vector<juce::MidiMessage>& sent;
    std::mutex mutex;
};
} // namespace vr::test
