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

    // A start of the program was given these files (absolute paths).
    void openFromAnotherStart (const juce::StringArray& paths);

private:
    std::unique_ptr<MainWindow> mainWindow;
};
} // namespace vr
