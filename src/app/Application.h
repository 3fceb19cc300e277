#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace vr
{
class SingleInstance;

// The application object. The single-instance check is ours, made before
// the framework starts (see Main.cpp): the instance that holds it is handed
// the files later starts were given and opens them as the first start does.
class Application : public juce::JUCEApplication
{
public:
    // instance: the claimed single-instance channel, or null when this one
    // runs without it; it outlives the application object. filesToOpen:
    // the absolute paths this start was given, opened once the window is up.
    Application (SingleInstance* instance, juce::StringArray filesToOpen);

    // The files come from the constructor: the framework's parameter string
    // cannot tell every file name from the next.
    void initialise (const juce::String& commandLine) override;
    // Also called when start-up ended early, with nothing set up.
    void shutdown() override;

    // Brings the window to the front and opens each file, in order, as far
    // as the free slots go. False when the program has not started or is
    // ending, and so cannot take them.
    bool openFromAnotherStart (const juce::StringArray& paths);
    // The framework's anotherInstanceStarted stays its own, which does
    // nothing: with the framework's check off, nothing calls it here.

    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    // The framework's own lock is not used: it cannot reach the running
    // instance on this platform.
    bool moreThanOneInstanceAllowed() override { return true; }

private:
    SingleInstance* singleInstance;
    const juce::StringArray startFiles;
    bool running{false};
};
} // namespace vr
