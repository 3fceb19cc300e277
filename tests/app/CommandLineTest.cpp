#include "app/CommandLine.h"

#include "app/MainComponent.h"
#include "data/DataCenter.h"
#include "midi/MidiPortDirectory.h"
#include "midi/MidiReceiver.h"
#include "support/RecordingDialogs.h"

#include <gtest/gtest.h>

namespace vr
{
namespace
{
const juce::File workingFolder ("/work/folder");
}

TEST (CommandLine, TokensFollowQuotesAndSpaces)
{
    struct Case
    {
        const char* parameters;
        juce::StringArray tokens;
    };
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"ab\"c d\"", {"abc d"}},
        {"a  b", {"a", "", "b"}},
        {"\"\" x", {"", "", "x"}},
        {"\"my bank.vrm\" -v", {"my bank.vrm", "", "-v"}},
        {"trailing ", {"trailing"}},
        {"\"unterminated quote", {"unterminated quote"}},
    };

    for (const auto& c : cases)
        EXPECT_EQ (tokeniseCommandLine (c.parameters), c.tokens) << '[' << c.parameters << ']';
}

TEST (CommandLine, FirstTokenThatIsNoOptionNamesTheFile)
{
    EXPECT_EQ (commandLineFile ("\"/tmp/my bank.vrm\" -x", workingFolder), juce::File ("/tmp/my bank.vrm"));
    EXPECT_EQ (commandLineFile ("-opt /a/one.vrm /a/two.vrm", workingFolder), juce::File ("/a/one.vrm"));
    EXPECT_EQ (commandLineFile ("  /a/one.vrm", workingFolder), juce::File ("/a/one.vrm"));
    EXPECT_EQ (commandLineFile ("ab\"c d\"", workingFolder), workingFolder.getChildFile ("abc d"));
    EXPECT_EQ (commandLineFile ("bank.vrm", workingFolder), juce::File ("/work/folder/bank.vrm"));
}

TEST (CommandLine, OptionsAloneOrNothingNameNoFile)
{
    EXPECT_EQ (commandLineFile ("-psn_0_1234", workingFolder), juce::File());
    EXPECT_EQ (commandLineFile ("", workingFolder), juce::File());
    EXPECT_EQ (commandLineFile ("   ", workingFolder), juce::File());
    EXPECT_EQ (commandLineFile ("\"\"", workingFolder), juce::File());
}

// Whatever the command-line file brings up must appear over the main window,
// so nothing is opened while the window is still being built.
TEST (CommandLine, TheFileIsOpenedOnceTheWindowIsOnScreen)
{
    if (juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() == nullptr)
        GTEST_SKIP() << "needs a display";

    DataCenter store;
    MidiReceiver engine{store};
    engine.pause = [] (int) {};
    MidiPortDirectory ports;
    juce::ChangeBroadcaster selection;
    test::RecordingDialogs dialogs;
    const auto missing = juce::File::getSpecialLocation (juce::File::tempDirectory)
                             .getNonexistentChildFile ("no such bank", ".vrm", false);
    const auto pump = [] { juce::MessageManager::getInstance()->runDispatchLoopUntil (200); };

    MainComponent content (store, engine, ports, selection, dialogs, missing);
    pump();
    EXPECT_TRUE (dialogs.shown.empty());

    juce::DocumentWindow window ("main", juce::Colours::black, 0);
    window.setContentNonOwned (&content, true);
    window.setVisible (true);
    pump();
    pump();

    ASSERT_EQ (dialogs.shown.size(), 1u);
    EXPECT_EQ (dialogs.shown[0].title, "File Open Error:");
    EXPECT_EQ (dialogs.shown[0].message, missing.getFullPathName() + "\n\rThere is no such file.");
    window.clearContentComponent();
}
} // namespace vr
