#include "midi/VirtualUnit.h"

#include "data/FactoryPrograms.h"
#include "midi/SysexMessages.h"

#include "support/MessageBytes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace vr
{
namespace
{
using namespace std::chrono_literals;
using namespace test::bytes;
using Clock = std::chrono::steady_clock;

constexpr auto kTimeout = 2000ms;

Bytes recordBytes (const ProgramRecord& record)
{
    return Bytes (record.begin(), record.end());
}

// Bytes 0..31 hold first..first+31, so misplaced bytes show.
ProgramRecord countingRecord (int first = 1)
{
    ProgramRecord record{};
    for (size_t i = 0; i < record.size(); ++i)
        record[i] = static_cast<std::uint8_t> ((first + static_cast<int> (i)) & 0x7f);
    return record;
}

Bytes completed (int model)
{
    return concat (header (model, 0x21), {0xf7});
}
Bytes failed (int model)
{
    return concat (header (model, 0x23), {0xf7});
}
Bytes programDumpReply (int model, int number, const ProgramRecord& record)
{
    return concat (concat (header (model, 0x4c), {number / 100, number % 100}),
                   concat (recordBytes (record), {0xf7}));
}

// Records what the unit delivers, from whatever thread delivers it.
class RecordingSink : public MidiMessageSink
{
public:
    void messageArrived (const juce::MidiMessage& message) override
    {
        {
            const std::scoped_lock sl (lock);
            messages.push_back (bytesOf (message));
            threads.push_back (std::this_thread::get_id());
            arrivals.push_back (Clock::now());
        }
        changed.notify_all();
    }

    bool waitFor (size_t count, std::chrono::milliseconds timeout = kTimeout)
    {
        std::unique_lock sl (lock);
        return changed.wait_for (sl, timeout, [&] { return messages.size() >= count; });
    }

    size_t count() const
    {
        const std::scoped_lock sl (lock);
        return messages.size();
    }

    std::vector<Bytes> received() const
    {
        const std::scoped_lock sl (lock);
        return messages;
    }

    std::vector<std::thread::id> receivingThreads() const
    {
        const std::scoped_lock sl (lock);
        return threads;
    }

    Clock::time_point arrival (size_t index) const
    {
        const std::scoped_lock sl (lock);
        return arrivals.at (index);
    }

private:
    mutable std::mutex lock;
    std::condition_variable changed;
    std::vector<Bytes> messages;
    std::vector<std::thread::id> threads;
    std::vector<Clock::time_point> arrivals;
};

class UnitFixture : public ::testing::Test
{
protected:
    void SetUp() override { connect ({}); }
    void TearDown() override { input->stop(); }

    void connect (const VirtualUnitSettings& settings)
    {
        if (input != nullptr)
            input->stop();
        unit = std::make_shared<VirtualUnit> (settings);
        input = unit->createInputPort();
        output = unit->createOutputPort();
        input->start (sink);
    }

    void send (const juce::MidiMessage& message) { output->sendMessageNow (message); }

    // Everything the unit sent in answer, once it has nothing left to do.
    std::vector<Bytes> exchange (const juce::MidiMessage& message)
    {
        const auto before = sink.count();
        send (message);
        EXPECT_TRUE (unit->waitUntilIdle (kTimeout));
        const auto all = sink.received();
        return std::vector<Bytes> (all.begin() + static_cast<std::ptrdiff_t> (before), all.end());
    }

    Bytes replyTo (const juce::MidiMessage& message)
    {
        const auto replies = exchange (message);
        EXPECT_EQ (replies.size(), 1u);
        return replies.empty() ? Bytes{} : replies.front();
    }

    RecordingSink sink;
    std::shared_ptr<VirtualUnit> unit;
    std::unique_ptr<MidiInputPort> input;
    std::unique_ptr<MidiOutputPort> output;
};

using VirtualUnitRequests = UnitFixture;
using VirtualUnitEditBuffer = UnitFixture;
using VirtualUnitFrontPanel = UnitFixture;
using VirtualUnitThreads = UnitFixture;
using VirtualUnitTiming = UnitFixture;
using VirtualUnitFaults = UnitFixture;
using VirtualUnitPorts = UnitFixture;
} // namespace

//==============================================================================
TEST_F (VirtualUnitRequests, NewUnitShipsWithTheFactorySoundsInItsUserBanks)
{
    const auto& factory = factoryTable();
    for (int n = 0; n < kNumUserPrograms; ++n)
        ASSERT_EQ (unit->getProgram (n), factory[static_cast<size_t> (n)]) << "program " << n;
    EXPECT_EQ (unit->getProgram (399), factory[199]);
    EXPECT_EQ (unit->getCurrentProgram(), 0);
    EXPECT_EQ (unit->getEditBuffer(), factory[0]);
}

TEST_F (VirtualUnitRequests, IdentityReplyCarriesChannelModelAndVersion)
{
    connect ({sysex::kModelHeron, 2, 7, 5, false, 0us, {}});
    const Bytes expected{0xf0, 0x7e, 0x05, 0x06, 0x02, 0x7d, 0x0f, 0x01,
                         0x08, 0x00, 0x07, 0x00, 0x02, 0x00, 0xf7};

    const auto reply = replyTo (sysex::identityRequest());
    EXPECT_EQ (reply, expected);

    // What the engine reads out of it.
    const auto in = sysex::classify (raw (reply));
    EXPECT_EQ (in.kind, sysex::Incoming::Kind::identityReply);
    EXPECT_EQ (in.channel, 5);
    EXPECT_EQ (in.modelCode, sysex::kModelHeron);
    EXPECT_EQ (in.versionMajor, 2);
    EXPECT_EQ (in.versionMinor, 7);

    // Addressed to its own channel it answers too; to another one it does not.
    EXPECT_EQ (replyTo (raw ({0xf0, 0x7e, 0x05, 0x06, 0x01, 0xf7})), expected);
    EXPECT_TRUE (exchange (raw ({0xf0, 0x7e, 0x04, 0x06, 0x01, 0xf7})).empty());
}

TEST_F (VirtualUnitRequests, DumpRequestsAnswerEditBufferAndUserPrograms)
{
    const auto edit = countingRecord (1);
    const auto stored = countingRecord (40);
    unit->setEditBuffer (edit);
    unit->setUserProgram (157, stored);

    // The model byte of a request does not matter; replies carry the unit's own.
    EXPECT_EQ (replyTo (sysex::currentProgramDumpRequest (sysex::kModelHeron)),
               concat (concat (header (0, 0x40), recordBytes (edit)), {0xf7}));
    EXPECT_EQ (replyTo (sysex::programDumpRequest (sysex::kModelHeron, 157)),
               programDumpReply (0, 157, stored));
    EXPECT_EQ (replyTo (sysex::programDumpRequest (0, 0)), programDumpReply (0, 0, factoryTable()[0]));
    EXPECT_EQ (replyTo (sysex::programDumpRequest (0, 199)), programDumpReply (0, 199, factoryTable()[199]));

    // Factory programs and numbers beyond them are not held as user programs.
    for (const int number : {200, 399, 400, 500})
    {
        SCOPED_TRACE (number);
        EXPECT_EQ (replyTo (sysex::programDumpRequest (0, number)), failed (0));
    }
    EXPECT_EQ (replyTo (raw (concat (header (0, 0x1c), {1, 100, 0xf7}))), failed (0)); // 1 * 100 + 100
}

TEST_F (VirtualUnitRequests, ProgramDumpAndWriteRequestStoreUserProgramsOnly)
{
    connect ({sysex::kModelHeron, 1, 0, 0, false, 0us, {}});
    const auto dumped = countingRecord (10);
    const auto edit = countingRecord (70);

    EXPECT_EQ (replyTo (sysex::programDump (0, 5, dumped)), completed (8));
    EXPECT_EQ (unit->getProgram (5), dumped);
    EXPECT_EQ (unit->getEditBuffer(), factoryTable()[0]) << "a dump is stored, not loaded";

    EXPECT_EQ (replyTo (sysex::programDump (0, 200, dumped)), failed (8));
    EXPECT_EQ (unit->getProgram (200), factoryProgram (200));

    unit->setEditBuffer (edit);
    EXPECT_EQ (replyTo (sysex::programWriteRequest (0, 110)), completed (8));
    EXPECT_EQ (unit->getProgram (110), edit);
    EXPECT_EQ (unit->getProgram (111), factoryTable()[111]);

    EXPECT_EQ (replyTo (sysex::programWriteRequest (0, 200)), failed (8));
    EXPECT_EQ (replyTo (sysex::programWriteRequest (0, 399)), failed (8));
    EXPECT_EQ (unit->getProgram (200), factoryProgram (200));
}

TEST_F (VirtualUnitRequests, ProgramNumberRequestAnswersTheCurrentProgram)
{
    const Bytes atZero = concat (header (0, 0x42), {0x00, 0, 0, 0xf7});
    EXPECT_EQ (replyTo (sysex::currentProgramNumberRequest (0)), atZero);

    for (const auto& message : sysex::programSelect (0, 157))
        send (message);
    EXPECT_EQ (replyTo (sysex::currentProgramNumberRequest (0)),
               concat (header (0, 0x42), {0x00, 1, 57, 0xf7}));

    for (const auto& message : sysex::programSelect (0, 399))
        send (message);
    EXPECT_EQ (replyTo (sysex::currentProgramNumberRequest (0)),
               concat (header (0, 0x42), {0x00, 3, 99, 0xf7}));
}

TEST_F (VirtualUnitRequests, EverythingElseGoesUnanswered)
{
    const auto before = unit->getEditBuffer();
    const Bytes silentOnes[] = {
        bytesOf (sysex::programNumberNotice (0, 157)),
        bytesOf (sysex::parameterChangeFor (0, 21, 3)),
        concat (header (0, 0x21), {0xf7}),                // the unit's own replies
        concat (header (0, 0x55), {0xf7}),                // unknown code
        {0xf0, 0x43, 0x30, 0x00, 0x01, 0x0f, 0x10, 0xf7}, // another maker
        {0xf0, 0x7d, 0x31, 0x00, 0x01, 0x0f, 0x10, 0xf7}, // wrong format byte
        {0xf0, 0x7d, 0x30, 0x00, 0x02, 0x0f, 0x10, 0xf7}, // wrong fixed byte
        concat (header (0, 0x1c), {0x01, 0xf7}),          // dump request without remainder
        concat (header (0, 0x11), {0xf7}),                // write request without number
        concat (header (0, 0x4c), {0, 5, 1, 2, 3, 0xf7}), // dump cut short
        {0xf0, 0x7e, 0x7f, 0x06, 0x02, 0x7d, 0x0f, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0xf7},
        {0xf0, 0xf7},
        bytesOf (juce::MidiMessage::noteOn (1, 60, static_cast<juce::uint8> (100))),
        bytesOf (juce::MidiMessage::controllerEvent (1, 7, 100)),
    };

    int total = 0;
    int index = 0;
    for (const auto& bytes : silentOnes)
    {
        SCOPED_TRACE ("message " + std::to_string (index++));
        EXPECT_TRUE (exchange (raw (bytes)).empty());
        total += static_cast<int> (bytes.size());
    }

    EXPECT_EQ (unit->getProgram (5), factoryTable()[5]);
    EXPECT_EQ (unit->getCurrentProgram(), 0);
    EXPECT_EQ (unit->getBytesReceived(), static_cast<std::uint64_t> (total));
    EXPECT_EQ (unit->getBytesSent(), 0u);
    auto expectedEdit = before;
    expectedEdit[RecordByte::modulationKnob] = 3; // the one parameter change
    EXPECT_EQ (unit->getEditBuffer(), expectedEdit);
}

//==============================================================================
TEST_F (VirtualUnitEditBuffer, CurrentProgramDumpReplacesIt)
{
    const auto record = countingRecord (20);
    EXPECT_TRUE (exchange (sysex::currentProgramDump (0, record)).empty());
    EXPECT_EQ (unit->getEditBuffer(), record);
    EXPECT_EQ (unit->getProgram (0), factoryTable()[0]);
}

TEST_F (VirtualUnitEditBuffer, ParameterChangeStoresTheRemainderWith25And26Crossed)
{
    ProgramRecord record{};
    record[RecordByte::ampGain] = 30;
    record[RecordByte::ampTreble] = 20;
    unit->setEditBuffer (record);

    struct Case
    {
        int parameter, hundreds, remainder, byte;
    };
    const Case cases[] = {
        {25, 0, 9, RecordByte::ampTreble},
        {26, 0, 11, RecordByte::ampBass},
        {18, 0, 30, RecordByte::dynamicsKnob},
        {29, 0, 99, RecordByte::delayTime},
        {11, 0, 5, RecordByte::onOffMask},
        {10, 0, 2, RecordByte::category},
        {3, 0, 33, 3},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.parameter);
        EXPECT_TRUE (exchange (sysex::parameterChange (0, c.parameter, c.hundreds, c.remainder)).empty());
        record[static_cast<size_t> (c.byte)] = static_cast<std::uint8_t> (c.remainder);
        EXPECT_EQ (unit->getEditBuffer(), record);
    }

    // A type arrives as hundreds 01 + index; the unit just stores it: gain 30
    // stays above the amp-25 limit and the amp's on bit stays clear.
    send (sysex::parameterChange (0, 13, 1, 25));
    ASSERT_TRUE (unit->waitUntilIdle (kTimeout));
    record[RecordByte::ampType] = 25;
    EXPECT_EQ (unit->getEditBuffer(), record);

    // Offset 7 other than 01, and parameters without a byte, change nothing.
    send (raw (concat (header (0, 0x41), {0x02, 18, 0, 1, 0xf7})));
    send (sysex::parameterChange (0, 30, 0, 1));
    send (sysex::parameterChange (0, 127, 0, 1));
    ASSERT_TRUE (unit->waitUntilIdle (kTimeout));
    EXPECT_EQ (unit->getEditBuffer(), record);
    EXPECT_EQ (sink.count(), 0u);
}

