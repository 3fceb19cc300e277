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
} // namespace vr
