#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace vr
{
class MidiReceiver;

// The bar shown while a Receive All or Transmit All runs: how far it is, how
// long it has taken, and a Stop button. Once told that a transfer may be
// starting, it follows the engine by itself and shows itself only while the
// transfer runs; at rest no timer of it runs.
class TransferProgressComponent : public juce::Component, private juce::Timer
{
public:
    explicit TransferProgressComponent (MidiReceiver& engine);
    ~TransferProgressComponent() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    // Re-reads the engine now (the timer does it ten times a second while a
    // transfer runs).
    void update();
    // A transfer may be starting (the views grey out, a unit answered): re-reads
    // the engine now and from then on, until no transfer runs.
    void followTransfer();
    bool isFollowing() const noexcept { return isTimerRunning(); }

    std::function<void()> onStop;

private:
    void timerCallback() override { update(); }
    // The bar animates on a timer of its own: it shows only with the panel.
    void visibilityChanged() override { bar.setVisible (isVisible()); }

    MidiReceiver& midiReceiver;
    double fraction{0.0};
    juce::ProgressBar bar{fraction};
    juce::TextButton stopButton{"Stop"};
    juce::String status;
    juce::String elapsed;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TransferProgressComponent)
};
} // namespace vr
