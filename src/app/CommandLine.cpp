#include "CommandLine.h"

namespace vr
{
juce::StringArray tokeniseCommandLine (const juce::String& parameters)
{
    juce::StringArray tokens;
    juce::String token;
    bool inQuotes = false;

    for (auto p = parameters.getCharPointer(); !p.isEmpty();)
    {
        const auto c = p.getAndAdvance();

        if (inQuotes)
        {
            if (c == '"')
            {
                inQuotes = false;
                tokens.add (token);
                token.clear();
            }
            else
            {
                token += juce::String::charToString (c);
            }
        }
        else if (c == '"')
        {
            inQuotes = true;
        }
        else if (c == ' ')
        {
            tokens.add (token);
            token.clear();
        }
        else
        {
            token += juce::String::charToString (c);
        }
    }

    if (token.isNotEmpty())
        tokens.add (token);

    return tokens;
}

juce::File commandLineFile (const juce::String& parameters, const juce::File& workingFolder)
{
    for (const auto& token : tokeniseCommandLine (parameters))
    {
        if (token.isEmpty() || token.startsWithChar ('-'))
            continue;

        return workingFolder.getChildFile (token);
    }

    return {};
}
} // namespace vr
