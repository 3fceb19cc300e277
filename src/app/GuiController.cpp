#include "GuiController.h"

#include "MainWindow.h"

namespace vr
{
GuiController::GuiController() = default;
GuiController::~GuiController() = default;

void GuiController::showMainWindow()
{
    if (mainWindow == nullptr)
    {
        mainWindow = std::make_unique<MainWindow>();
        return;
    }

    mainWindow->toFront (true);
}
} // namespace vr
