#include "JuceMidiPorts.h"

#if JUCE_LINUX
#include <alsa/asoundlib.h>
#endif

namespace vr
{
std::unique_ptr<JuceMidiInputPort> JuceMidiInputPort::open (const juce::MidiDeviceInfo& info)
{
    std::unique_ptr<JuceMidiInputPort> port (new JuceMidiInputPort()); // private constructor
    port->device = juce::MidiInput::openDevice (info.identifier, port.get());
    if (port->device == nullptr)
        return nullptr;
    port->deviceName = info.name;
    return port;
}

JuceMidiInputPort::~JuceMidiInputPort()
{
    stop();
}

void JuceMidiInputPort::start (MidiMessageSink& sink)
{
    {
        const juce::ScopedLock sl (sinkLock);
        target = &sink;
    }
    device->start();
}

void JuceMidiInputPort::stop()
{
    device->stop();
    const juce::ScopedLock sl (sinkLock);
    target = nullptr;
}

void JuceMidiInputPort::handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage& message)
{
    const juce::ScopedLock sl (sinkLock);
    if (target != nullptr)
        target->messageArrived (message);
}

std::unique_ptr<JuceMidiOutputPort> JuceMidiOutputPort::open (const juce::MidiDeviceInfo& info)
{
    std::unique_ptr<JuceMidiOutputPort> port (new JuceMidiOutputPort());
    port->device = juce::MidiOutput::openDevice (info.identifier);
    if (port->device == nullptr)
        return nullptr;
    port->deviceName = info.name;
    return port;
}

#if JUCE_LINUX
namespace
{
void ignoreAlsaError (const char*, int, const char*, int, const char*, ...) {}
} // namespace
#endif

void silenceAlsaErrors()
{
#if JUCE_LINUX
    snd_lib_error_set_handler (ignoreAlsaError);
#endif
}
} // namespace vr
