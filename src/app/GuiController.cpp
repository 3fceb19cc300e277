#include "GuiController.h"

#include "Host.h"
#include "MainComponent.h"
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

void GuiController::openFromAnotherStart (const juce::StringArray& paths)
{
    if (mainWindow != nullptr)
        mainWindow->getMainComponent().openFromAnotherStart (paths);
}
} // namespace vr
