#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

namespace vr
{
// Where messages from the unit go. Called on whatever thread the port
// delivers on (the platform's MIDI thread, the virtual unit's thread): an
// implementation only queues.
class MidiMessageSink
{
public:
    virtual ~MidiMessageSink() = default;
    virtual void messageArrived (const juce::MidiMessage& message) = 0;
};

// The input side of a connection to the unit.
class MidiInputPort
{
public:
    virtual ~MidiInputPort() = default;
    virtual juce::String getName() const = 0;
    // Starts delivering to the sink; messages arriving before start are lost.
    virtual void start (MidiMessageSink& sink) = 0;
    // After stop returns, the sink is no longer called.
    virtual void stop() = 0;
};

// The output side of a connection to the unit.
class MidiOutputPort
{
public:
    virtual ~MidiOutputPort() = default;
    virtual juce::String getName() const = 0;
    // Sends one whole message; returns when the port has taken it.
    virtual void sendMessageNow (const juce::MidiMessage& message) = 0;
};
} // namespace vr
