#include "data/ProgramRecord.h"

#include <gtest/gtest.h>

namespace vr
{
namespace
{
juce::String roundTrip (const juce::String& text)
{
    std::array<std::uint8_t, kNameLength> bytes{};
    encodeName (text, bytes.data());
    return decodeName (bytes.data());
}
} // namespace

TEST (ProgramName, OnlySpaceToCaretSurvivesAndLengthIsAlwaysTen)
{
    EXPECT_EQ (roundTrip ("lowercase"), "          ");
    EXPECT_EQ (roundTrip ("A_B"), "A B       ");
    EXPECT_EQ (roundTrip ("ABCDEFGHIJKLMN"), "ABCDEFGHIJ");
    EXPECT_EQ (roundTrip (""), "          ");
    EXPECT_EQ (roundTrip ("!09AZ^"), "!09AZ^    ");
    EXPECT_EQ (roundTrip (juce::String (juce::CharPointer_UTF8 ("\xc3\x84X"))), " X        ");
}

TEST (ProgramName, TypedNamesFoldToWhatTheUnitHolds)
{
    const auto utf8 = [] (const char* text) { return juce::String (juce::CharPointer_UTF8 (text)); };
    const std::pair<const char*, const char*> cases[] = {
        {"Gr\xc3\xb6\xc3\x9f"
         "e",
         "GROSSE"},
        {"caf\xc3\xa9 \xc3\x89t\xc3\xa9", "CAFE ETE"},
        {"\xc3\x85ngstr\xc3\xb6m", "ANGSTROM"},
        {"\xc3\x86sir \xc5\x92uvre", "AESIR OEUVRE"},
        {"\xc3\xb8l \xc3\xa6 \xc3\xbf \xc3\xbe", "OL AE Y TH"},
        {"\xc5\x81\xc3\xb3"
         "d\xc5\xba \xc4\x8c"
         "esk\xc3\xbd \xc5\x9e\xc4\xb1k",
         "LODZ CESKY SIK"},
        {"\xe1\xba\x9e", "SS"},
        // signs the unit can show stay, those it cannot go
        {"!\"#$%&'()*+,-./09:;<=>?@AZ[\\]^", "!\"#$%&'()*+,-./09:;<=>?@AZ[\\]^"},
        {"a_b`c{d|e}f~g\th\xc3\x97i\xc3\xb7j\xc2\xb0k\xe2\x82\xac", "ABCDEFGHIJK"},
        {"\xe6\x97\xa5\xe6\x9c\xac", ""},
    };
    for (const auto& [typed, folded] : cases)
    {
        EXPECT_EQ (foldToNameCharacters (utf8 (typed)), folded) << typed;
        // What folding leaves is stored unchanged.
        EXPECT_EQ (roundTrip (folded),
                   juce::String (folded).substring (0, kNameLength).paddedRight (' ', kNameLength));
    }
}

TEST (ProgramName, StoredValuesAboveCaretReadAsSpace)
{
    const std::array<std::uint8_t, kNameLength> bytes{33, 62, 63, 200, 255, 0, 16, 45, 45, 45};
    EXPECT_EQ (decodeName (bytes.data()), "A^    0MMM");
    EXPECT_EQ (decodeName (bytes.data()).length(), kNameLength);
}

TEST (ProgramRecord, DefaultRecordIsTheFactoryFreshProgram)
{
    const auto& record = defaultRecord();
    EXPECT_EQ (decodeName (record.data()), " VORANTE  ");
    const std::array<int, 22> tail{0, 39, 1, 21, 18, 2, 3, 2, 2, 4, 17, 0, 0, 11, 30, 17, 27, 22, 7, 0, 0, 0};
    for (size_t i = 0; i < tail.size(); ++i)
        EXPECT_EQ (record[10 + i], tail[i]) << "byte " << 10 + i;
    // dynamics, amp, cabinet and reverb on; modulation and delay off
    EXPECT_EQ (record[RecordByte::onOffMask], 0b100111);
}

TEST (ProgramRecord, KnobAndParameterNumbersCrossAtTwentyFiveAndTwentySix)
{
    const std::array<int, kNumKnobs> expected{18, 19, 20, 21, 22, 23, 24, 26, 25, 27, 28, 29};
    for (int k = 0; k < kNumKnobs; ++k)
        EXPECT_EQ (knobIndexToByte (k), expected[static_cast<size_t> (k)]);

    EXPECT_EQ (parameterToByte (25), 26);
    EXPECT_EQ (parameterToByte (26), 25);
    EXPECT_EQ (parameterToByte (11), 11);
    EXPECT_EQ (parameterToByte (29), 29);
    EXPECT_EQ (parameterToByte (30), -1);
    EXPECT_EQ (parameterToByte (-1), -1);
}

TEST (ProgramRecord, KnobMaximaFollowTheTypes)
{
    struct Case
    {
        int typeByte, type, knob, maximum;
    };
    const Case cases[] = {
        {RecordByte::dynamicsType, 0, 0, 27},    {RecordByte::dynamicsType, 21, 0, 27},
        {RecordByte::dynamicsType, 22, 0, 30},   {RecordByte::dynamicsType, 1, 0, 30},
        {RecordByte::ampType, 15, 6, 4},         {RecordByte::ampType, 21, 6, 4},
        {RecordByte::ampType, 22, 6, 30},        {RecordByte::ampType, 25, 6, 27},
        {RecordByte::ampType, 25, 7, 15},        {RecordByte::ampType, 24, 7, 30},
        {RecordByte::modulationType, 16, 3, 27}, {RecordByte::modulationType, 33, 3, 27},
        {RecordByte::modulationType, 19, 3, 29}, {RecordByte::modulationType, 22, 3, 11},
        {RecordByte::modulationType, 28, 3, 11}, {RecordByte::modulationType, 29, 3, 30},
        {RecordByte::modulationType, 15, 3, 30}, {RecordByte::ampType, 25, 1, 31},
    };

    for (const auto& c : cases)
    {
        auto record = defaultRecord();
        record[static_cast<size_t> (c.typeByte)] = static_cast<std::uint8_t> (c.type);
        EXPECT_EQ (knobMaximum (record, c.knob), c.maximum) << "type byte " << c.typeByte << " = " << c.type;
    }
    EXPECT_EQ (knobMaximum (defaultRecord(), 11), 99);
}
} // namespace vr
