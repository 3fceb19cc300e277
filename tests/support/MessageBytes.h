#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <vector>

// Messages as plain lists of byte values, for tests that spell out bytes.
namespace vr::test::bytes
{
using Bytes = std::vector<int>;

inline Bytes bytesOf (const juce::MidiMessage& message)
{
    const auto* data = message.getRawData();
    return Bytes (data, data + message.getRawDataSize());
}

inline juce::MidiMessage raw (const Bytes& bytes)
{
    std::vector<std::uint8_t> data;
    for (const int b : bytes)
        data.push_back (static_cast<std::uint8_t> (b));
    return juce::MidiMessage (data.data(), static_cast<int> (data.size()));
}

inline Bytes concat (Bytes head, const Bytes& tail)
{
    head.insert (head.end(), tail.begin(), tail.end());
    return head;
}

// The maker-format header up to and including the function code.
inline Bytes header (int model, int code)
{
    return {0xf0, 0x7d, 0x30, model, 0x01, 0x0f, code};
}
} // namespace vr::test::bytes
