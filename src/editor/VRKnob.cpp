#include "VRKnob.h"

#include "../data/CZELKResource.h"

namespace vr
{
namespace
{
// Where a frame lands inside the 64 x 64 knob.
const juce::Rectangle<int> kFrameArea{8, 12, 36, 36};

// The strip, decoded once by the resource store; invalid when the resource is
// missing or too small to hold every frame.
juce::Image filmStrip()
{
    auto* resources = CZELKResource::getInstancePointer();
    if (resources == nullptr)
        return {};

    auto strip = resources->getCachedImage (VRKnob::kFilmStripName, "png");
    if (!strip.isValid() || strip.getWidth() < VRKnob::kFrameSize ||
        strip.getHeight() < VRKnob::kFrameSize * VRKnob::kNumFrames)
        return {};
    return strip;
}
} // namespace

VRKnob::VRKnob()
    : juce::Slider ("vrknob")
{
    setRange (0.0, 30.0, 1.0);
    setSliderStyle (juce::Slider::RotaryVerticalDrag);
    setTextBoxStyle (juce::Slider::NoTextBox, false, 60, 24);
    addListener (this);
    setSize (64, 64);
}

VRKnob::~VRKnob()
{
    removeListener (this);
}

int VRKnob::frameFor (int value, int maxValue) noexcept
{
    const int maximum = maxValue < 1 ? kDefaultMaximum : maxValue;
    const int v = juce::jlimit (0, maximum, value);
    return juce::jmin (kNumFrames - 1, v * kNumFrames / maximum);
}

void VRKnob::setKnobValue (double value, bool sendUpdate, bool synchronous)
{
    m_Value = juce::jmin (static_cast<int> (value), m_MaxValue);

    const auto notification = !sendUpdate   ? juce::dontSendNotification
                              : synchronous ? juce::sendNotificationSync
                                            : juce::sendNotificationAsync;
    setValue (m_Value, notification);
}

void VRKnob::paint (juce::Graphics& g)
{
    const auto strip = filmStrip();
    if (!strip.isValid())
    {
        juce::Slider::paint (g);
        return;
    }

    // Dividing by a maximum below 1 is meaningless; the default takes over.
    if (m_MaxValue < 1)
        m_MaxValue = kDefaultMaximum;

    const int frame = frameFor (static_cast<int> (getValue()), m_MaxValue);
    g.drawImage (strip, kFrameArea.getX(), kFrameArea.getY(), kFrameArea.getWidth(), kFrameArea.getHeight(),
                 0, kFrameSize * frame, kFrameSize, kFrameSize, false);
}

void VRKnob::sliderValueChanged (juce::Slider* slider)
{
    // A drag can go past a maximum the slider's range does not know about;
    // pulling it back here sends one more change with the limited value.
    if (slider == this)
        setKnobValue (static_cast<int> (getValue()), true, false);
}
} // namespace vr
