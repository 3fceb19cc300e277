#include "MainWindow.h"

#include "AppInfo.h"
#include "CZELKResource.h"

namespace vr
{
namespace
{
// Stands in for the main component until the views exist: the library
// picture on black, at the main component's size.
class PlaceholderContent : public juce::Component
{
public:
    PlaceholderContent() { setSize (800, 600); }

    void paint (juce::Graphics& g) override
    {
        g.fillAll (juce::Colour (0xff000000));
        if (auto* resources = CZELKResource::getInstancePointer())
            if (auto image = resources->loadImage ("VRLibBG", "png"))
                g.drawImageAt (*image, 0, -3);
    }
};
} // namespace

MainWindow::MainWindow()
    : juce::DocumentWindow (kApplicationName, juce::Colour (0xffffffff),
                            juce::DocumentWindow::closeButton | juce::DocumentWindow::minimiseButton)
{
    // A document window's component name is its title, so the window's own
    // identifier goes into the component ID instead.
    setComponentID ("MainWindow");
    setUsingNativeTitleBar (false);
    setTitleBarHeight (kTitleBarHeight);
    setContentOwned (new PlaceholderContent(), true); // the window owns its content
    centreWithSize (getWidth(), getHeight());
    setResizable (false, false);

    if (auto* resources = CZELKResource::getInstancePointer())
        if (auto icon = resources->loadImage ("VRAppIcon", "png"))
            setIcon (*icon);

    setVisible (true);
}

MainWindow::~MainWindow() = default;

void MainWindow::closeButtonPressed()
{
    juce::JUCEApplication::getInstance()->systemRequestedQuit();
}
} // namespace vr
