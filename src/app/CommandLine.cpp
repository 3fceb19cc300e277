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

juce::StringArray commandLineArguments (int argc, const char* const* argv)
{
    juce::StringArray arguments;
    for (int i = 1; i < argc; ++i)
        arguments.add (juce::String (juce::CharPointer_UTF8 (argv[i])));
    return arguments;
}

StartRequest startRequest (const juce::StringArray& arguments)
{
    for (const auto& argument : arguments)
    {
        if (argument == "--")
            break;
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
           " [OPTION] [FILE]...\n"
           "Edit and keep the programs of a VORANTE wren or heron unit over MIDI.\n"
           "\n"
           "Each FILE is a program library (.vrm) or SysEx file (.syx) to open beside\n"
           "the unit list, up to three at a time. When the program already runs, the\n"
           "files open there and that window comes to the front.\n"
           "\n"
           "  -h, --help     print this help and exit\n"
           "      --version  print the version and exit\n"
           "      --         end of the options: every argument after it is a FILE\n";
}

juce::StringArray filesNamed (const juce::StringArray& arguments, const juce::File& workingFolder)
{
    juce::StringArray files;
    bool optionsEnded = false;
    for (const auto& argument : arguments)
    {
        if (!optionsEnded && argument == "--")
        {
            optionsEnded = true;
            continue;
        }
        if (argument.isEmpty() || (!optionsEnded && argument.startsWithChar ('-')))
            continue;
        // A leading '~' would be taken for a home folder: the name is relative.
        const auto file = argument.startsWithChar ('/') ? juce::File (argument)
                                                        : workingFolder.getChildFile ("./" + argument);
        files.add (file.getFullPathName());
    }
    return files;
}
} // namespace vr
