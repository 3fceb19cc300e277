#include "AppInfo.h"
#include "CZELKResource.h"
#include "CommandLine.h"
#include "GuiController.h"
#include "Host.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace vr
{
class Application : public juce::JUCEApplication
{
public:
    Application() = default;

    void initialise (const juce::String& commandLine) override
    {
        auto* host = Host::getInstance();
        if (host == nullptr)
        {
            quit();
            return;
        }

        host->setCommandLineFile (commandLineFile (commandLine));
        CZELKResource::getInstance();
        host->getGuiController().showMainWindow();
    }

    // Also called when a second instance ends at once, with nothing set up:
    // both steps then do nothing.
    void shutdown() override
    {
        Host::deleteInstance();
        CZELKResource::release();
    }

    const juce::String getApplicationName() override { return kApplicationName; }
    const juce::String getApplicationVersion() override { return kApplicationVersion; }

    // One instance per machine; the automated GUI checks run several at once.
    bool moreThanOneInstanceAllowed() override
    {
        return juce::SystemStats::getEnvironmentVariable ("VR_ALLOW_MULTIPLE_INSTANCES", {}) == "1";
    }
};
} // namespace vr

START_JUCE_APPLICATION (vr::Application)
