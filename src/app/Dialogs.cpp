#include "Dialogs.h"

#include "AlertBox.h"

namespace vr
{
int JuceDialogs::show (const AlertText& alert)
{
    AlertBox window (alert);
    const int result = window.runModalLoop();
    return result > 0 ? result - 1 : -1;
}

juce::File JuceDialogs::chooseFileToOpen (const juce::String& title, const juce::File& folder,
                                          const juce::String& patterns)
{
    juce::FileChooser chooser (title, folder, patterns);
    return chooser.browseForFileToOpen() ? chooser.getResult() : juce::File();
}

juce::File JuceDialogs::chooseFileToSave (const juce::String& title, const juce::File& initialFile,
                                          const juce::String& patterns)
{
    juce::FileChooser chooser (title, initialFile, patterns);
    return chooser.browseForFileToSave (true) ? chooser.getResult() : juce::File();
}
} // namespace vr
