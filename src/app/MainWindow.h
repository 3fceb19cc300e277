#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace vr
{
// The program's single window: fixed size, framework-drawn title bar with
// close and minimise buttons.
class MainWindow : public juce::DocumentWindow
{
public:
    MainWindow();
    ~MainWindow() override;

    void closeButtonPressed() override;

    static constexpr int kTitleBarHeight = 22;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainWindow)
};
} // namespace vr