TEST_F (VirtualUnitEditBuffer, BankSelectAndProgramChangeOnItsChannelLoadAProgram)
{
    connect ({sysex::kModelWren, 1, 0, 2, false, 0us, {}});
    const auto stored = countingRecord (30);
    unit->setUserProgram (110, stored);
    const int channel = 3; // 1-based: the unit's channel 2

    send (juce::MidiMessage::controllerEvent (channel, 0, 1));
    send (juce::MidiMessage::controllerEvent (channel, 32, 0));
    send (juce::MidiMessage::programChange (channel, 10));
    ASSERT_TRUE (unit->waitUntilIdle (kTimeout));
    EXPECT_EQ (unit->getCurrentProgram(), 110);
    EXPECT_EQ (unit->getEditBuffer(), stored);

    send (juce::MidiMessage::controllerEvent (channel, 0, 3));
    send (juce::MidiMessage::programChange (channel, 99));
    ASSERT_TRUE (unit->waitUntilIdle (kTimeout));
    EXPECT_EQ (unit->getCurrentProgram(), 399);
    EXPECT_EQ (unit->getEditBuffer(), factoryProgram (399));

    // The bank stays selected for the next program change.
    send (juce::MidiMessage::programChange (channel, 5));
    ASSERT_TRUE (unit->waitUntilIdle (kTimeout));
    EXPECT_EQ (unit->getCurrentProgram(), 305);
    EXPECT_EQ (unit->getEditBuffer(), factoryProgram (305));

    // Other channels, and programs the unit does not hold, are ignored.
    send (juce::MidiMessage::controllerEvent (channel + 1, 0, 0));
    send (juce::MidiMessage::programChange (channel + 1, 7));
    send (juce::MidiMessage::programChange (channel, 100));
    send (juce::MidiMessage::controllerEvent (channel, 0, 4));
    send (juce::MidiMessage::programChange (channel, 0));
    ASSERT_TRUE (unit->waitUntilIdle (kTimeout));
    EXPECT_EQ (unit->getCurrentProgram(), 305);
    EXPECT_EQ (unit->getEditBuffer(), factoryProgram (305));
    EXPECT_EQ (sink.count(), 0u) << "a program change is not answered";
}

