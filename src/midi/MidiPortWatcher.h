#pragma once

#include "MidiPortDirectory.h"

#include <optional>

namespace vr
{
// Notices by polling what the platform never reports by itself: devices
// that are plugged in or out, a port in use that went away, and a unit that
// does not answer the identity request. Message thread only; times are the
// caller's milliseconds, so tests need no clock.
class MidiPortWatcher
{
public:
    static constexpr double kPollIntervalMs = 1000.0;
    static constexpr double kAnswerTimeoutMs = 2000.0;

    struct Report
    {
        bool inputsChanged{false};
        bool outputsChanged{false};
        // The port in use is no longer listed (reported once; it is then no
        // longer in use).
        std::optional<MidiPortChoice> goneInput;
        std::optional<MidiPortChoice> goneOutput;
        bool noAnswer{false};
    };

    explicit MidiPortWatcher (const MidiPortDirectory& directory);

    // The lists as last read.
    const juce::Array<MidiPortChoice>& getInputs() const noexcept { return inputs; }
    const juce::Array<MidiPortChoice>& getOutputs() const noexcept { return outputs; }

    // The ports now open; nothing for none.
    void setInputInUse (std::optional<MidiPortChoice> input) { inputInUse = std::move (input); }
    void setOutputInUse (std::optional<MidiPortChoice> output) { outputInUse = std::move (output); }
    const std::optional<MidiPortChoice>& getInputInUse() const noexcept { return inputInUse; }
    const std::optional<MidiPortChoice>& getOutputInUse() const noexcept { return outputInUse; }

    // The identity request went out; `answersSoFar` is the engine's count of
    // identity replies.
    void expectAnswer (double nowMs, int answersSoFar);
    bool isAwaitingAnswer() const noexcept { return awaitingAnswer; }

    // Called often. Reads the lists again at most once per interval: while
    // `listsShown`, or while a platform port is in use (virtual ones never go).
    Report poll (double nowMs, int answersNow, bool listsShown);

    // Reads the lists now.
    Report refresh (double nowMs);

    // A platform port is in use: with the lists hidden, poll still has
    // something to watch.
    bool platformPortInUse() const noexcept;

private:
    const MidiPortDirectory& directory;
    juce::Array<MidiPortChoice> inputs;
    juce::Array<MidiPortChoice> outputs;
    std::optional<MidiPortChoice> inputInUse;
    std::optional<MidiPortChoice> outputInUse;
    double lastReadMs{0.0};
    bool awaitingAnswer{false};
    double requestMs{0.0};
    int answersAtRequest{0};
};
} // namespace vr
