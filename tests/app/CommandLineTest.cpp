#include "app/CommandLine.h"

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
} // namespace vr
