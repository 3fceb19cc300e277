#include "ProgramRecord.h"

namespace vr
{
namespace
{
constexpr std::array<int, kNumKnobs> knobBytes{18, 19, 20, 21, 22, 23, 24, 26, 25, 27, 28, 29};

constexpr ProgramRecord makeDefaultRecord()
{
    // " VORANTE  " encoded (code - 32), then bytes 10-31.
    return {0, 54, 47, 50, 33, 46, 52, 37, 0,  0,  0,  39, 1, 21, 18, 2,
            3, 2,  2,  4,  17, 0,  0,  11, 30, 17, 27, 22, 7, 0,  0,  0};
}

constexpr ProgramRecord defaultProgram = makeDefaultRecord();

constexpr int firstStoredChar = 32;
constexpr int lastStoredValue = 62; // '^'

void lowerTo (std::uint8_t& value, int limit) noexcept
{
    if (value > limit)
        value = static_cast<std::uint8_t> (limit);
}
} // namespace

int knobIndexToByte (int knobIndex) noexcept
{
    jassert (knobIndex >= 0 && knobIndex < kNumKnobs);
    return knobBytes[static_cast<size_t> (juce::jlimit (0, kNumKnobs - 1, knobIndex))];
}

int parameterToByte (int parameter) noexcept
{
    if (parameter < 0 || parameter >= 30)
        return -1;
    if (parameter == 25)
        return 26;
    if (parameter == 26)
        return 25;
    return parameter;
}

const ProgramRecord& defaultRecord() noexcept
{
    return defaultProgram;
}

std::uint8_t encodeNameChar (juce::juce_wchar c) noexcept
{
    if (c >= 33 && c <= 94)
        return static_cast<std::uint8_t> (c - firstStoredChar);
    return 0;
}

juce::juce_wchar decodeNameChar (int storedValue) noexcept
{
    if (storedValue < 0 || storedValue > lastStoredValue)
        return ' ';
    return static_cast<juce::juce_wchar> (storedValue + firstStoredChar);
}

void encodeName (const juce::String& text, std::uint8_t* dest10) noexcept
{
    auto chars = text.getCharPointer();
    for (int i = 0; i < kNameLength; ++i)
    {
        const auto c = chars.isEmpty() ? juce::juce_wchar (0) : chars.getAndAdvance();
        dest10[i] = encodeNameChar (c);
    }
}

juce::String decodeName (const std::uint8_t* src10)
{
    juce::String name;
    name.preallocateBytes (kNameLength + 1);
    for (int i = 0; i < kNameLength; ++i)
        name += juce::String::charToString (decodeNameChar (src10[i]));
    return name;
}

bool dynamicsTypeIsLimited (int dynamicsType) noexcept
{
    switch (dynamicsType)
    {
        case 0:
        case 2:
        case 7:
        case 9:
        case 17:
        case 19:
        case 20:
        case 21:
            return true;
        default:
            return false;
    }
}

namespace
{
int dynamicsKnobMaximum (int type) noexcept
{
    return dynamicsTypeIsLimited (type) ? 27 : 30;
}

int gainMaximum (int ampType) noexcept
{
    if (ampType >= 15 && ampType <= 21)
        return 4;
    return ampType == 25 ? 27 : 30;
}

int trebleMaximum (int ampType) noexcept
{
    return ampType == 25 ? 15 : 30;
}

int modulationKnobMaximum (int type) noexcept
{
    if ((type >= 16 && type <= 18) || type == 33)
        return 27;
    if (type >= 19 && type <= 21)
        return 29;
    if (type >= 22 && type <= 28)
        return 11;
    return 30;
}
} // namespace

void applyDynamicsLimit (ProgramRecord& record) noexcept
{
    lowerTo (record[RecordByte::dynamicsKnob], dynamicsKnobMaximum (record[RecordByte::dynamicsType]));
}

void applyAmpLimits (ProgramRecord& record) noexcept
{
    const int type = record[RecordByte::ampType];
    lowerTo (record[RecordByte::ampGain], gainMaximum (type));
    lowerTo (record[RecordByte::ampTreble], trebleMaximum (type));
}

void applyModulationLimit (ProgramRecord& record) noexcept
{
    lowerTo (record[RecordByte::modulationKnob], modulationKnobMaximum (record[RecordByte::modulationType]));
}

int knobMaximum (const ProgramRecord& record, int knobIndex) noexcept
{
    switch (knobIndex)
    {
        case 0:
            return dynamicsKnobMaximum (record[RecordByte::dynamicsType]);
        case 3:
            return modulationKnobMaximum (record[RecordByte::modulationType]);
        case 6:
            return gainMaximum (record[RecordByte::ampType]);
        case 7:
            return trebleMaximum (record[RecordByte::ampType]);
        case 11:
            return 99;
        default:
            return 31;
    }
}
} // namespace vr
