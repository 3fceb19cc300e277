#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace vr
{
class SingleInstance;

// The application object. The single-instance check is ours, made before
// the framework starts (see Main.cpp): the instance that holds it is handed
// what later starts were given and opens it as the first start would.
class Application : public juce::JUCEApplication
{
public:
    // instance: the claimed single-instance channel, or null when several
    // instances are allowed; it outlives the application object.
    explicit Application (SingleInstance* instance);

    void initialise (const juce::String& commandLine) override;
    // Also called when start-up ended early, with nothing set up.
    void shutdown() override;

    // Brings the window to the front and opens the file the parameters name.
    void anotherInstanceStarted (const juce::String& commandLine) override;

    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    // The framework's own lock is not used: it cannot reach the running
    // instance on this platform.
    bool moreThanOneInstanceAllowed() override { return true; }

private:
    SingleInstance* singleInstance;
    bool running{false};
};
} // namespace vr
