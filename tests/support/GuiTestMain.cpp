#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

namespace vr::test
{
void installForgivingXErrorHandlers();
}

int main (int argc, char** argv)
{
    vr::test::installForgivingXErrorHandlers();
    ::testing::InitGoogleTest (&argc, argv);
    const juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
