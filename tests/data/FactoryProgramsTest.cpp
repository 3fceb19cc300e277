#include "data/FactoryPrograms.h"
#include "data/EffectTypes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <set>
#include <vector>

using namespace vr;

namespace
{
const ProgramRecord& entry (int index)
{
    return factoryTable()[static_cast<size_t> (index)];
}

int byteOf (int index, int offset)
{
    return entry (index)[static_cast<size_t> (offset)];
}

std::vector<int> bytes10to31 (const ProgramRecord& record)
{
    return {record.begin() + RecordByte::category, record.end()};
}

bool isBassEntry (int index)
{
    return (index >= 100 && index <= 114) || index >= 175;
}
} // namespace

TEST (FactoryPrograms, ReferenceEntriesHoldTheUnitsBytes)
{
    EXPECT_EQ (bytes10to31 (entry (0)), (std::vector<int>{0,  47, 17, 10, 9,  0,  0,  2,  18, 4, 21,
                                                          10, 0,  12, 30, 30, 22, 19, 19, 0,  0, 0}));
    EXPECT_EQ (bytes10to31 (entry (160)), (std::vector<int>{0, 27, 0,  25, 13, 3, 14, 6, 27, 25, 28,
                                                            6, 15, 10, 20, 19, 5, 23, 9, 57, 0,  0}));
}

TEST (FactoryPrograms, ProgramNumbersAddressEntries)
{
    EXPECT_EQ (&factoryProgram (200), &entry (0));
    EXPECT_EQ (&factoryProgram (300), &entry (100));
    EXPECT_EQ (&factoryProgram (399), &entry (199));
    EXPECT_EQ (factoryProgram (300)[RecordByte::category], 1);

    // Bad numbers must still land inside the table.
    const auto* first = &entry (0);
    const auto* last = &entry (kNumFactoryPrograms - 1);
    for (int n : {INT_MIN, -1, 0, 199, 400, INT_MAX})
    {
        const auto* found = &factoryProgram (n);
        EXPECT_TRUE (found >= first && found <= last) << n;
    }
}

TEST (FactoryPrograms, NamesAreEncodableDistinctAndTenLong)
{
    std::set<juce::String> names;
    for (int i = 0; i < kNumFactoryPrograms; ++i)
    {
        for (int b = 0; b < kNameLength; ++b)
            EXPECT_LE (byteOf (i, b), 62) << "entry " << i << " byte " << b;

        const auto name = decodeName (entry (i).data());
        EXPECT_EQ (name.length(), kNameLength) << "entry " << i;
        EXPECT_FALSE (name.trim().isEmpty()) << "entry " << i;
        EXPECT_TRUE (names.insert (name).second) << "duplicate name " << name;
    }
}

TEST (FactoryPrograms, CategoriesFollowTheBankLayout)
{
    for (int i = 0; i < kNumFactoryPrograms; ++i)
        EXPECT_EQ (byteOf (i, RecordByte::category), isBassEntry (i) ? 1 : 0) << "entry " << i;
}

TEST (FactoryPrograms, ParametersStayInTheirRanges)
{
    constexpr int typeCounts[numSections] = {27, 26, 23, 46, 25, 10};
    for (int i = 0; i < kNumFactoryPrograms; ++i)
    {
        SCOPED_TRACE ("entry " + std::to_string (i));
        const int mask = byteOf (i, RecordByte::onOffMask);
        EXPECT_GT (mask & 0x3f, 0);
        EXPECT_EQ (mask & 0xc0, 0);

        for (int s = 0; s < numSections; ++s)
            EXPECT_LT (byteOf (i, RecordByte::firstType + s), typeCounts[s]) << "section " << s;

        for (int b = RecordByte::dynamicsKnob; b <= RecordByte::noiseReduction; ++b)
            EXPECT_LE (byteOf (i, b), 30) << "byte " << b;
        EXPECT_LE (byteOf (i, RecordByte::noiseReduction), 21);
        EXPECT_LE (byteOf (i, RecordByte::delayTime), 99);
        EXPECT_EQ (byteOf (i, 30), 0);
        EXPECT_EQ (byteOf (i, 31), 0);
    }
}

