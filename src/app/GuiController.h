#pragma once

#include <juce_core/juce_core.h>

#include <memory>

namespace vr
{
class MainWindow;

// Holds the program's one window.
class GuiController
{
public:
    GuiController();
    virtual ~GuiController();

    // Creates the window the first time; later calls bring it to the front.
    void showMainWindow();

    // A later start of the program was given these parameters.
    void openFromAnotherStart (const juce::String& commandLine);

private:
    std::unique_ptr<MainWindow> mainWindow;
};
} // namespace vr
