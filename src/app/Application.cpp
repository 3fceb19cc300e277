#include "Application.h"

#include "AppInfo.h"
#include "CZELKResource.h"
#include "GuiController.h"
#include "Host.h"
#include "SingleInstance.h"

namespace vr
{
Application::Application (SingleInstance* instance, juce::StringArray filesToOpen)
    : singleInstance (instance)
    , startFiles (std::move (filesToOpen))
{
}

void Application::initialise (const juce::String&)
{
    auto* host = Host::getInstance();
    if (host == nullptr)
    {
        quit();
        return;
    }

    CZELKResource::getInstance();
    host->getGuiController().showMainWindow();
    running = true;
    openFromAnotherStart (startFiles);

    // Later starts wait in the channel's backlog until the window is there.
    // A hand-over counts as taken once the message thread has it queued; a
    // program that is ending leaves it to the sender.
    if (singleInstance != nullptr)
        singleInstance->startListening (
            [] (const SingleInstance::HandOver& handOver)
            {
                juce::MessageManager::callAsync (
                    [handOver]
                    {
                        auto* app = dynamic_cast<Application*> (juce::JUCEApplicationBase::getInstance());
                        if (app != nullptr && app->running && handOver.take())
                            app->openFromAnotherStart (handOver.paths);
                    });
            });
}

void Application::shutdown()
{
    running = false;
    if (singleInstance != nullptr)
        singleInstance->stopListening();
    Host::deleteInstance();
    CZELKResource::release();
}

bool Application::openFromAnotherStart (const juce::StringArray& paths)
{
    if (!running)
        return false;
    Host::getInstance()->getGuiController().openFromAnotherStart (paths);
    return true;
}

const juce::String Application::getApplicationName()
{
    return kApplicationName;
}

const juce::String Application::getApplicationVersion()
{
    return kApplicationVersion;
}
} // namespace vr
