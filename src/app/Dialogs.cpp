#include "Dialogs.h"

#include "AlertBox.h"

namespace vr
{
void repaintAllWindows()
{
    auto& desktop = juce::Desktop::getInstance();
    for (int i = 0; i < desktop.getNumComponents(); ++i)
        if (auto* window = desktop.getComponent (i))
            window->repaint();
}

int JuceDialogs::show (const AlertText& alert)
{
    int result = 0;
    {
        AlertBox window (alert);
        result = window.runModalLoop();
    }
    repaintAllWindows();
    return result > 0 ? result - 1 : -1;
}

juce::File JuceDialogs::chooseFileToOpen (const juce::String& title, const juce::File& folder,
                                          const juce::String& patterns)
{
    juce::FileChooser chooser (title, folder, patterns);
    const bool chosen = chooser.browseForFileToOpen();
    repaintAllWindows();
    return chosen ? chooser.getResult() : juce::File();
}

juce::File JuceDialogs::chooseFileToSave (const juce::String& title, const juce::File& initialFile,
                                          const juce::String& patterns)
{
    juce::FileChooser chooser (title, initialFile, patterns);
    const bool chosen = chooser.browseForFileToSave (true);
    repaintAllWindows();
    return chosen ? chooser.getResult() : juce::File();
}
} // namespace vr
