#include "midi/SysexMessages.h"

#include <algorithm>

namespace vr::sysex
{
namespace
{
// Offsets counted from F0.
namespace Offset
{
constexpr int manufacturer = 1;
constexpr int fixed1 = 4;
constexpr int fixed2 = 5;
constexpr int functionCode = 6;
} // namespace Offset

constexpr int kIdentityReplyLength = 13;
constexpr int kFirstTypeParameter = 12;
constexpr int kLastTypeParameter = 17;

juce::MidiMessage fromBytes (const std::vector<std::uint8_t>& bytes)
{
    return juce::MidiMessage (bytes.data(), static_cast<int> (bytes.size()));
}

std::vector<int> numberPair (int programNumber)
{
    return {programNumber / 100, programNumber % 100};
}

std::vector<int> withRecord (std::vector<int> payload, const ProgramRecord& record)
{
    payload.insert (payload.end(), record.begin(), record.end());
    return payload;
}

bool isIdentityReply (const std::uint8_t* data, int size) noexcept
{
    // Offset 2 carries the unit's channel and may be anything.
    return size >= kIdentityReplyLength && data[1] == 0x7e && data[3] == 0x06 && data[4] == 0x02 &&
           data[5] == kManufacturerId && data[6] == 0x0f && data[7] == 0x01;
}
} // namespace

// Every byte from offset 1 up to (not including) `end` is a data byte: a
// message cut short would have its closing F7 read as a value.
bool dataBytesUpTo (const std::uint8_t* data, int end) noexcept
{
    return std::all_of (data + 1, data + end, [] (std::uint8_t b) { return b < 0x80; });
}

bool hasMakerHeader (const std::uint8_t* data, int size) noexcept
{
    // Format and model bytes (offsets 2, 3) are not checked: the unit's own
    // messages are accepted whatever model it reports there.
    return size >= kHeaderSize && data[0] == kSysexStart && data[Offset::manufacturer] == kManufacturerId &&
           data[Offset::fixed1] == 0x01 && data[Offset::fixed2] == 0x0f;
}

juce::MidiMessage makerMessage (std::uint8_t modelCode, int functionCode, const std::vector<int>& payload)
{
    std::vector<std::uint8_t> bytes{
        kSysexStart, kManufacturerId, kFormatByte, dataByte (modelCode), 0x01, 0x0f, dataByte (functionCode)};
    bytes.reserve (bytes.size() + payload.size() + 1);
    for (const int value : payload)
        bytes.push_back (dataByte (value));
    bytes.push_back (kSysexEnd);
    return fromBytes (bytes);
}

juce::MidiMessage identityRequest()
{
    return fromBytes ({kSysexStart, 0x7e, 0x7f, 0x06, 0x01, kSysexEnd});
}

juce::MidiMessage currentProgramDumpRequest (std::uint8_t modelCode)
{
    return makerMessage (modelCode, Code::currentProgramDumpRequest);
}

juce::MidiMessage programWriteRequest (std::uint8_t modelCode, int programNumber)
{
    return makerMessage (modelCode, Code::programWriteRequest, numberPair (programNumber));
}

juce::MidiMessage currentProgramNumberRequest (std::uint8_t modelCode)
{
    return makerMessage (modelCode, Code::currentProgramNumberRequest);
}

juce::MidiMessage programDumpRequest (std::uint8_t modelCode, int programNumber)
{
    return makerMessage (modelCode, Code::programDumpRequest, numberPair (programNumber));
}

juce::MidiMessage currentProgramDump (std::uint8_t modelCode, const ProgramRecord& record)
{
    return makerMessage (modelCode, Code::currentProgramDump, withRecord ({}, record));
}

juce::MidiMessage parameterChange (std::uint8_t modelCode, int parameter, int hundreds, int remainder)
{
    return makerMessage (modelCode, Code::parameterChange, {0x01, parameter, hundreds, remainder});
}

juce::MidiMessage programDump (std::uint8_t modelCode, int programNumber, const ProgramRecord& record)
{
    return makerMessage (modelCode, Code::programDump, withRecord (numberPair (programNumber), record));
}

juce::MidiMessage programNumberNotice (std::uint8_t modelCode, int programNumber)
{
    const auto pair = numberPair (programNumber);
    return makerMessage (modelCode, Code::programNumberNotice, {0x00, pair[0], pair[1]});
}

std::vector<juce::MidiMessage> programSelect (int channel, int programNumber)
{
    const int midiChannel = (channel & 0x0f) + 1;
    return {juce::MidiMessage::controllerEvent (midiChannel, 0, dataByte (programNumber / 100)),
            juce::MidiMessage::controllerEvent (midiChannel, 32, 0),
            juce::MidiMessage::programChange (midiChannel, dataByte (programNumber % 100))};
}

juce::MidiMessage parameterChangeFor (std::uint8_t modelCode, int parameter, int value)
{
    // The unit tells a type selection from a knob value by the hundreds byte.
    const bool isType = parameter >= kFirstTypeParameter && parameter <= kLastTypeParameter;
    return parameterChange (modelCode, parameter, isType ? 1 : 0, value);
}

int minimumLength (int functionCode) noexcept
{
    switch (functionCode)
    {
        case Code::operationCompleted:
        case Code::operationFailed:
            return kHeaderSize;
        case Code::currentProgramDump:
            return kHeaderSize + kRecordSize;
        case Code::parameterChange:
            return kHeaderSize + 4;
        case Code::currentProgramNumber:
            return kHeaderSize + 3;
        case Code::programDump:
            return kHeaderSize + 2 + kRecordSize;
        default:
            // Codes the editor does not act on still count as messages from
            // the unit (an outstanding number request is repeated after them).
            return kHeaderSize;
    }
}

Incoming classify (const juce::MidiMessage& message)
{
    Incoming in;
    const auto* data = message.getRawData();
    const int size = message.getRawDataSize();
    if (data == nullptr || size < 1)
        return in;

    if (data[0] == kSysexStart)
    {
        if (isIdentityReply (data, size))
        {
            if (!dataBytesUpTo (data, kIdentityReplyLength))
                return in;
            in.kind = Incoming::Kind::identityReply;
            in.channel = data[2] & 0x0f;
            in.modelCode = data[8];
            in.versionMinor = data[10];
            in.versionMajor = data[12];
        }
        else if (hasMakerHeader (data, size))
        {
            const int code = data[Offset::functionCode];
            const int needed = minimumLength (code);
            if (code < 0x80 && size >= needed && dataBytesUpTo (data, needed))
            {
                in.kind = Incoming::Kind::maker;
                in.functionCode = code;
                in.bytes.assign (data, data + size);
            }
        }
        return in;
    }

    const int status = data[0] & 0xf0;
    if (status == 0xb0 && size >= 3 && data[1] == 0)
    {
        in.kind = Incoming::Kind::bankSelect;
        in.value = data[2];
    }
    else if (status == 0xc0 && size >= 2)
    {
        in.kind = Incoming::Kind::programChange;
        in.value = data[1];
    }
    return in;
}
} // namespace vr::sysex
