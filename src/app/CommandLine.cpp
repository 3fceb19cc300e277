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

StartRequest startRequest (const juce::StringArray& arguments)
{
    for (const auto& argument : arguments)
    {
        if (argument == "--help" || argument == "-h")
            return StartRequest::help;
        if (argument == "--version")
            return StartRequest::version;
        if (argument.startsWithChar ('-'))
            return StartRequest::unknownOption;
    }
    return StartRequest::run;
}

juce::String usageText (const juce::String& programName)
{
    return "Usage: " + programName +
           " [OPTION] [FILE]\n"
           "Edit and keep the programs of a VORANTE wren or heron unit over MIDI.\n"
           "\n"
           "FILE is a program library (.vrm) or SysEx file (.syx) to open beside the\n"
           "unit list. When the program already runs, the file opens there and that\n"
           "window comes to the front. Only the first FILE is opened.\n"
           "\n"
           "  -h, --help     print this help and exit\n"
           "      --version  print the version and exit\n";
}

juce::String parametersForRunningInstance (const juce::StringArray& arguments,
                                           const juce::File& workingFolder)
{
    juce::StringArray files;
    for (const auto& argument : arguments)
        if (argument.isNotEmpty() && !argument.startsWithChar ('-'))
            files.add (workingFolder.getChildFile (argument).getFullPathName().quoted());
    return files.joinIntoString (" ");
}
} // namespace vr
