#include "TransferProgressComponent.h"

#include "data/SharedColours.h"
#include "midi/MidiReceiver.h"

namespace vr
{
namespace
{
constexpr int kRefreshMs = 100;

// "Receiving 057 / 200", "Transmitting 012 / 37", "Verifying 012 / 37"; empty when no transfer
// of programs runs.
juce::String statusText (const TransferProgress& progress)
{
    const char* doing = nullptr;
    switch (progress.phase)
    {
        case TransferPhase::identifying:
        case TransferPhase::receiving:
        case TransferPhase::awaitingNumber:
            doing = "Receiving ";
            break;
        case TransferPhase::transmitting:
            doing = "Transmitting ";
            break;
        case TransferPhase::verifying:
            doing = "Verifying ";
            break;
        case TransferPhase::backingUp:
            doing = "Backing up ";
            break;
        case TransferPhase::idle:
        case TransferPhase::finishing:
            return {};
    }
    return doing + juce::String::formatted ("%03d", progress.done) + " / " + juce::String (progress.total);
}

juce::String elapsedText (double elapsedMs)
{
    const int seconds = juce::jmax (0, static_cast<int> (elapsedMs / 1000.0));
    return juce::String (seconds / 60) + ":" + juce::String::formatted ("%02d", seconds % 60);
}
} // namespace

TransferProgressComponent::TransferProgressComponent (MidiReceiver& engine)
    : midiReceiver (engine)
{
    setName ("TransferProgress");
    bar.setName ("TransferProgressBar");
    bar.setPercentageDisplay (false);
    bar.setColour (juce::ProgressBar::foregroundColourId, juce::Colour (SharedColours::selection));
    stopButton.setName ("TransferStop");
    stopButton.onClick = [this]
    {
        if (onStop)
            onStop();
        update();
    };
    addChildComponent (bar);
    addAndMakeVisible (stopButton);
    setSize (360, 84);
}

TransferProgressComponent::~TransferProgressComponent()
{
    stopTimer();
}

void TransferProgressComponent::update()
{
    const auto progress = midiReceiver.getProgress();
    status = statusText (progress);

    // The final step is not the user's to stop: it only puts things back.
    const bool running = status.isNotEmpty();
    if (running)
    {
        fraction = progress.total > 0 ? static_cast<double> (progress.done) / progress.total : 0.0;
        elapsed = elapsedText (juce::Time::getMillisecondCounterHiRes() - progress.startedMs);
        repaint();
    }

    if (running != isVisible())
    {
        setVisible (running);
        if (running)
            toFront (false);
    }
    if (!running)
        stopTimer();
}

void TransferProgressComponent::followTransfer()
{
    update();
    // One about to start does not run yet: the next round sees it.
    if (!isTimerRunning())
        startTimer (kRefreshMs);
}

void TransferProgressComponent::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (SharedColours::panel));
    g.setColour (juce::Colour (SharedColours::button));
    g.drawRect (getLocalBounds(), 2);
    g.setColour (juce::Colours::black);
    g.setFont (juce::Font (15.0f, juce::Font::bold));
    g.drawText (status, 16, 10, 220, 20, juce::Justification::centredLeft);
    g.setFont (juce::Font (13.0f));
    g.drawText (elapsed, 236, 10, 108, 20, juce::Justification::centredRight);
}

void TransferProgressComponent::resized()
{
    bar.setBounds (16, 38, 236, 26);
    stopButton.setBounds (264, 38, 80, 26);
}
} // namespace vr
