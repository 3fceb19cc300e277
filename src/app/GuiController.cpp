#include "GuiController.h"

#include "Host.h"
#include "MainWindow.h"

namespace vr
{
GuiController::GuiController() = default;
GuiController::~GuiController() = default;

void GuiController::showMainWindow()
{
    if (mainWindow == nullptr)
    {
        mainWindow = std::make_unique<MainWindow> (*Host::getInstance());
        return;
    }

    mainWindow->toFront (true);
}
} // namespace vr
