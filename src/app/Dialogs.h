#pragma once

#include "../data/DialogInterface.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace vr
{
// Repaints every window of the program. On an X server without a compositor
// nothing repaints what a closed alert or menu covered until the pointer
// passes over it, so a closed question would still seem to be there.
void repaintAllWindows();

// The real thing: framework alert windows and the native file dialogs.
class JuceDialogs : public Dialogs
{
public:
    int show (const AlertText& alert) override;
    juce::File chooseFileToOpen (const juce::String& title, const juce::File& folder,
                                 const juce::String& patterns) override;
    juce::File chooseFileToSave (const juce::String& title, const juce::File& initialFile,
                                 const juce::String& patterns) override;
};
} // namespace vr
