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

namespace
{
// Latin letters with marks, by code point range, and the capitals they fold to.
struct Fold
{
    juce::juce_wchar first, last;
    const char* capitals;
};
constexpr Fold kFolds[] = {
    {0xc0, 0xc5, "A"},      {0xc6, 0xc6, "AE"},   {0xc7, 0xc7, "C"},   {0xc8, 0xcb, "E"},
    {0xcc, 0xcf, "I"},      {0xd0, 0xd0, "D"},    {0xd1, 0xd1, "N"},   {0xd2, 0xd6, "O"},
    {0xd8, 0xd8, "O"},      {0xd9, 0xdc, "U"},    {0xdd, 0xdd, "Y"},   {0xde, 0xde, "TH"},
    {0xdf, 0xdf, "SS"},     {0xff, 0xff, "Y"},    {0x100, 0x105, "A"}, {0x106, 0x10d, "C"},
    {0x10e, 0x111, "D"},    {0x112, 0x11b, "E"},  {0x11c, 0x123, "G"}, {0x124, 0x127, "H"},
    {0x128, 0x131, "I"},    {0x132, 0x133, "IJ"}, {0x134, 0x135, "J"}, {0x136, 0x138, "K"},
    {0x139, 0x142, "L"},    {0x143, 0x14b, "N"},  {0x14c, 0x151, "O"}, {0x152, 0x153, "OE"},
    {0x154, 0x159, "R"},    {0x15a, 0x161, "S"},  {0x162, 0x167, "T"}, {0x168, 0x173, "U"},
    {0x174, 0x175, "W"},    {0x176, 0x178, "Y"},  {0x179, 0x17e, "Z"}, {0x17f, 0x17f, "S"},
    {0x1e9e, 0x1e9e, "SS"},
};

juce::String foldCharacter (juce::juce_wchar c)
{
    if (c >= 'a' && c <= 'z')
        return juce::String::charToString (static_cast<juce::juce_wchar> (c - 'a' + 'A'));
    if (c >= firstStoredChar && c <= firstStoredChar + lastStoredValue)
        return juce::String::charToString (c);
    // Latin-1's small letters sit 0x20 above their capitals (0xf7 is a sign).
    if (c >= 0xe0 && c <= 0xfe && c != 0xf7)
        c -= 0x20;
    for (const auto& fold : kFolds)
        if (c >= fold.first && c <= fold.last)
            return fold.capitals;
    return {};
}
} // namespace

juce::String foldToNameCharacters (const juce::String& text)
{
    juce::String folded;
    folded.preallocateBytes (text.getNumBytesAsUTF8() + 1);
    for (auto p = text.getCharPointer(); !p.isEmpty();)
        folded += foldCharacter (p.getAndAdvance());
    return folded;
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
// The narrower range a type gives its knob; kNoLimit for types that give none.
constexpr int kNoLimit = -1;
constexpr int kFullRange = 30;

int dynamicsKnobLimit (int type) noexcept
{
    return dynamicsTypeIsLimited (type) ? 27 : kNoLimit;
}

int gainLimit (int ampType) noexcept
{
    if (ampType >= 15 && ampType <= 21)
        return 4;
    return ampType == 25 ? 27 : kNoLimit;
}

int trebleLimit (int ampType) noexcept
{
    return ampType == 25 ? 15 : kNoLimit;
}

int modulationKnobLimit (int type) noexcept
{
    if ((type >= 16 && type <= 18) || type == 33)
        return 27;
    if (type >= 19 && type <= 21)
        return 29;
    if (type >= 22 && type <= 28)
        return 11;
    return kNoLimit;
}

int orFullRange (int limit) noexcept
{
    return limit == kNoLimit ? kFullRange : limit;
}

void lowerTo (std::uint8_t& value, int limit) noexcept
{
    if (limit != kNoLimit && value > limit)
        value = static_cast<std::uint8_t> (limit);
}
} // namespace

void applyDynamicsLimit (ProgramRecord& record) noexcept
{
    lowerTo (record[RecordByte::dynamicsKnob], dynamicsKnobLimit (record[RecordByte::dynamicsType]));
}

void applyAmpLimits (ProgramRecord& record) noexcept
{
    const int type = record[RecordByte::ampType];
    lowerTo (record[RecordByte::ampGain], gainLimit (type));
    lowerTo (record[RecordByte::ampTreble], trebleLimit (type));
}

void applyTypeChoice (ProgramRecord& record, int byteOffset, int type) noexcept
{
    const int section = byteOffset - RecordByte::firstType;
    if (section < 0 || section >= numSections)
        return;

    record[static_cast<size_t> (byteOffset)] = static_cast<std::uint8_t> (type);
    record[RecordByte::onOffMask] =
        static_cast<std::uint8_t> (record[RecordByte::onOffMask] | (1 << section));
    switch (section)
    {
        case dynamics:
            applyDynamicsLimit (record);
            break;
        case amp:
            applyAmpLimits (record);
            break;
        case modulation:
            applyModulationLimit (record);
            break;
        default:
            break;
    }
}

void applyModulationLimit (ProgramRecord& record) noexcept
{
    lowerTo (record[RecordByte::modulationKnob], modulationKnobLimit (record[RecordByte::modulationType]));
}

int knobMaximum (const ProgramRecord& record, int knobIndex) noexcept
{
    switch (knobIndex)
    {
        case 0:
            return orFullRange (dynamicsKnobLimit (record[RecordByte::dynamicsType]));
        case 3:
            return orFullRange (modulationKnobLimit (record[RecordByte::modulationType]));
        case 6:
            return orFullRange (gainLimit (record[RecordByte::ampType]));
        case 7:
            return orFullRange (trebleLimit (record[RecordByte::ampType]));
        case 11:
            return 99;
        default:
            return 31;
    }
}

int sectionOfKnob (int knobIndex) noexcept
{
    constexpr std::array<int, kNumKnobs> sections{dynamics, amp, cabinet, modulation, delay, reverb,
                                                  amp,      amp, amp,     -1,         -1,    delay};
    return sections[static_cast<size_t> (juce::jlimit (0, kNumKnobs - 1, knobIndex))];
}
} // namespace vr
