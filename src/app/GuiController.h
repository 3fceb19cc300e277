#pragma once

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

private:
    std::unique_ptr<MainWindow> mainWindow;
};
} // namespace vr
