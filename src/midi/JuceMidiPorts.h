#pragma once

#include "MidiPort.h"

#include <juce_audio_devices/juce_audio_devices.h>

#include <memory>

namespace vr
{
// The platform's MIDI ports, reached through JUCE's identifier-based API.
class JuceMidiInputPort final : public MidiInputPort, private juce::MidiInputCallback
{
public:
    // Null when the device cannot be opened.
    static std::unique_ptr<JuceMidiInputPort> open (const juce::MidiDeviceInfo& device);
    ~JuceMidiInputPort() override;

    juce::String getName() const override { return deviceName; }
    void start (MidiMessageSink& sink) override;
    void stop() override;

private:
    JuceMidiInputPort() = default;
    // Runs on the platform's MIDI thread while the driver holds its own
    // lock: it only hands the message on (the sink queues it).
    void handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage& message) override;

    std::unique_ptr<juce::MidiInput> device;
    juce::String deviceName;
    juce::CriticalSection sinkLock;
    MidiMessageSink* target{nullptr};
};

class JuceMidiOutputPort final : public MidiOutputPort
{
public:
    static std::unique_ptr<JuceMidiOutputPort> open (const juce::MidiDeviceInfo& device);

    juce::String getName() const override { return deviceName; }
    void sendMessageNow (const juce::MidiMessage& message) override { device->sendMessageNow (message); }

private:
    JuceMidiOutputPort() = default;
    std::unique_ptr<juce::MidiOutput> device;
    juce::String deviceName;
};

// Silences the ALSA library's own complaints (a machine without a sequencer
// prints two lines each time devices are listed).
void silenceAlsaErrors();
} // namespace vr
