#pragma once

#include <juce_core/juce_core.h>

namespace vr
{
// Splits the parameter string the way the program has always read it: double
// quotes group, a quote inside a token joins what follows, every space ends a
// token (so two spaces make an empty one).
juce::StringArray tokeniseCommandLine (const juce::String& parameters);

// The library file named in a parameter string: the first token that is
// neither empty nor an option. Relative paths are taken from the working
// folder. Returns a default juce::File when none is named.
juce::File commandLineFile (const juce::String& parameters,
                            const juce::File& workingFolder = juce::File::getCurrentWorkingDirectory());

// The arguments main() was given after the program's name, read as UTF-8.
juce::StringArray commandLineArguments (int argc, const char* const* argv);

// What the arguments ask for before any window or the single-instance check:
// printing the usage or the version, refusing an option we do not know, or
// starting the program. "--" ends the options: what follows it names files.
enum class StartRequest
{
    run,
    help,
    version,
    unknownOption
};

StartRequest startRequest (const juce::StringArray& arguments);

// The usage text, ending in a newline; the program's name is the one it was
// started by.
juce::String usageText (const juce::String& programName);

// The files the arguments name, in order, as absolute paths: the first start
// opens them, and a later start hands them to the running one (whose working
// folder is not ours). Empty arguments and options before "--" name none.
juce::StringArray filesNamed (const juce::StringArray& arguments, const juce::File& workingFolder);
} // namespace vr
