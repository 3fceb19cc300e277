#include "editor/VRKnob.h"
#include "EditorTestSupport.h"
#include "app/CZELKResource.h"

#include <gtest/gtest.h>

namespace vr
{
namespace
{
juce::Image paintOf (juce::Component& c)
{
    juce::Image image (juce::Image::ARGB, c.getWidth(), c.getHeight(), true);
    juce::Graphics g (image);
    c.paintEntireComponent (g, true);
    return image;
}

bool samePixels (const juce::Image& a, const juce::Image& b)
{
    if (a.getBounds() != b.getBounds())
        return false;
    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            if (a.getPixelAt (x, y) != b.getPixelAt (x, y))
                return false;
    return true;
}

// What a knob must show: one frame of a freshly decoded strip, scaled into
// the knob's face.
juce::Image expectedFrame (int frame)
{
    const auto strip = CZELKResource::getInstance()->loadImage (VRKnob::kFilmStripName, "png");
    CZELKResource::release();
    juce::Image image (juce::Image::ARGB, 64, 64, true);
    juce::Graphics g (image);
    g.drawImage (*strip, 8, 12, 36, 36, 0, VRKnob::kFrameSize * frame, VRKnob::kFrameSize, VRKnob::kFrameSize,
                 false);
    return image;
}

struct ValueLog : juce::Slider::Listener
{
    void sliderValueChanged (juce::Slider* s) override
    {
        values.push_back (static_cast<int> (s->getValue()));
    }
    std::vector<int> values;
};
} // namespace

TEST (VRKnobFrame, EndpointsForEveryMaximumInUse)
{
    for (const int maximum : {4, 11, 15, 27, 29, 30, 31, 99})
    {
        EXPECT_EQ (VRKnob::frameFor (0, maximum), 0) << maximum;
        EXPECT_EQ (VRKnob::frameFor (maximum, maximum), VRKnob::kNumFrames - 1) << maximum;
        EXPECT_EQ (VRKnob::frameFor (maximum + 20, maximum), VRKnob::kNumFrames - 1) << maximum;
    }
}

TEST (VRKnobFrame, IntermediateFramesFollowTheMaximum)
{
    for (int v = 0; v <= 30; ++v)
        EXPECT_EQ (VRKnob::frameFor (v, 31), v);

    const int fiveStep[] = {0, 7, 15, 23, 30};
    for (int v = 0; v <= 4; ++v)
        EXPECT_EQ (VRKnob::frameFor (v, 4), fiveStep[v]);

    EXPECT_EQ (VRKnob::frameFor (50, 99), 15);
    EXPECT_EQ (VRKnob::frameFor (98, 99), 30);

    // A maximum below 1 would divide by zero: the default maximum stands in.
    EXPECT_EQ (VRKnob::frameFor (15, 0), 15);
    EXPECT_EQ (VRKnob::frameFor (30, -5), 30);
}

TEST (VRKnob, SetKnobValueTruncatesAndStopsAtTheMaximum)
{
    VRKnob knob;
    EXPECT_EQ (knob.getMaximum(), 30.0);
    EXPECT_EQ (knob.m_MaxValue, 31);

    knob.m_MaxValue = 4;
    knob.setKnobValue (2.9, false, false);
    EXPECT_EQ (knob.getValue(), 2.0);
    EXPECT_EQ (knob.m_Value, 2);

    knob.setKnobValue (17.0, false, false);
    EXPECT_EQ (knob.getValue(), 4.0);
    EXPECT_EQ (knob.m_Value, 4);

    // Without a type limit the slider's own range is the stop.
    knob.m_MaxValue = 31;
    knob.setKnobValue (31.0, false, false);
    EXPECT_EQ (knob.getValue(), 30.0);
}

TEST (VRKnob, ValuePushedPastTheMaximumComesBackToIt)
{
    VRKnob knob;
    ValueLog log;
    knob.addListener (&log);
    knob.m_MaxValue = 11;

    knob.setValue (25.0, juce::sendNotificationSync);
    test::pump();

    EXPECT_EQ (knob.getValue(), 11.0);
    ASSERT_FALSE (log.values.empty());
    EXPECT_EQ (log.values.back(), 11);
    knob.removeListener (&log);
}

TEST (VRKnob, DrawsTheFrameOfItsValueFromTheFilmStrip)
{
    CZELKResource::getInstance();
    {
        VRKnob knob;
        knob.m_MaxValue = 4;
        const std::pair<int, int> valueAndFrame[] = {{0, 0}, {2, 15}, {4, 30}};
        for (const auto& [value, frame] : valueAndFrame)
        {
            knob.setKnobValue (value, false, false);
            EXPECT_TRUE (samePixels (paintOf (knob), expectedFrame (frame))) << value;
        }

        // A value left above a narrowed maximum shows the last frame.
        knob.m_MaxValue = 31;
        knob.setKnobValue (20, false, false);
        knob.m_MaxValue = 11;
        EXPECT_TRUE (samePixels (paintOf (knob), expectedFrame (30)));
    }
    CZELKResource::release();
}

TEST (VRKnob, RepaintsReuseTheDecodedStrip)
{
    auto* resources = CZELKResource::getInstance();
    {
        VRKnob knob;
        paintOf (knob);
        const auto* pixels = resources->getCachedImage (VRKnob::kFilmStripName, "png").getPixelData();
        ASSERT_NE (pixels, nullptr);
        knob.setKnobValue (12, false, false);
        paintOf (knob);
        EXPECT_EQ (resources->getCachedImage (VRKnob::kFilmStripName, "png").getPixelData(), pixels);
        EXPECT_EQ (resources->getCachedImage ("vrwrenknob", "PNG").getPixelData(), pixels);
        EXPECT_FALSE (resources->getCachedImage ("NoSuchStrip", "png").isValid());
    }
    CZELKResource::release();
}

TEST (VRKnob, WithoutTheFilmStripLooksLikeTheFrameworkSlider)
{
    ASSERT_EQ (CZELKResource::getInstancePointer(), nullptr);

    VRKnob knob;
    knob.setKnobValue (20, false, false);

    juce::Slider plain;
    plain.setRange (0.0, 30.0, 1.0);
    plain.setSliderStyle (juce::Slider::RotaryVerticalDrag);
    plain.setTextBoxStyle (juce::Slider::NoTextBox, false, 60, 24);
    plain.setSize (64, 64);
    plain.setValue (20.0, juce::dontSendNotification);

    const auto fallback = paintOf (knob);
    EXPECT_TRUE (samePixels (fallback, paintOf (plain)));

    CZELKResource::getInstance();
    EXPECT_FALSE (samePixels (paintOf (knob), fallback));
    CZELKResource::release();
}
} // namespace vr
