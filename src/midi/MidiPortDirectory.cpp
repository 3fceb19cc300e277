#include "MidiPortDirectory.h"

#include "JuceMidiPorts.h"
#include "MidiReceiver.h"
#include "SysexMessages.h"
#include "VirtualUnit.h"
#include "data/FactoryPrograms.h"

namespace vr
{
namespace
{
template <typename DeviceClass>
juce::Array<MidiPortChoice> deviceChoices()
{
    juce::Array<MidiPortChoice> choices;
    for (const auto& device : DeviceClass::getAvailableDevices())
        choices.add ({device.name, device.identifier, -1});
    return choices;
}

// One line per fact, for the whole-program check to grep.
juce::String describeUnit (const VirtualUnit& unit)
{
    auto hex = [] (const ProgramRecord& r) { return juce::String::toHexString (r.data(), kRecordSize, 0); };

    juce::String text;
    text << "unit " << unit.getName() << "\n";
    text << "current " << unit.getCurrentProgram() << "\n";
    text << "edit " << hex (unit.getEditBuffer()) << "\n";
    for (int n = 0; n < kNumUserPrograms; ++n)
        text << "program " << n << " " << hex (unit.getProgram (n)) << "\n";
    for (int n = 0; n < kNumFactoryPrograms; ++n)
        text << "factory " << n << " " << hex (factoryProgram (kNumUserPrograms + n)) << "\n";
    return text;
}

// For seeing a Write or Transmit All go wrong without a broken unit:
// VR_VIRTUAL_UNIT_FAULT=protect or corrupt spoils every program the virtual
// units are sent to store.
MemoryFault memoryFaultFromEnvironment()
{
    const auto name = juce::SystemStats::getEnvironmentVariable ("VR_VIRTUAL_UNIT_FAULT", {});
    if (name == "protect")
        return MemoryFault::protect;
    if (name == "corrupt")
        return MemoryFault::corrupt;
    return MemoryFault::none;
}
} // namespace

MidiPortDirectory::MidiPortDirectory()
{
    silenceAlsaErrors();
}

// For the automated checks of the whole program: when the environment names
// a file in VR_VIRTUAL_UNIT_STATE, the virtual units' state is written there
// as the directory goes (at the program's end).
MidiPortDirectory::~MidiPortDirectory()
{
    const auto statePath = juce::SystemStats::getEnvironmentVariable ("VR_VIRTUAL_UNIT_STATE", {});
    if (statePath.isEmpty() || !juce::File::isAbsolutePath (statePath))
        return;

    juce::String state;
    for (const auto& unit : {wren, heron})
        if (unit != nullptr)
            state << describeUnit (*unit);
    juce::File (statePath).replaceWithText (state);
}

void MidiPortDirectory::addVirtualChoices (juce::Array<MidiPortChoice>& choices)
{
    choices.add ({kVirtualWrenName, {}, sysex::kModelWren});
    choices.add ({kVirtualHeronName, {}, sysex::kModelHeron});
}

juce::Array<MidiPortChoice> MidiPortDirectory::getInputs() const
{
    auto choices = listInputDevices();
    addVirtualChoices (choices);
    return choices;
}

juce::Array<MidiPortChoice> MidiPortDirectory::getOutputs() const
{
    auto choices = listOutputDevices();
    addVirtualChoices (choices);
    return choices;
}

juce::Array<MidiPortChoice> MidiPortDirectory::listInputDevices() const
{
    return deviceChoices<juce::MidiInput>();
}

juce::Array<MidiPortChoice> MidiPortDirectory::listOutputDevices() const
{
    return deviceChoices<juce::MidiOutput>();
}

std::unique_ptr<MidiInputPort> MidiPortDirectory::openInputDevice (const MidiPortChoice& choice)
{
    return JuceMidiInputPort::open ({choice.name, choice.identifier});
}

std::unique_ptr<MidiOutputPort> MidiPortDirectory::openOutputDevice (const MidiPortChoice& choice)
{
    return JuceMidiOutputPort::open ({choice.name, choice.identifier});
}

std::shared_ptr<VirtualUnit> MidiPortDirectory::getVirtualUnit (int modelCode)
{
    auto& unit = modelCode == sysex::kModelHeron ? heron : wren;
    if (unit == nullptr)
    {
        VirtualUnitSettings settings;
        settings.modelCode = modelCode == sysex::kModelHeron ? sysex::kModelHeron : sysex::kModelWren;
        settings.versionMajor = 1;
        settings.versionMinor = 2;
        // As fast as a unit on DIN cables, so transfers take the time they
        // take with the real thing.
        settings.dinPacing = true;
        unit = std::make_shared<VirtualUnit> (settings);
        unit->setMemoryFault (memoryFaultFromEnvironment());
    }
    return unit;
}

std::unique_ptr<MidiInputPort> MidiPortDirectory::openInput (const MidiPortChoice& choice)
{
    if (choice.isVirtual())
        return getVirtualUnit (choice.virtualModel)->createInputPort();
    return openInputDevice (choice);
}

std::unique_ptr<MidiOutputPort> MidiPortDirectory::openOutput (const MidiPortChoice& choice)
{
    if (choice.isVirtual())
        return getVirtualUnit (choice.virtualModel)->createOutputPort();
    return openOutputDevice (choice);
}

void MidiPortDirectory::openDefaultPorts (MidiReceiver& engine)
{
    const auto defaultInput = juce::MidiInput::getDefaultDevice();
    const auto defaultOutput = juce::MidiOutput::getDefaultDevice();
    const MidiPortChoice virtualWren{kVirtualWrenName, {}, sysex::kModelWren};

    if (defaultInput.identifier.isEmpty() && defaultOutput.identifier.isEmpty())
    {
        engine.setInput (openInput (virtualWren));
        engine.setOutput (openOutput (virtualWren));
        return;
    }

    if (defaultInput.identifier.isNotEmpty())
        engine.setInput (openInput ({defaultInput.name, defaultInput.identifier, -1}));
    if (defaultOutput.identifier.isNotEmpty())
        engine.setOutput (openOutput ({defaultOutput.name, defaultOutput.identifier, -1}));
}
} // namespace vr
