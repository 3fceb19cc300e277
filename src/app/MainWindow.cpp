#include "MainWindow.h"

#include "ActionManager.h"
#include "AppInfo.h"
#include "CZELKResource.h"
#include "Host.h"
#include "MainComponent.h"

namespace vr
{
MainWindow::MainWindow (Host& host)
    : juce::DocumentWindow (kApplicationName, juce::Colour (0xffffffff),
                            juce::DocumentWindow::closeButton | juce::DocumentWindow::minimiseButton)
{
    // A document window's component name is its title, so the window's own
    // identifier goes into the component ID instead.
    setComponentID ("MainWindow");
    setUsingNativeTitleBar (false);
    setTitleBarHeight (kTitleBarHeight);

    auto content = std::make_unique<MainComponent> (host.getDataCenter(), host.getMidiReceiver(),
                                                    host.getPortDirectory(),
                                                    host.getProgramSelectionBroadcaster(), dialogs);
    mainComponent = content.get();
    mainComponent->keepReceiveBackups();
    mainComponent->setMidiMonitor (&host.getMidiMonitor());
    setContentOwned (content.release(), true);
    centreWithSize (getWidth(), getHeight());
    setResizable (false, false);

    if (auto* resources = CZELKResource::getInstancePointer())
        if (auto icon = resources->loadImage ("VRAppIcon", "png"))
            setIcon (*icon);

    // Shortcuts work wherever the focus is inside the window, or nowhere.
    addKeyListener (mainComponent->getCommandManager().getKeyMappings());

    setVisible (true);
    // The menu bar takes its height from the content; the window keeps its size.
    setMenuBar (&mainComponent->getMenuModel(), kMenuBarHeight);
}

MainWindow::~MainWindow()
{
    removeKeyListener (mainComponent->getCommandManager().getKeyMappings());
    setMenuBar (nullptr);
    clearContentComponent();
}

void MainWindow::closeButtonPressed()
{
    mainComponent->getActionManager().askQuit();
}
} // namespace vr
