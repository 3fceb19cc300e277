#pragma once

#include "Dialogs.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace vr
{
class Host;
class MainComponent;

// The program's single window: fixed size, framework-drawn title bar with
// close and minimise buttons, and the menu bar.
class MainWindow : public juce::DocumentWindow
{
public:
    explicit MainWindow (Host& host);
    ~MainWindow() override;

    // Asks the Quit question.
    void closeButtonPressed() override;

    MainComponent& getMainComponent() noexcept { return *mainComponent; }

    static constexpr int kTitleBarHeight = 22;
    static constexpr int kMenuBarHeight = 22;

private:
    JuceDialogs dialogs;
    MainComponent* mainComponent{nullptr}; // owned by the window as its content

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainWindow)
};
} // namespace vr
