#pragma once

#include <juce_core/juce_core.h>

namespace vr
{
// One question or message: a short title ending in a colon, one or two lines
// of message, and the button texts exactly as shown, affirmative first.
struct AlertText
{
    enum class Icon
    {
        none,
        info,
        warning,
        question
    };

    Icon icon{Icon::warning};
    juce::String title;
    juce::String message;
    juce::StringArray buttons;
};

// Everything that asks the user something goes through here, so the flows
// can be tested without modal windows. Declared with the data every layer
// builds on, so the list logic can ask without knowing the windows.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // Shows the alert and waits; returns the index of the button pressed
    // (0 = the first), or -1 when it was dismissed without one.
    virtual int show (const AlertText& alert) = 0;

    // File choosers; a default juce::File when cancelled.
    virtual juce::File chooseFileToOpen (const juce::String& title, const juce::File& folder,
                                         const juce::String& patterns) = 0;
    virtual juce::File chooseFileToSave (const juce::String& title, const juce::File& initialFile,
                                         const juce::String& patterns) = 0;
};
} // namespace vr