//==============================================================================
TEST_F (VirtualUnitFrontPanel, KnobsChangeTheEditBufferAndSendParameterChanges)
{
    connect ({sysex::kModelHeron, 1, 0, 0, false, 0us, {}});
    ProgramRecord record = unit->getEditBuffer();

    unit->turnKnob (25, 9);
    unit->turnKnob (13, 7);
    unit->turnKnob (11, 63);
    unit->turnKnob (30, 1); // no such parameter: nothing happens
    record[RecordByte::ampTreble] = 9;
    record[RecordByte::ampType] = 7;
    record[RecordByte::onOffMask] = 63;
    EXPECT_EQ (unit->getEditBuffer(), record);

    ASSERT_TRUE (unit->waitUntilIdle (kTimeout));
    const std::vector<Bytes> expected{
        {0xf0, 0x7d, 0x30, 0x08, 0x01, 0x0f, 0x41, 0x01, 0x19, 0x00, 0x09, 0xf7},
        {0xf0, 0x7d, 0x30, 0x08, 0x01, 0x0f, 0x41, 0x01, 0x0d, 0x01, 0x07, 0xf7},
        {0xf0, 0x7d, 0x30, 0x08, 0x01, 0x0f, 0x41, 0x01, 0x0b, 0x00, 0x3f, 0xf7},
    };
    EXPECT_EQ (sink.received(), expected);

    // A second unit fed what the front panel sent ends up with the same edit
    // buffer: sending and receiving agree on the crossing of 25 and 26.
    auto other = std::make_shared<VirtualUnit>();
    other->setEditBuffer (unit->getProgram (0));
    auto toOther = other->createOutputPort();
    for (const auto& bytes : expected)
        toOther->sendMessageNow (raw (bytes));
    ASSERT_TRUE (other->waitUntilIdle (kTimeout));
    EXPECT_EQ (other->getEditBuffer(), record);
}

