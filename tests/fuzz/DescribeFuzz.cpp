// The MIDI monitor's reading of any message, in or out: any bytes, with any
// bank select seen before.
#include "FuzzCheck.h"

#include "midi/MidiMonitor.h"

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, size_t size)
{
    // The framework never makes an empty message (its constructor reads the first byte).
    if (size < 2 || size > (1u << 20))
        return 0;

    // The first byte picks the bank a program change is read with.
    int bank = data[0] < 0x80 ? data[0] : -1;
    const auto text = vr::describeMidiMessage (data + 1, static_cast<int> (size - 1), &bank);
    VR_FUZZ_CHECK (text.isNotEmpty());
    VR_FUZZ_CHECK (bank >= -1 && bank < 0x100);
    return 0;
}
