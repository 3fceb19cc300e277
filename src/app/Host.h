#pragma once

#include <juce_events/juce_events.h>

#include <memory>

namespace vr
{
class DataCenter;
class GuiController;

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
    // The host if it exists, without creating one.
    static Host* getInstanceWithoutCreating() noexcept;

    DataCenter& getDataCenter() noexcept { return *dataCenter; }
    GuiController& getGuiController() noexcept { return *guiController; }
    juce::ChangeBroadcaster& getProgramSelectionBroadcaster() noexcept { return *programSelection; }

    const juce::File& getCommandLineFile() const noexcept { return commandLineFile; }
    void setCommandLineFile (const juce::File& file) { commandLineFile = file; }

private:
    Host();

    // Created in this order; deleted store first, broadcaster last.
    std::unique_ptr<juce::ChangeBroadcaster> programSelection;
    std::unique_ptr<DataCenter> dataCenter;
    std::unique_ptr<GuiController> guiController;
    // The MIDI engine joins here, created after the GUI controller.
    juce::File commandLineFile;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Host)
};
} // namespace vr
