#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

// The engine tests pump the message loop, so every test binary runs with the
// framework initialised.
int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    const juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
