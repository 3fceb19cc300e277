#pragma once

#include <juce_events/juce_events.h>

#include <memory>

namespace vr
{
class DataCenter;
class GuiController;
class MidiMonitor;
class MidiPortDirectory;
class MidiReceiver;

// The single owner of the program's long-lived objects; every part reaches
// them through Host::getInstance. Message thread only.
class Host
{
public:
    virtual ~Host();

    // The host, created on the first call; null when it cannot be created.
    static Host* getInstance();
    // Deletes the host (shut-down); does nothing when there is none.
    static void deleteInstance();

    DataCenter& getDataCenter() noexcept { return *dataCenter; }
    GuiController& getGuiController() noexcept { return *guiController; }
    MidiReceiver& getMidiReceiver() noexcept { return *midiReceiver; }
    MidiPortDirectory& getPortDirectory() noexcept { return *portDirectory; }
    MidiMonitor& getMidiMonitor() noexcept { return *midiMonitor; }
    juce::ChangeBroadcaster& getProgramSelectionBroadcaster() noexcept { return *programSelection; }

private:
    Host();

    // Created in this order. At shut-down the engine's input stops first;
    // then the GUI controller (with every view), the engine, the store and
    // the broadcaster are deleted, and last the monitor the engine's threads
    // tell.
    std::unique_ptr<MidiMonitor> midiMonitor;
    std::unique_ptr<juce::ChangeBroadcaster> programSelection;
    std::unique_ptr<DataCenter> dataCenter;
    std::unique_ptr<GuiController> guiController;
    std::unique_ptr<MidiPortDirectory> portDirectory;
    std::unique_ptr<MidiReceiver> midiReceiver;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Host)
};
} // namespace vr
