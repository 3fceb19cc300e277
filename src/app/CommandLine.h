#pragma once

#include <juce_core/juce_core.h>

namespace vr
{
// Splits the parameter string the way the program has always read it: double
// quotes group, a quote inside a token joins what follows, every space ends a
// token (so two spaces make an empty one).
juce::StringArray tokeniseCommandLine (const juce::String& parameters);

// The library file named on the command line: the first token that is neither
// empty nor an option. Relative paths are taken from the working folder.
// Returns a default juce::File when none is named.
juce::File commandLineFile (const juce::String& parameters,
                            const juce::File& workingFolder = juce::File::getCurrentWorkingDirectory());

// What the arguments ask for before any window or the single-instance check:
// printing the usage or the version, refusing an option we do not know, or
// starting the program.
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

// The parameters handed to the instance that already runs: the arguments
// that name files, as absolute paths (its working folder is not ours), in
// quotes the tokeniser reads back.
juce::String parametersForRunningInstance (const juce::StringArray& arguments,
                                           const juce::File& workingFolder);
} // namespace vr