TEST_F (VirtualUnitFrontPanel, SelectingAProgramLoadsItAndSendsBankSelectAndProgramChange)
{
    connect ({sysex::kModelWren, 1, 0, 3, false, 0us, {}});
    const auto stored = countingRecord (50);
    unit->setUserProgram (42, stored);

    unit->selectProgram (257);
    EXPECT_EQ (unit->getCurrentProgram(), 257);
    EXPECT_EQ (unit->getEditBuffer(), factoryProgram (257));

    unit->selectProgram (42);
    EXPECT_EQ (unit->getCurrentProgram(), 42);
    EXPECT_EQ (unit->getEditBuffer(), stored);

    unit->selectProgram (400);
    unit->selectProgram (-1);
    EXPECT_EQ (unit->getCurrentProgram(), 42);

    ASSERT_TRUE (unit->waitUntilIdle (kTimeout));
    const std::vector<Bytes> expected{
        {0xb3, 0x00, 2}, {0xb3, 0x20, 0}, {0xc3, 57}, {0xb3, 0x00, 0}, {0xb3, 0x20, 0}, {0xc3, 42},
    };
    EXPECT_EQ (sink.received(), expected);

    // The number the unit reports afterwards is the one selected on it.
    EXPECT_EQ (replyTo (sysex::currentProgramNumberRequest (0)),
               concat (header (0, 0x42), {0x00, 0, 42, 0xf7}));
}

