#include "Dialogs.h"

#include "AlertBox.h"

#include <iostream>

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
    // The checks that drive the window read what was said from the output.
    static const bool traceAlerts = juce::SystemStats::getEnvironmentVariable ("VR_TRACE_STEPS", {}) == "1";
    if (traceAlerts)
        std::cerr << "vr-alert " << alert.title << " " << alert.message.replace ("\n", " ") << std::endl;
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
