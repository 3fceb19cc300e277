#pragma once

#include "RecordingPorts.h"
#include "data/DataCenter.h"
#include "library/ProgramLists.h"
#include "midi/MidiReceiver.h"

namespace vr::test
{
// A maker-format message from a wren (model 00) as the unit sends it.
inline std::vector<std::uint8_t> maker (int code, std::vector<std::uint8_t> payload = {})
{
    std::vector<std::uint8_t> b{0xf0, 0x7d, 0x30, 0x00, 0x01, 0x0f, static_cast<std::uint8_t> (code)};
    b.insert (b.end(), payload.begin(), payload.end());
    b.push_back (0xf7);
    return b;
}

inline std::vector<std::uint8_t> identityReply (std::uint8_t model, int channel = 0, int major = 1,
                                                int minor = 5)
{
    return {0xf0,
            0x7e,
            static_cast<std::uint8_t> (channel),
            0x06,
            0x02,
            0x7d,
            0x0f,
            0x01,
            model,
            0x00,
            static_cast<std::uint8_t> (minor),
            0x00,
            static_cast<std::uint8_t> (major),
            0x00,
            0xf7};
}

// An engine on a recording port, with the lists a library view would hold
// and no pauses, driven message by message.
struct RecordingEngine
{
    RecordingEngine()
    {
        unitList.fill();
        romList.fill();
        engine.pause = [] (int) {};
        engine.setOutput (std::make_unique<RecordingOutputPort> (sent));
        engine.setProgramLists (&unitList, &romList);
        engine.setCommandTarget (&steps);
    }

    void receive (const std::vector<std::uint8_t>& bytes) { engine.handleMessage (messageOf (bytes)); }

    DataCenter store;
    UnitProgramList unitList{store};
    RomFileProgramList romList{store};
    std::vector<juce::MidiMessage> sent;
    RecordingStepRunner steps;
    MidiReceiver engine{store};
};
} // namespace vr::test
