// The classifier of everything that arrives on the MIDI input: any bytes, as
// the framework would hand them over in one message.
#include "FuzzCheck.h"

#include "midi/SysexMessages.h"

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, size_t size)
{
    using namespace vr::sysex;
    // The framework never makes an empty message (its constructor reads the first byte).
    if (size == 0 || size > (1u << 20))
        return 0;

    const juce::MidiMessage message (data, static_cast<int> (size));
    const auto in = classify (message);
    switch (in.kind)
    {
        case Incoming::Kind::maker:
            VR_FUZZ_CHECK (static_cast<int> (in.bytes.size()) >= minimumLength (in.functionCode));
            VR_FUZZ_CHECK (in.functionCode >= 0 && in.functionCode < 0x80);
            VR_FUZZ_CHECK (hasMakerHeader (in.bytes.data(), static_cast<int> (in.bytes.size())));
            break;
        case Incoming::Kind::identityReply:
            VR_FUZZ_CHECK (in.channel >= 0 && in.channel < 16);
            break;
        case Incoming::Kind::bankSelect:
        case Incoming::Kind::programChange:
            VR_FUZZ_CHECK (in.value >= 0 && in.value < 0x100);
            break;
        case Incoming::Kind::ignored:
            break;
    }
    return 0;
}
