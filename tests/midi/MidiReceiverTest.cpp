#include "midi/MidiReceiver.h"
#include "data/DataCenter.h"
#include "data/FactoryPrograms.h"
#include "library/ProgramLists.h"
#include "support/RecordingEngine.h"

#include <gtest/gtest.h>

namespace vr
{
namespace
{
using test::bytesOf;
using test::identityReply;
using test::maker;
using test::makerCode;
using test::messageOf;

std::vector<std::uint8_t> dumpOf (int programNumber, const ProgramRecord& record)
{
    std::vector<std::uint8_t> payload{static_cast<std::uint8_t> (programNumber / 100),
                                      static_cast<std::uint8_t> (programNumber % 100)};
    payload.insert (payload.end(), record.begin(), record.end());
    return maker (0x4c, payload);
}

ProgramRecord recordNamed (const char* name, std::uint8_t fill)
{
    ProgramRecord r = defaultRecord();
    encodeName (name, r.data());
    r[RecordByte::programLevel] = fill;
    return r;
}

struct EngineFixture : ::testing::Test, test::RecordingEngine
{
    std::vector<int> sentCodes() const
    {
        std::vector<int> codes;
        for (const auto& m : sent)
            codes.push_back (makerCode (m));
        return codes;
    }

    // Answers every outstanding program request of a Receive All.
    void answerAllRequests()
    {
        for (int n = 0; n < 200; ++n)
            receive (dumpOf (n, recordNamed ("RECEIVED", static_cast<std::uint8_t> (n % 31))));
    }
};
} // namespace

TEST_F (EngineFixture, IdentityReplyRecordsTheUnitAndStartsReceiveAllWithItsEditBuffer)
{
    receive (identityReply (0x08, 0x13, 2, 7));
    EXPECT_EQ (store.modelCode, 8);
    EXPECT_TRUE (store.connected);
    EXPECT_EQ (store.midiChannel, 3);
    EXPECT_EQ (store.versionMajor, 2);
    EXPECT_EQ (store.versionMinor, 7);
    EXPECT_EQ (sentCodes(), (std::vector<int>{0x4e, 0x10}));
    EXPECT_EQ (steps.steps, (std::vector<int>{DeferredStep::connected}));
    EXPECT_TRUE (engine.isReceiving());

    // Every later maker message carries the heron's model byte.
    for (const auto& m : sent)
        EXPECT_EQ (bytesOf (m)[3], 0x08);

    auto unitEditBuffer = recordNamed ("ON UNIT", 9);
    std::vector<std::uint8_t> payload (unitEditBuffer.begin(), unitEditBuffer.end());
    sent.clear();
    receive (maker (0x40, payload));
    EXPECT_TRUE (store.bulkTransfer);
    EXPECT_EQ (store.saved, unitEditBuffer);
    EXPECT_EQ (steps.steps.back(), DeferredStep::greyOutViews);
    ASSERT_EQ (sent.size(), 1u);
    EXPECT_EQ (bytesOf (sent[0]),
               (std::vector<std::uint8_t>{0xf0, 0x7d, 0x30, 0x08, 0x01, 0x0f, 0x1c, 0, 0, 0xf7}));
}

TEST_F (EngineFixture, ReceiveAllStoresEveryProgramThenAsksForTheProgramNumber)
{
    engine.startReceiveAll();
    EXPECT_TRUE (store.bulkTransfer);
    store.modified[17] = 1;

    answerAllRequests();
    EXPECT_FALSE (engine.isReceiving());
    EXPECT_TRUE (engine.isAwaitingNumber());
    EXPECT_EQ (unitList.readRowName (150), "RECEIVED  ");
    EXPECT_EQ (unitList.rows[150].sourceNumber, 150);
    EXPECT_EQ (store.modified[17], 0);
    EXPECT_EQ (steps.steps, (std::vector<int>{DeferredStep::transferEnded}));

    // Requests 0..199 in order, then one number request.
    const auto codes = sentCodes();
    ASSERT_EQ (codes.size(), 1u + 200u + 1u);
    EXPECT_EQ (codes.front(), 0x4e);
    EXPECT_EQ (codes.back(), 0x12);
    EXPECT_EQ (bytesOf (sent[200]), bytesOf (sysex::programDumpRequest (0, 199)));

    // Until the unit answers, every other message repeats the request.
    sent.clear();
    receive (maker (0x23));
    receive (maker (0x4e)); // not handled, but still a maker message
    EXPECT_EQ (sentCodes(), (std::vector<int>{0x12, 0x12}));

    sent.clear();
    receive (maker (0x42, {0x00, 0x01, 39}));
    EXPECT_FALSE (engine.isAwaitingNumber());
    EXPECT_EQ (store.selectedProgram, 139);
    EXPECT_EQ (store.currentProgramNumber, 139);
    EXPECT_EQ (steps.steps.back(), DeferredStep::transferFinished);
    EXPECT_TRUE (sent.empty());
}

TEST_F (EngineFixture, WrongNumberAndFailureRetryTheExpectedProgram)
{
    engine.startReceiveAll();
    for (int n = 0; n < 4; ++n)
        receive (dumpOf (n, recordNamed ("OK", 1)));
    sent.clear();

    receive (dumpOf (5, recordNamed ("EARLY FIVE", 2)));
    EXPECT_EQ (unitList.readRowName (5), "EARLY FIVE") << "stored all the same";
    EXPECT_EQ (engine.getTransferIndex(), 4);
    receive (maker (0x23));
    ASSERT_EQ (sent.size(), 2u);
    for (const auto& m : sent)
        EXPECT_EQ (bytesOf (m), bytesOf (sysex::programDumpRequest (0, 4)));
}

TEST_F (EngineFixture, StatusTwoStillEndsTheReceiveAndKeepsTheSelectedProgram)
{
    store.setSelectedProgram (42);
    engine.startReceiveAll();
    answerAllRequests();
    receive (maker (0x42, {0x02, 0x01, 0x10}));
    EXPECT_FALSE (engine.isAwaitingNumber());
    EXPECT_EQ (store.selectedProgram, 42);
    EXPECT_EQ (steps.steps.back(), DeferredStep::transferFinished);

    engine.finishTransfer();
    EXPECT_FALSE (store.bulkTransfer);
    EXPECT_EQ (store.current, defaultRecord());
    EXPECT_EQ (makerCode (sent.back()), 0x40);
}

TEST_F (EngineFixture, StatusTwoOutsideATransferOnlyClearsTheRequest)
{
    engine.requestProgramNumber();
    ASSERT_TRUE (engine.isAwaitingNumber());
    receive (maker (0x42, {0x02, 0x00, 0x05}));
    EXPECT_FALSE (engine.isAwaitingNumber());
    EXPECT_TRUE (steps.steps.empty());
}

TEST_F (EngineFixture, TransmitAllModifiedOnlySendsJustTheMarkedSlots)
{
    store.modified[0] = 1;
    store.modified[150] = 1;
    engine.startTransmitAll (true);
    EXPECT_EQ (sentCodes(), (std::vector<int>{0x4e, 0x4c}));
    EXPECT_EQ (store.modified[0], 1) << "cleared only once the unit acknowledges";

    receive (maker (0x21));
    EXPECT_EQ (store.modified[0], 1) << "cleared only once read back as sent";
    ASSERT_EQ (makerCode (sent.back()), 0x4c);
    EXPECT_EQ (bytesOf (sent.back())[7], 1);
    EXPECT_EQ (bytesOf (sent.back())[8], 50);

    // Both sent: each is read back. Slot 0 holds what was sent, slot 150
    // came back with a byte changed: it stays marked, and the player is told.
    receive (maker (0x21));
    EXPECT_EQ (engine.getPhase(), TransferPhase::verifying);
    EXPECT_EQ (makerCode (sent.back()), 0x1c);
    receive (dumpOf (0, unitList.recordAt (0)));
    auto spoiled = unitList.recordAt (150);
    spoiled[RecordByte::programLevel] = static_cast<std::uint8_t> (spoiled[RecordByte::programLevel] ^ 1);
    receive (dumpOf (150, spoiled));
    EXPECT_FALSE (engine.isTransmitting());
    EXPECT_EQ (store.modified[0], 0);
    EXPECT_EQ (store.modified[150], 1);
    EXPECT_EQ (engine.getNotStoredCount(), 1);
    EXPECT_EQ (sent.size(), 5u);
    EXPECT_EQ (steps.steps, (std::vector<int>{DeferredStep::transferEnded, DeferredStep::transferFinished}));
}

TEST_F (EngineFixture, TransmitAllSendsEverySlotWithSevenBitData)
{
    unitList.storeByte (3, RecordByte::programLevel, 200); // a damaged file's byte
    engine.startTransmitAll (false);
    for (int n = 0; n < 200; ++n)
        receive (maker (0x21));
    EXPECT_EQ (engine.getPhase(), TransferPhase::verifying);

    int dumps = 0;
    for (const auto& m : sent)
    {
        if (makerCode (m) != 0x4c)
            continue;
        const auto b = bytesOf (m);
        EXPECT_EQ (sysex::numberFromPair (b[7], b[8]), dumps);
        for (size_t i = 1; i + 1 < b.size(); ++i)
            EXPECT_LT (b[i], 0x80);
        ++dumps;
    }
    EXPECT_EQ (dumps, 200);
}

TEST_F (EngineFixture, WriteCompletionSelectsTheWrittenSlot)
{
    store.setSelectedProgram (57);
    engine.sendWriteRequest (57);
    EXPECT_EQ (sentCodes(), (std::vector<int>{0x11, 0x4e}));
    sent.clear();
    receive (maker (0x21));
    EXPECT_EQ (store.currentProgramNumber, 57);
    ASSERT_EQ (sent.size(), 4u);
    EXPECT_TRUE (sent[0].isController());
    EXPECT_EQ (sent[0].getControllerValue(), 0);
    EXPECT_TRUE (sent[2].isProgramChange());
    EXPECT_EQ (sent[2].getProgramChangeNumber(), 57);
    // Then the slot is read back.
    EXPECT_EQ (makerCode (sent[3]), 0x1c);
    EXPECT_TRUE (engine.isVerifyingWrite());

    receive (dumpOf (57, store.current));
    EXPECT_FALSE (engine.isVerifyingWrite());

    // A knob turned before the answer reached the unit ahead of the program
    // change that reloads the slot: the unit gets the edited program back.
    engine.sendWriteRequest (57);
    store.setKnob (9, 0);
    sent.clear();
    receive (maker (0x21));
    ASSERT_EQ (sent.size(), 5u);
    EXPECT_EQ (makerCode (sent[3]), 0x40);
    EXPECT_EQ (bytesOf (sent[3])[7 + knobIndexToByte (0)], 9);
}

TEST_F (EngineFixture, ParameterChangesFromTheUnitEditTheStore)
{
    store.current[RecordByte::onOffMask] = 0;
    store.current[RecordByte::ampGain] = 30;
    receive (maker (0x41, {0x01, 13, 0x01, 0x19}));
    EXPECT_EQ (store.current[RecordByte::ampType], 25);
    EXPECT_EQ (store.current[RecordByte::onOffMask], 0b10);
    EXPECT_EQ (store.current[RecordByte::ampGain], 27);

    receive (maker (0x41, {0x01, 25, 0x00, 0x07}));
    EXPECT_EQ (store.current[26], 7);
    receive (maker (0x41, {0x01, 26, 0x00, 0x08}));
    EXPECT_EQ (store.current[25], 8);

    const auto before = store.current;
    receive (maker (0x41, {0x02, 27, 0x00, 0x01})); // not a parameter change
    receive (maker (0x41, {0x01, 30, 0x00, 0x01})); // no such parameter
    engine.startTransmitAll (false);
    receive (maker (0x41, {0x01, 27, 0x00, 0x01})); // ignored during transfers
    EXPECT_EQ (store.current, before);
}

TEST_F (EngineFixture, ProgramChangesLoadUnitOrFactoryPrograms)
{
    unitList.setRowName (110, "SLOT 110");
    receive ({0xb0, 0x00, 0x01});
    receive ({0xc0, 110});
    EXPECT_EQ (store.currentProgramNumber, 110);
    EXPECT_EQ (store.getName(), "SLOT 110  ");
    EXPECT_EQ (steps.steps.back(), DeferredStep::programSelected);

    receive ({0xb5, 0x00, 0x06}); // bank 2 on another channel
    receive ({0xc5, 0x05});
    EXPECT_EQ (store.currentProgramNumber, 205);
    EXPECT_EQ (store.current, factoryProgram (205));

    steps.steps.clear();
    receive ({0xc5, 0x05});
    EXPECT_TRUE (steps.steps.empty()) << "the current program again does nothing";
}

TEST_F (EngineFixture, NumbersFromTheUnitNeverIndexPastTheTables)
{
    // A dump numbered 127 * 100 + 127: no such row; the current number wraps.
    auto foreign = dumpOf (0, recordNamed ("FOREIGN", 3));
    foreign[7] = 0x7f;
    foreign[8] = 0x7f;
    receive (foreign);
    EXPECT_EQ (store.currentProgramNumber, 12827 % 400);
    EXPECT_LT (store.bank, 4);
    receive ({0xc0, 99});
    EXPECT_GE (store.currentProgramNumber, 0);
    EXPECT_LT (store.currentProgramNumber, 400);

    receive (dumpOf (400, recordNamed ("FOUR HUNDR", 3)));
    EXPECT_EQ (store.currentProgramNumber, 0);
    EXPECT_EQ (unitList.size(), 200);

    receive (maker (0x42, {0x00, 0x7f, 0x7f}));
    EXPECT_LT (store.selectedProgram, 400);
}

TEST_F (EngineFixture, SendersAddressRowsOnlyWhereTheyExist)
{
    engine.sendListRow (1000);
    engine.sendListRow (-1);
    engine.sendProgramDump (200);
    EXPECT_TRUE (sent.empty());

    engine.sendListRow (399);
    ASSERT_EQ (sent.size(), 1u);
    const auto b = bytesOf (sent[0]);
    EXPECT_EQ (b.size(), 40u);
    EXPECT_TRUE (std::equal (b.begin() + 7, b.begin() + 39, factoryProgram (399).begin()));

    sent.clear();
    engine.sendListRow (450); // no file open: zeros
    ASSERT_EQ (sent.size(), 1u);
    const auto z = bytesOf (sent[0]);
    EXPECT_TRUE (std::all_of (z.begin() + 7, z.begin() + 39, [] (std::uint8_t v) { return v == 0; }));
}

TEST_F (EngineFixture, WithoutAnOutputNothingIsSent)
{
    engine.setOutput (nullptr);
    engine.sendIdentityRequest();
    engine.selectProgram (5);
    engine.requestProgramNumber();
    EXPECT_FALSE (engine.isAwaitingNumber());
    EXPECT_EQ (store.selectedProgram, 0);
}

TEST_F (EngineFixture, WatchdogAbandonsASilentTransferAndRestoresTheEditBuffer)
{
    double now = 0.0;
    engine.setClock ([&now] { return now; });
    engine.setWatchdog (1000, 5);
    store.modified[0] = 1;
    store.modified[1] = 1;
    const auto editBuffer = store.current;

    engine.startTransmitAll (true);
    receive (maker (0x21)); // slot 0 acknowledged
    now = 999.0;
    engine.checkWatchdog();
    EXPECT_TRUE (engine.isTransmitting());
    now = 2000.0;
    engine.checkWatchdog();
    EXPECT_FALSE (engine.isTransmitting());
    ASSERT_EQ (steps.abandoned.size(), 1u);
    EXPECT_EQ (steps.abandoned[0], std::make_pair (1, true));
    EXPECT_EQ (store.modified[0], 1) << "sent, but never read back";
    EXPECT_EQ (store.modified[1], 1) << "never acknowledged, still to send";
    EXPECT_EQ (steps.steps, (std::vector<int>{DeferredStep::transferEnded, DeferredStep::transferFinished}));

    engine.finishTransfer();
    EXPECT_FALSE (store.bulkTransfer);
    EXPECT_EQ (store.current, editBuffer);
}

TEST_F (EngineFixture, WatchdogGivesUpOnAProgramThatKeepsFailing)
{
    engine.setWatchdog (1000, 5);
    engine.startReceiveAll();
    for (int i = 0; i < 6; ++i)
        receive (maker (0x23));
    EXPECT_FALSE (engine.isReceiving());
    ASSERT_EQ (steps.abandoned.size(), 1u);
    EXPECT_EQ (steps.abandoned[0], std::make_pair (0, false));
    // 1 first request + 5 retries
    const auto codes = sentCodes();
    EXPECT_EQ (std::count (codes.begin(), codes.end(), 0x1c), 6);
}
} // namespace vr
