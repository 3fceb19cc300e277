#include "Host.h"

#include "GuiController.h"
#include "data/DataCenter.h"
#include "midi/MidiMonitor.h"
#include "midi/MidiPortDirectory.h"
#include "midi/MidiReceiver.h"

namespace vr
{
namespace
{
std::unique_ptr<Host>& hostInstance()
{
    static std::unique_ptr<Host> instance;
    return instance;
}
} // namespace

Host::Host()
    : midiMonitor (std::make_unique<MidiMonitor>())
    , programSelection (std::make_unique<juce::ChangeBroadcaster>())
    , dataCenter (std::make_unique<DataCenter>())
    , guiController (std::make_unique<GuiController>())
    , portDirectory (std::make_unique<MidiPortDirectory>())
    , midiReceiver (std::make_unique<MidiReceiver> (*dataCenter))
{
    midiReceiver->setMonitor (midiMonitor.get());
    portDirectory->openDefaultPorts (*midiReceiver);
}

Host::~Host()
{
    // Nothing from the unit may reach the store from here on; and the views,
    // which read the store until their last callback, go before it.
    midiReceiver->stopInput();
    guiController.reset();
    midiReceiver.reset();
    portDirectory.reset();
    dataCenter.reset();
    programSelection.reset();
}

Host* Host::getInstance()
{
    auto& instance = hostInstance();
    if (instance == nullptr)
    {
        try
        {
            instance.reset (new Host()); // private constructor
        }
        catch (const std::bad_alloc&)
        {
            return nullptr;
        }
    }
    return instance.get();
}

void Host::deleteInstance()
{
    hostInstance().reset();
}

} // namespace vr
