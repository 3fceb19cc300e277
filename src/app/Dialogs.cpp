#include "Dialogs.h"

namespace vr
{
namespace
{
juce::MessageBoxIconType iconFor (AlertText::Icon icon)
{
    switch (icon)
    {
        case AlertText::Icon::info:
            return juce::MessageBoxIconType::InfoIcon;
        case AlertText::Icon::warning:
            return juce::MessageBoxIconType::WarningIcon;
        case AlertText::Icon::question:
            return juce::MessageBoxIconType::QuestionIcon;
        case AlertText::Icon::none:
            break;
    }
    return juce::MessageBoxIconType::NoIcon;
}
} // namespace

int JuceDialogs::show (const AlertText& alert)
{
    juce::AlertWindow window (alert.title, alert.message, iconFor (alert.icon));
    for (int i = 0; i < alert.buttons.size(); ++i)
    {
        // Return takes the first button, Escape the last, as the framework's own boxes do.
        const auto key = i == 0 ? juce::KeyPress (juce::KeyPress::returnKey)
                                : (i == alert.buttons.size() - 1 ? juce::KeyPress (juce::KeyPress::escapeKey)
                                                                 : juce::KeyPress());
        window.addButton (alert.buttons[i], i + 1, key);
    }

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