TEST (FactoryPrograms, TypeDependentLimitsHold)
{
    const std::set<int> limitedDynamics{0, 2, 7, 9, 17, 19, 20, 21};
    const auto modulationLimit = [] (int type)
    {
        if ((type >= 16 && type <= 18) || type == 33)
            return 27;
        if (type >= 19 && type <= 21)
            return 29;
        return type >= 22 && type <= 28 ? 11 : 30;
    };

    for (int i = 0; i < kNumFactoryPrograms; ++i)
    {
        SCOPED_TRACE ("entry " + std::to_string (i));
        const int ampType = byteOf (i, RecordByte::ampType);
        const bool midFrequencyAmp = ampType >= 15 && ampType <= 21;
        const bool synthAmp = ampType == 25;

        EXPECT_LE (byteOf (i, RecordByte::dynamicsKnob),
                   limitedDynamics.count (byteOf (i, RecordByte::dynamicsType)) != 0 ? 27 : 30);
        EXPECT_LE (byteOf (i, RecordByte::ampGain), midFrequencyAmp ? 4 : synthAmp ? 27 : 30);
        EXPECT_LE (byteOf (i, RecordByte::ampTreble), synthAmp ? 15 : 30);
        EXPECT_LE (byteOf (i, RecordByte::modulationKnob),
                   modulationLimit (byteOf (i, RecordByte::modulationType)));
    }
}

TEST (FactoryPrograms, TableReachesTheUnitsHighestValues)
{
    constexpr int highestType[numSections] = {26, 25, 22, 43, 23, 9};
    for (int s = 0; s < numSections; ++s)
    {
        int highest = 0;
        for (int i = 0; i < kNumFactoryPrograms; ++i)
            highest = std::max (highest, byteOf (i, RecordByte::firstType + s));
        EXPECT_EQ (highest, highestType[s]) << "section " << s;
    }

    int highestKnob = 0;
    for (int i = 0; i < kNumFactoryPrograms; ++i)
        for (int b = RecordByte::dynamicsKnob; b <= RecordByte::noiseReduction; ++b)
            highestKnob = std::max (highestKnob, byteOf (i, b));
    EXPECT_EQ (highestKnob, 30);
}

TEST (EffectTypes, ListsHaveTheUnitsSizesAndUsableNames)
{
    constexpr int sizes[numSections] = {27, 26, 23, 46, 25, 10};
    for (int s = 0; s < numSections; ++s)
    {
        SCOPED_TRACE ("section " + std::to_string (s));
        const auto list = effectTypes (s);
        ASSERT_EQ (list.size, sizes[s]);

        std::set<juce::String> seen;
        for (int t = 0; t < list.size; ++t)
        {
            const auto name = effectTypeName (s, t);
            EXPECT_EQ (name, juce::String (list.names[t]));
            EXPECT_FALSE (name.trim().isEmpty()) << "type " << t;
            EXPECT_LE (name.length(), 14) << name;
            EXPECT_TRUE (seen.insert (name).second) << "duplicate " << name;
        }
    }
}

TEST (EffectTypes, OutOfRangeGivesEmptyText)
{
    for (int s : {INT_MIN, -1, int (numSections), INT_MAX})
    {
        EXPECT_EQ (effectTypes (s).size, 0);
        EXPECT_TRUE (effectTypeName (s, 0).isEmpty());
    }
    for (int s = 0; s < numSections; ++s)
        for (int t : {INT_MIN, -1, effectTypes (s).size, INT_MAX})
            EXPECT_TRUE (effectTypeName (s, t).isEmpty()) << s << "/" << t;
}

TEST (EffectTypes, CategoryTagsAndDescriptions)
{
    EXPECT_EQ (categoryTag (0), "[G]");
    EXPECT_EQ (categoryTag (1), "[B]");
    EXPECT_EQ (categoryTag (2), "[-]");
    EXPECT_EQ (categoryDescription (0), "Guitar");
    EXPECT_EQ (categoryDescription (1), "Bass");
    EXPECT_EQ (categoryDescription (2), "Other");
    for (int c : {INT_MIN, -1, kNumCategories, INT_MAX})
    {
        EXPECT_TRUE (categoryTag (c).isEmpty());
        EXPECT_TRUE (categoryDescription (c).isEmpty());
    }
}
