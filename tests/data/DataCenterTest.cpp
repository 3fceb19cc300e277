#include "data/DataCenter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace vr
{
TEST (DataCenter, FreshStoreHoldsTheDefaultProgramAndKnowsNoUnit)
{
    DataCenter store;
    EXPECT_EQ (store.modelCode, 0);
    EXPECT_EQ (store.versionMajor, 0);
    EXPECT_EQ (store.versionMinor, 0);
    EXPECT_FALSE (store.connected);
    EXPECT_EQ (store.getName(), " VORANTE  ");
    EXPECT_EQ (store.current, defaultRecord());
    for (auto flag : store.modified)
        EXPECT_EQ (flag, 0);
}

TEST (DataCenter, ProgramNumbersSplitIntoBankAndProgram)
{
    DataCenter store;
    store.setCurrentProgramNumber (257);
    EXPECT_EQ (store.bank, 2);
    EXPECT_EQ (store.programInBank, 57);
    EXPECT_EQ (store.currentProgramNumber, 257);

    store.setSelectedProgram (421);
    EXPECT_EQ (store.selectedProgram, 21);
    store.setSelectedProgram (399);
    EXPECT_EQ (store.selectedProgram, 399);
}

TEST (DataCenter, SetTypeSwitchesTheSectionOnAndLowersDependentKnobs)
{
    DataCenter store;
    store.current[RecordByte::onOffMask] = 0;
    store.current[RecordByte::ampGain] = 30;
    store.current[RecordByte::ampTreble] = 20;
    store.setType (RecordByte::ampType, 25);
    EXPECT_EQ (store.current[RecordByte::ampType], 25);
    EXPECT_EQ (store.current[RecordByte::ampGain], 27);
    EXPECT_EQ (store.current[RecordByte::ampTreble], 15);
    EXPECT_EQ (store.current[RecordByte::onOffMask], 0b10);

    store.current[RecordByte::ampGain] = 3;
    store.setType (RecordByte::ampType, 18);
    EXPECT_EQ (store.current[RecordByte::ampGain], 3) << "clamping never raises";
    store.current[RecordByte::ampGain] = 30;
    store.setType (RecordByte::ampType, 18);
    EXPECT_EQ (store.current[RecordByte::ampGain], 4);

    store.current[RecordByte::modulationKnob] = 30;
    store.setType (RecordByte::modulationType, 30);
    EXPECT_EQ (store.current[RecordByte::modulationKnob], 30);
    store.setType (RecordByte::modulationType, 20);
    EXPECT_EQ (store.current[RecordByte::modulationKnob], 29);
    store.setType (RecordByte::modulationType, 24);
    EXPECT_EQ (store.current[RecordByte::modulationKnob], 11);

    store.current[RecordByte::dynamicsKnob] = 30;
    store.setType (RecordByte::dynamicsType, 22);
    EXPECT_EQ (store.current[RecordByte::dynamicsKnob], 30);
    store.setType (RecordByte::dynamicsType, 9);
    EXPECT_EQ (store.current[RecordByte::dynamicsKnob], 27);

    store.setType (RecordByte::reverbType, 3);
    store.setType (RecordByte::delayType, 4);
    store.setType (RecordByte::cabinetType, 2);
    EXPECT_EQ (store.current[RecordByte::onOffMask], 0b111111);
}

TEST (DataCenter, OnlyTheNarrowingTypesLowerAKnob)
{
    // Per type byte, the types that narrow a knob byte and the limit; every
    // other type leaves every knob byte alone, even far above the knob's range.
    struct Narrowing
    {
        int typeByte, knobByte, limit;
        std::vector<int> types;
    };
    const std::vector<Narrowing> narrowings = {
        {RecordByte::dynamicsType, RecordByte::dynamicsKnob, 27, {0, 2, 7, 9, 17, 19, 20, 21}},
        {RecordByte::ampType, RecordByte::ampGain, 4, {15, 16, 17, 18, 19, 20, 21}},
        {RecordByte::ampType, RecordByte::ampGain, 27, {25}},
        {RecordByte::ampType, RecordByte::ampTreble, 15, {25}},
        {RecordByte::modulationType, RecordByte::modulationKnob, 27, {16, 17, 18, 33}},
        {RecordByte::modulationType, RecordByte::modulationKnob, 29, {19, 20, 21}},
        {RecordByte::modulationType, RecordByte::modulationKnob, 11, {22, 23, 24, 25, 26, 27, 28}},
    };
    constexpr int high = 100;

    for (int typeByte = RecordByte::firstType; typeByte <= RecordByte::reverbType; ++typeByte)
        for (int type = 0; type < 128; ++type)
        {
            DataCenter store;
            for (int b = RecordByte::dynamicsKnob; b <= RecordByte::delayTime; ++b)
                store.current[static_cast<size_t> (b)] = high;
            auto expected = store.current;
            expected[static_cast<size_t> (typeByte)] = static_cast<std::uint8_t> (type);
            expected[RecordByte::onOffMask] = static_cast<std::uint8_t> (
                expected[RecordByte::onOffMask] | (1 << (typeByte - RecordByte::firstType)));
            for (const auto& n : narrowings)
                if (n.typeByte == typeByte &&
                    std::find (n.types.begin(), n.types.end(), type) != n.types.end())
                    expected[static_cast<size_t> (n.knobByte)] = static_cast<std::uint8_t> (n.limit);

            store.setType (typeByte, type);
            ASSERT_EQ (store.current, expected) << "type byte " << typeByte << " = " << type;
        }
}

TEST (DataCenter, SetTypeOutsideTheTypeBytesChangesNothing)
{
    DataCenter store;
    const auto before = store.current;
    store.setType (11, 5);
    store.setType (18, 5);
    store.setType (-1, 5);
    EXPECT_EQ (store.current, before);
}

TEST (DataCenter, KnobsAddressTheCrossedBytesAndDoNotClamp)
{
    DataCenter store;
    store.setKnob (12, 7);
    EXPECT_EQ (store.current[26], 12);
    store.setKnob (13, 8);
    EXPECT_EQ (store.current[25], 13);
    EXPECT_EQ (store.getKnob (7), 12);

    store.current[RecordByte::ampType] = 25;
    store.setKnob (30, 6);
    EXPECT_EQ (store.getKnob (6), 30);
}

TEST (DataCenter, SaveAndRestoreBracketABulkTransfer)
{
    DataCenter store;
    store.saveCurrent();
    EXPECT_TRUE (store.bulkTransfer);
    store.setKnob (1, 0);
    store.setName ("CHANGED");
    store.restoreSaved();
    EXPECT_FALSE (store.bulkTransfer);
    EXPECT_EQ (store.current, defaultRecord());
}
} // namespace vr
