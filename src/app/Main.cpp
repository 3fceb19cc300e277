#include "AppInfo.h"
#include "Application.h"
#include "CommandLine.h"
#include "SingleInstance.h"

#include <chrono>
#include <iostream>
#include <memory>
#include <thread>

namespace
{
std::unique_ptr<vr::SingleInstance> singleInstance;
juce::StringArray filesToOpen;

// True when the running program took the files and this process should
// end. Otherwise this one runs, holding the channel if it could.
bool handedToRunningInstance (const juce::String& programName)
{
    // The automated GUI checks run several programs at once.
    if (juce::SystemStats::getEnvironmentVariable ("VR_ALLOW_MULTIPLE_INSTANCES", {}) == "1")
        return false;

    const auto channel = vr::SingleInstance::defaultChannelName();
    // The holder may be ending just now; then the channel is free to claim.
    for (int attempt = 0; attempt < 3; ++attempt)
    {
        auto instance = std::make_unique<vr::SingleInstance> (channel);
        switch (instance->claim())
        {
            case vr::SingleInstance::Claim::first:
                singleInstance = std::move (instance);
                return false;
            case vr::SingleInstance::Claim::unavailable:
                return false;
            case vr::SingleInstance::Claim::alreadyTaken:
                break;
        }
        switch (vr::SingleInstance::sendToHolder (channel, filesToOpen))
        {
            case vr::SingleInstance::Answer::taken:
                // More than one message holds is far more than the three the
                // running copy opens; those left out are named, not lost unsaid.
                for (int i = vr::SingleInstance::pathsThatFit (filesToOpen); i < filesToOpen.size(); ++i)
                    std::cerr << programName << ": too many files to hand to the running copy; not opened: "
                              << filesToOpen[i] << '\n';
                return true;
            case vr::SingleInstance::Answer::unanswered:
                std::cerr << programName << ": the running copy did not take the files in time; "
                          << "opening a window of its own\n";
                return false;
            case vr::SingleInstance::Answer::gone:
                std::this_thread::sleep_for (std::chrono::milliseconds (100));
                break;
        }
    }
    std::cerr << programName << ": the running copy cannot be reached; opening a window of its own\n";
    return false;
}
} // namespace

juce::JUCEApplicationBase* juce_CreateApplication();
juce::JUCEApplicationBase* juce_CreateApplication()
{
    return new vr::Application (singleInstance.get(), filesToOpen);
}

// Help, version and unknown options are answered here, before the framework
// starts: no display is needed for them and no running instance is asked.
int main (int argc, char* argv[])
{
    const auto arguments = vr::commandLineArguments (argc, argv);
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

    filesToOpen = vr::filesNamed (arguments, juce::File::getCurrentWorkingDirectory());
    if (handedToRunningInstance (programName))
        return 0;

    juce::JUCEApplicationBase::createInstance = &juce_CreateApplication;
    const int result = juce::JUCEApplicationBase::main (argc, const_cast<const char**> (argv));
    singleInstance.reset();
    return result;
}
