#pragma once

#include "MidiPort.h"

#include <juce_audio_devices/juce_audio_devices.h>

#include <memory>

namespace vr
{
class MidiReceiver;
class VirtualUnit;

// One entry of the port lists: a platform device, or the virtual unit.
struct MidiPortChoice
{
    juce::String name;
    juce::String identifier; // empty for the virtual units
    int virtualModel{-1};    // model code of a virtual unit, -1 for a device

    bool isVirtual() const noexcept { return virtualModel >= 0; }
    // The same port: names are not unique, identifiers are.
    bool sameAs (const MidiPortChoice& other) const noexcept
    {
        return identifier == other.identifier && virtualModel == other.virtualModel &&
               (isVirtual() || identifier.isNotEmpty());
    }
};

// Where the port is in the list, by sameAs; -1 when it is not listed.
inline int indexOfPort (const juce::Array<MidiPortChoice>& choices, const MidiPortChoice& port)
{
    for (int i = 0; i < choices.size(); ++i)
        if (choices.getReference (i).sameAs (port))
            return i;
    return -1;
}

// The ports a user can choose: the platform's devices first, then the two
// virtual units. Choosing a virtual unit for input and output connects both
// to the same unit, which lives as long as the directory or a port of it.
// The platform's side is virtual so that tests can plug devices in and out.
class MidiPortDirectory
{
public:
    MidiPortDirectory();
    virtual ~MidiPortDirectory();

    static constexpr const char* kVirtualWrenName = "Virtual wren unit";
    static constexpr const char* kVirtualHeronName = "Virtual heron unit";

    juce::Array<MidiPortChoice> getInputs() const;
    juce::Array<MidiPortChoice> getOutputs() const;

    // Null when the device cannot be opened.
    std::unique_ptr<MidiInputPort> openInput (const MidiPortChoice& choice);
    std::unique_ptr<MidiOutputPort> openOutput (const MidiPortChoice& choice);

    // The platform's default ports, or the virtual wren where there are none.
    void openDefaultPorts (MidiReceiver& engine);

    std::shared_ptr<VirtualUnit> getVirtualUnit (int modelCode);

protected:
    // The platform's devices, in the platform's order, and opening one of them.
    virtual juce::Array<MidiPortChoice> listInputDevices() const;
    virtual juce::Array<MidiPortChoice> listOutputDevices() const;
    virtual std::unique_ptr<MidiInputPort> openInputDevice (const MidiPortChoice& choice);
    virtual std::unique_ptr<MidiOutputPort> openOutputDevice (const MidiPortChoice& choice);

private:
    static void addVirtualChoices (juce::Array<MidiPortChoice>& choices);

    std::shared_ptr<VirtualUnit> wren;
    std::shared_ptr<VirtualUnit> heron;

    JUCE_DECLARE_NON_COPYABLE (MidiPortDirectory)
};
} // namespace vr