//==============================================================================
TEST_F (VirtualUnitThreads, RepliesComeFromTheUnitsThreadAfterTheSendReturns)
{
    unit->setProcessingDelay (100ms);
    const auto sent = Clock::now();
    send (sysex::identityRequest());
    EXPECT_EQ (sink.count(), 0u) << "nothing may arrive inside the sending call";

    // The front panel is not held up by the unit's processing.
    unit->turnKnob (20, 4);
    ASSERT_TRUE (sink.waitFor (2));
    ASSERT_TRUE (unit->waitUntilIdle (kTimeout));
    EXPECT_EQ (sink.received()[0].size(), 12u);
    EXPECT_EQ (sink.received()[1].size(), 15u);
    EXPECT_GE (sink.arrival (1) - sent, 95ms) << "the reply waits out the processing delay";
    for (const auto id : sink.receivingThreads())
        EXPECT_NE (id, std::this_thread::get_id());
}

TEST_F (VirtualUnitThreads, ASinkMaySendFromInsideADelivery)
{
    // Receive All as the engine runs it: each dump asks for the next program.
    class ChainingSink : public MidiMessageSink
    {
    public:
        explicit ChainingSink (MidiOutputPort& port)
            : out (port)
        {
        }

        void messageArrived (const juce::MidiMessage& message) override
        {
            const auto in = sysex::classify (message);
            if (in.kind != sysex::Incoming::Kind::maker || in.functionCode != sysex::Code::programDump)
                return;
            const int number = sysex::numberFromPair (in.bytes[7], in.bytes[8]);
            {
                const std::scoped_lock sl (lock);
                numbers.push_back (number);
                records.push_back (ProgramRecord{});
                std::copy (in.bytes.begin() + 9, in.bytes.begin() + 9 + kRecordSize, records.back().begin());
            }
            if (number + 1 < kNumUserPrograms)
                out.sendMessageNow (sysex::programDumpRequest (0, number + 1));
            else
                done.notify_all();
        }

        bool waitUntilDone()
        {
            std::unique_lock sl (lock);
            return done.wait_for (
                sl, 10s, [this] { return numbers.size() == static_cast<size_t> (kNumUserPrograms); });
        }

        MidiOutputPort& out;
        std::mutex lock;
        std::condition_variable done;
        std::vector<int> numbers;
        std::vector<ProgramRecord> records;
    };

    input->stop();
    for (int n = 0; n < kNumUserPrograms; ++n)
        unit->setUserProgram (n, countingRecord (n));
    ChainingSink chain (*output);
    input->start (chain);
    send (sysex::programDumpRequest (0, 0));

    ASSERT_TRUE (chain.waitUntilDone());
    input->stop();
    for (int n = 0; n < kNumUserPrograms; ++n)
    {
        ASSERT_EQ (chain.numbers[static_cast<size_t> (n)], n);
        ASSERT_EQ (chain.records[static_cast<size_t> (n)], countingRecord (n));
    }
    EXPECT_EQ (unit->getBytesReceived(), 10u * kNumUserPrograms);
    EXPECT_EQ (unit->getBytesSent(), 42u * kNumUserPrograms);
}

