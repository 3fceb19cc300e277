#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace vr
{
// A rotary slider holding a whole number from 0 to a maximum that the editor
// panel narrows with the selected effect type, drawn from a film strip. It
// knows nothing of parameters: the panel listens and does the rest.
class VRKnob : public juce::Slider, public juce::ChangeListener, public juce::Slider::Listener
{
public:
    VRKnob();
    ~VRKnob() override;

    // The film strip: square frames stacked from the top, frame n at y = 41 n.
    static constexpr int kFrameSize = 41;
    static constexpr int kNumFrames = 31;
    static constexpr int kDefaultMaximum = 31;
    static constexpr const char* kFilmStripName = "VRwrenKnob";

    // Frame of the strip shown for a value under a maximum: 0 for 0, the last
    // frame for the maximum and above; a maximum below 1 counts as the default.
    static int frameFor (int value, int maxValue) noexcept;

    // Sets the slider to the value truncated and limited to m_MaxValue.
    virtual void setKnobValue (double value, bool sendUpdate, bool synchronous);

    void paint (juce::Graphics& g) override;

    void changeListenerCallback (juce::ChangeBroadcaster*) override {}
    void sliderValueChanged (juce::Slider* slider) override;

    // Component identifier of this knob's value box, set by the panel.
    int m_EditorID{0};
    int m_Value{0};
    int m_MaxValue{kDefaultMaximum};

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VRKnob)
};
} // namespace vr
