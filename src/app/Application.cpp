#include "Application.h"

#include "AppInfo.h"
#include "CZELKResource.h"
#include "CommandLine.h"
#include "GuiController.h"
#include "Host.h"
#include "SingleInstance.h"

namespace vr
{
Application::Application (SingleInstance* instance)
    : singleInstance (instance)
{
}

void Application::initialise (const juce::String& commandLine)
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
    running = true;

    // Later starts wait in the channel's backlog until the window is there.
    if (singleInstance != nullptr)
        singleInstance->startListening (
            [] (const juce::String& parameters)
            {
                juce::MessageManager::callAsync (
                    [parameters]
                    {
                        if (auto* app = juce::JUCEApplicationBase::getInstance())
                            app->anotherInstanceStarted (parameters);
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

void Application::anotherInstanceStarted (const juce::String& commandLine)
{
    if (running)
        Host::getInstance()->getGuiController().openFromAnotherStart (commandLine);
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