//==============================================================================
TEST_F (VirtualUnitTiming, DinPacingPutsBothWiresAndTheProcessingDelayBeforeAReply)
{
    connect ({sysex::kModelWren, 1, 0, 0, true, 0us, {}});
    const auto perByte = VirtualUnit::kWireTimePerByte;

    auto sent = Clock::now();
    send (sysex::programDumpRequest (0, 7));
    ASSERT_TRUE (sink.waitFor (1));
    EXPECT_GE (sink.arrival (0) - sent, 0.95 * (10 + 42) * perByte);
    ASSERT_TRUE (unit->waitUntilIdle (kTimeout));
    EXPECT_EQ (unit->getBytesReceived(), 10u);
    EXPECT_EQ (unit->getBytesSent(), 42u);

    unit->setProcessingDelay (5ms);
    sent = Clock::now();
    send (sysex::programDumpRequest (0, 8));
    ASSERT_TRUE (sink.waitFor (2));
    EXPECT_GE (sink.arrival (1) - sent, 0.95 * ((10 + 42) * perByte + 5ms));
}

TEST_F (VirtualUnitTiming, EachWireCarriesOneMessageAtATime)
{
    connect ({sysex::kModelWren, 1, 0, 0, true, 0us, {}});
    const auto perByte = VirtualUnit::kWireTimePerByte;

    // Requests end on the wire at 10, 20, 30 bytes; each reply starts when
    // its request is in and the previous reply is out: ends at 52, 94, 136.
    const auto sent = Clock::now();
    for (const int n : {1, 2, 3})
        send (sysex::programDumpRequest (0, n));
    ASSERT_TRUE (sink.waitFor (3));
    EXPECT_GE (sink.arrival (0) - sent, 0.95 * 52 * perByte);
    EXPECT_GE (sink.arrival (1) - sent, 0.95 * 94 * perByte);
    EXPECT_GE (sink.arrival (2) - sent, 0.95 * 136 * perByte);

    // Front-panel messages cross the same wire.
    ASSERT_TRUE (unit->waitUntilIdle (kTimeout));
    const auto turned = Clock::now();
    unit->turnKnob (20, 1);
    unit->selectProgram (3);
    ASSERT_TRUE (sink.waitFor (7));
    EXPECT_GE (sink.arrival (3) - turned, 0.95 * 12 * perByte);
    EXPECT_GE (sink.arrival (6) - turned, 0.95 * (12 + 3 + 3 + 2) * perByte);
    EXPECT_EQ (sink.received()[6], (Bytes{0xc0, 3}));
}

