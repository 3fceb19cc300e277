#pragma once

#include "midi/MidiMonitor.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace vr
{
// The monitor's list, newest at the bottom, with Clear and Copy. It reads
// the monitor on a timer, which runs only while the window is open.
class MidiMonitorComponent : public juce::Component, private juce::ListBoxModel, private juce::Timer
{
public:
    explicit MidiMonitorComponent (MidiMonitor& monitor);
    ~MidiMonitorComponent() override;

    void start() { startTimer (kRefreshMs); }
    void stop() { stopTimer(); }
    // What the timer does: takes in new entries; the list follows them
    // down when it showed the last line.
    void refresh();

    void resized() override;

    const MidiMonitorLog& getLog() const noexcept { return log; }
    juce::ListBox& getList() noexcept { return list; }
    juce::TextButton& getClearButton() noexcept { return clearButton; }
    juce::TextButton& getCopyButton() noexcept { return copyButton; }

private:
    static constexpr int kRefreshMs = 100;

    int getNumRows() override;
    void paintListBoxItem (int row, juce::Graphics& g, int width, int height, bool selected) override;
    void timerCallback() override { refresh(); }

    MidiMonitorLog log;
    juce::ListBox list;
    juce::TextButton clearButton{"Clear"};
    juce::TextButton copyButton{"Copy"};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MidiMonitorComponent)
};

// The window beside the main one. The monitor records only while it is open.
class MidiMonitorWindow : public juce::DocumentWindow
{
public:
    explicit MidiMonitorWindow (MidiMonitor& monitor);
    ~MidiMonitorWindow() override;

    // Starts recording and shows the window beside `mainWindow` (where it
    // was, if it is open already) in front.
    void open (const juce::Component& mainWindow);
    // Stops recording and hides the window.
    void closeButtonPressed() override;

    MidiMonitorComponent& getContent() noexcept { return content; }

private:
    MidiMonitor& monitor;
    MidiMonitorComponent content;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MidiMonitorWindow)
};
} // namespace vr
