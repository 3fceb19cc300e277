#pragma once

#include "midi/DeferredSteps.h"
#include "midi/MidiPort.h"

#include <mutex>
#include <vector>

namespace vr::test
{
// Keeps every message sent, for tests that check bytes on the wire.
class RecordingOutputPort : public MidiOutputPort
{
public:
    explicit RecordingOutputPort (std::vector<juce::MidiMessage>& destination)
        : sent (destination)
    {
    }
    juce::String getName() const override { return "recording"; }
    void sendMessageNow (const juce::MidiMessage& message) override
    {
        const std::lock_guard<std::mutex> lock (mutex);
        sent.push_back (message);
    }

private:
    std::vector<juce::MidiMessage>& sent;
    std::mutex mutex;
};

// Records the steps the engine asks for instead of running them.
class RecordingStepRunner : public DeferredStepRunner
{
public:
    void requestStep (int code) override { steps.push_back (code); }
    void transferAbandoned (int programNumber, bool wasTransmit) override
    {
        abandoned.push_back ({programNumber, wasTransmit});
    }

    std::vector<int> steps;
    std::vector<std::pair<int, bool>> abandoned;
};

inline std::vector<std::uint8_t> bytesOf (const juce::MidiMessage& m)
{
    return {m.getRawData(), m.getRawData() + m.getRawDataSize()};
}

inline juce::MidiMessage messageOf (const std::vector<std::uint8_t>& bytes)
{
    return juce::MidiMessage (bytes.data(), static_cast<int> (bytes.size()));
}

// Function code of a maker-format message, or -1.
inline int makerCode (const juce::MidiMessage& m)
{
    const auto b = bytesOf (m);
    if (b.size() >= 8 && b[0] == 0xf0 && b[1] == 0x7d)
        return b[6];
    return -1;
}
} // namespace vr::test