//==============================================================================
TEST_F (VirtualUnitFaults, DroppedRepliesAreLostWhileTheRequestsStillAct)
{
    const auto record = countingRecord (5);
    unit->dropNextReplies (2);
    EXPECT_TRUE (exchange (sysex::programDump (0, 3, record)).empty());
    EXPECT_TRUE (exchange (sysex::programDumpRequest (0, 3)).empty());
    EXPECT_EQ (unit->getProgram (3), record);
    EXPECT_EQ (replyTo (sysex::programDumpRequest (0, 3)), programDumpReply (0, 3, record));
    EXPECT_EQ (unit->getBytesSent(), 42u);
}

TEST_F (VirtualUnitFaults, DumpRequestsAnsweredWithTheNextProgramOrFailed)
{
    unit->answerNextDumpRequestsWithNextProgram (2);
    EXPECT_EQ (replyTo (sysex::programDumpRequest (0, 7)), programDumpReply (0, 8, factoryTable()[8]));
    EXPECT_EQ (replyTo (sysex::programDumpRequest (0, 199)), programDumpReply (0, 0, factoryTable()[0]));
    EXPECT_EQ (replyTo (sysex::programDumpRequest (0, 7)), programDumpReply (0, 7, factoryTable()[7]));

    unit->failNextDumpRequests (2);
    EXPECT_EQ (replyTo (sysex::programDumpRequest (0, 7)), failed (0));
    EXPECT_EQ (replyTo (sysex::currentProgramNumberRequest (0)), concat (header (0, 0x42), {0, 0, 0, 0xf7}))
        << "other requests are not affected";
    EXPECT_EQ (replyTo (sysex::programDumpRequest (0, 8)), failed (0));
    EXPECT_EQ (replyTo (sysex::programDumpRequest (0, 8)), programDumpReply (0, 8, factoryTable()[8]));
}

TEST_F (VirtualUnitFaults, SpoiledStoresAreAcknowledgedAndCounted)
{
    const auto held = countingRecord (3);
    auto toCorrupt = countingRecord (40);
    toCorrupt[RecordByte::programLevel] = 31; // the top of its range: one step down
    auto corrupted = toCorrupt;
    corrupted[RecordByte::programLevel] = 30;
    struct Case
    {
        MemoryFault fault;
        bool byWrite;
        ProgramRecord sent, stored;
    };
    const Case cases[] = {
        {MemoryFault::protect, true, countingRecord (20), held},
        {MemoryFault::corrupt, false, toCorrupt, corrupted},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (static_cast<int> (c.fault));
        unit->setUserProgram (9, held);
        unit->setEditBuffer (c.sent);
        unit->setMemoryFault (c.fault);
        EXPECT_EQ (
            replyTo (c.byWrite ? sysex::programWriteRequest (0, 9) : sysex::programDump (0, 9, c.sent)),
            completed (0));
        EXPECT_EQ (unit->getProgram (9), c.stored);
        unit->clearFaults();
    }
    EXPECT_EQ (unit->getSpoiledStoreCount(), 2);

    // A counted fault is used up, storing the same program spoils nothing.
    unit->setUserProgram (9, held);
    unit->protectNextStores (1);
    EXPECT_EQ (replyTo (sysex::programDump (0, 9, held)), completed (0));
    EXPECT_EQ (replyTo (sysex::programDump (0, 9, corrupted)), completed (0));
    EXPECT_EQ (unit->getProgram (9), corrupted);
    EXPECT_EQ (unit->getSpoiledStoreCount(), 2);
}

