#include "AppInfo.h"
#include "Application.h"
#include "CommandLine.h"
#include "SingleInstance.h"

#include <iostream>
#include <memory>

namespace
{
std::unique_ptr<vr::SingleInstance> singleInstance;

// True when the running program took the parameters and this process
// should end. Otherwise this one runs, holding the channel if it could.
bool handedToRunningInstance (const juce::StringArray& arguments)
{
    // The automated GUI checks run several programs at once.
    if (juce::SystemStats::getEnvironmentVariable ("VR_ALLOW_MULTIPLE_INSTANCES", {}) == "1")
        return false;

    const auto name = vr::SingleInstance::defaultChannelName();
    const auto parameters =
        vr::parametersForRunningInstance (arguments, juce::File::getCurrentWorkingDirectory());
    // The holder may be ending just now; then the name is free to claim.
    for (int attempt = 0; attempt < 3; ++attempt)
    {
        auto instance = std::make_unique<vr::SingleInstance> (name);
        switch (instance->claim())
        {
            case vr::SingleInstance::Claim::first:
                singleInstance = std::move (instance);
                return false;
            case vr::SingleInstance::Claim::unavailable:
                return false;
            case vr::SingleInstance::Claim::alreadyTaken:
                if (vr::SingleInstance::sendToHolder (name, parameters))
                    return true;
                break;
        }
    }
    return false;
}
} // namespace

juce::JUCEApplicationBase* juce_CreateApplication();
juce::JUCEApplicationBase* juce_CreateApplication()
{
    return new vr::Application (singleInstance.get());
}

// Help, version and unknown options are answered here, before the framework
// starts: no display is needed for them and no running instance is asked.
int main (int argc, char* argv[])
{
    const juce::StringArray arguments (argv + 1, argc - 1);
    const auto programName =
        juce::String (juce::CharPointer_UTF8 (argv[0])).fromLastOccurrenceOf ("/", false, false);

    switch (vr::startRequest (arguments))
    {
        case vr::StartRequest::help:
            std::cout << vr::usageText (programName);
            return 0;
        case vr::StartRequest::version:
            std::cout << vr::kApplicationName << ' ' << vr::kApplicationVersion << '\n';
            return 0;
        case vr::StartRequest::unknownOption:
            for (const auto& argument : arguments)
                if (argument.startsWithChar ('-'))
                {
                    std::cerr << programName << ": unknown option '" << argument << "'\n";
                    break;
                }
            std::cerr << vr::usageText (programName);
            return 2;
        case vr::StartRequest::run:
            break;
    }

    if (handedToRunningInstance (arguments))
        return 0;

    juce::JUCEApplicationBase::createInstance = &juce_CreateApplication;
    const int result = juce::JUCEApplicationBase::main (argc, const_cast<const char**> (argv));
    singleInstance.reset();
    return result;
}
