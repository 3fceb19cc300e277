#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace vr
{
class MidiReceiver;

// The bar shown while a Receive All or Transmit All runs: how far it is, how
// long it has taken, and a Stop button. It follows the engine by itself and
// shows itself only while a transfer runs.
class TransferProgressComponent : public juce::Component, private juce::Timer
{
public:
    explicit TransferProgressComponent (MidiReceiver& engine);
    ~TransferProgressComponent() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    // Re-reads the engine now (the timer does it ten times a second).
    void update();

    std::function<void()> onStop;

private:
    void timerCallback() override { update(); }

    MidiReceiver& midiReceiver;
    double fraction{0.0};
    juce::ProgressBar bar{fraction};
    juce::TextButton stopButton{"Stop"};
    juce::String status;
    juce::String elapsed;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TransferProgressComponent)
};
} // namespace vr