TEST_F (VirtualUnitFaults, ASilentUnitSendsNothingUntilCleared)
{
    const auto record = countingRecord (9);
    unit->setSilent (true);
    EXPECT_TRUE (exchange (sysex::identityRequest()).empty());
    EXPECT_TRUE (exchange (sysex::programDump (0, 4, record)).empty());
    unit->turnKnob (20, 2);
    unit->selectProgram (4);
    ASSERT_TRUE (unit->waitUntilIdle (kTimeout));
    EXPECT_EQ (sink.count(), 0u);
    EXPECT_EQ (unit->getBytesSent(), 0u);
    EXPECT_EQ (unit->getProgram (4), record) << "a silent unit still listens";
    EXPECT_EQ (unit->getCurrentProgram(), 4);

    unit->dropNextReplies (3);
    unit->failNextDumpRequests (3);
    unit->clearFaults();
    EXPECT_EQ (replyTo (sysex::programDumpRequest (0, 4)), programDumpReply (0, 4, record));
}

//==============================================================================
TEST_F (VirtualUnitPorts, PortsCarryTheModelNameAndKeepTheUnitAlive)
{
    EXPECT_EQ (input->getName(), "Virtual wren unit");
    EXPECT_EQ (output->getName(), "Virtual wren unit");

    connect ({sysex::kModelHeron, 1, 0, 0, false, 0us, {}});
    EXPECT_EQ (input->getName(), "Virtual heron unit");
    EXPECT_EQ (output->getName(), "Virtual heron unit");

    const std::weak_ptr<VirtualUnit> watched = unit;
    unit.reset();
    EXPECT_FALSE (watched.expired());
    send (sysex::currentProgramNumberRequest (8));
    ASSERT_TRUE (sink.waitFor (1));
    input->stop();
    input.reset();
    output.reset();
    EXPECT_TRUE (watched.expired());

    // TearDown needs a port to stop.
    connect ({});
}

TEST_F (VirtualUnitPorts, MessagesSentWithNoSinkAreLost)
{
    input->stop();
    unit->turnKnob (20, 2);
    send (sysex::identityRequest());
    ASSERT_TRUE (unit->waitUntilIdle (kTimeout));
    EXPECT_EQ (unit->getBytesSent(), 12u + 15u) << "they went out on the wire";

    input->start (sink);
    EXPECT_EQ (replyTo (sysex::currentProgramNumberRequest (0)).size(), 11u);
    EXPECT_EQ (sink.count(), 1u);
}

TEST_F (VirtualUnitPorts, AfterStopReturnsTheSinkIsNeverCalled)
{
    // Deliveries are slowed by the sink, so stop() often lands mid-delivery.
    class SlowSink : public MidiMessageSink
    {
    public:
        void messageArrived (const juce::MidiMessage&) override
        {
            if (stopped.load())
                lateCalls.fetch_add (1);
            calls.fetch_add (1);
            std::this_thread::sleep_for (50us);
        }

        std::atomic<bool> stopped{false};
        std::atomic<int> calls{0};
        std::atomic<int> lateCalls{0};
    };

    for (int round = 0; round < 20; ++round)
    {
        SCOPED_TRACE (round);
        SlowSink slow;
        input->stop();
        input->start (slow);
        std::thread panel (
            [this]
            {
                for (int i = 0; i < 200; ++i)
                    unit->turnKnob (18, i % 31);
            });
        const auto deadline = Clock::now() + kTimeout;
        while (slow.calls.load() < 5 && Clock::now() < deadline)
            std::this_thread::yield();
        input->stop();
        slow.stopped = true;
        panel.join();
        ASSERT_TRUE (unit->waitUntilIdle (kTimeout));
        EXPECT_EQ (slow.lateCalls.load(), 0);
    }
}
} // namespace vr
