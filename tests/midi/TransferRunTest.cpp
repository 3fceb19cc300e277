#include "support/Interleaving.h"
#include "support/RecordingEngine.h"
#include "support/TransferRig.h"

#include <gtest/gtest.h>

#include <map>

namespace vr
{
namespace
{
using test::bytesOf;
using test::maker;
using test::makerCode;
using test::messageOf;
using Bytes = std::vector<std::uint8_t>;

Bytes dump (int n, std::uint8_t fill = 7)
{
    Bytes payload{static_cast<std::uint8_t> (n / 100), static_cast<std::uint8_t> (n % 100)};
    payload.resize (2 + kRecordSize, fill);
    return maker (0x4c, payload);
}

const Bytes identity = test::identityReply (0x00);

// What may arrive, by name, for the tables below.
const std::map<std::string, Bytes> arrivals{
    {"identity", identity},
    {"21", maker (0x21)},
    {"23", maker (0x23)},
    {"40", maker (0x40, Bytes (kRecordSize, 9))},
    {"41", maker (0x41, {0x01, 24, 0x00, 0x05})},
    {"42", maker (0x42, {0x00, 0x01, 39})},
    {"42/02", maker (0x42, {0x02, 0x00, 0x00})},
    {"4C awaited", dump (5)},
    {"4C old", dump (2)},
    {"program change", {0xc0, 0x07}},
};

// The recording engine, brought into each phase.
struct Engine : test::RecordingEngine
{
    // Brings the engine into a phase: receiving, transmitting, verifying and
    // backing up stand at program 5, 3, 5 and 5.
    void enter (TransferPhase phase)
    {
        switch (phase)
        {
            case TransferPhase::idle:
                break;
            case TransferPhase::identifying:
                receive (identity);
                break;
            case TransferPhase::receiving:
                engine.startReceiveAll();
                for (int n = 0; n < 5; ++n)
                    receive (dump (n));
                break;
            case TransferPhase::awaitingNumber:
                engine.startReceiveAll();
                for (int n = 0; n < 200; ++n)
                    receive (dump (n));
                break;
            case TransferPhase::transmitting:
                engine.startTransmitAll (false);
                for (int n = 0; n < 3; ++n)
                    receive (maker (0x21));
                break;
            case TransferPhase::verifying:
                engine.startTransmitAll (false);
                for (int n = 0; n < 200; ++n)
                    receive (maker (0x21));
                for (int n = 0; n < 5; ++n)
                    receive (dump (n));
                break;
            case TransferPhase::backingUp:
                engine.setBackupBeforeTransmit (true);
                engine.startTransmitAll (false);
                for (int n = 0; n < 5; ++n)
                    receive (dump (n));
                break;
            case TransferPhase::finishing:
                engine.startReceiveAll();
                engine.stopTransfer();
                break;
        }
        sent.clear();
        steps.steps.clear();
    }

    // Sent messages as codes: maker function codes in hex, "pc" for channel messages.
    std::string sentCodes() const
    {
        std::string out;
        for (const auto& m : sent)
        {
            const int code = makerCode (m);
            if (!out.empty())
                out += ' ';
            out += code < 0 ? std::string ("ch") : juce::String::toHexString (code).toStdString();
        }
        return out;
    }
};

const char* nameOf (TransferPhase p)
{
    static const char* names[] = {"idle",         "identifying", "receiving", "awaitingNumber",
                                  "transmitting", "verifying",   "backingUp", "finishing"};
    return names[static_cast<int> (p)];
}
} // namespace

// Every phase against everything that can arrive: the phase after, and what
// the engine sends in answer. Replies a phase does not await change nothing.
TEST (TransferPhases, EveryArrivalInEveryPhase)
{
    using P = TransferPhase;
    struct Row
    {
        P phase;
        const char* arrival;
        P after;
        const char* sends;
    };
    // clang-format off
    const Row table[] = {
        {P::idle, "identity", P::identifying, "4e 10"},
        {P::idle, "21", P::idle, ""},          // no write outstanding
        {P::idle, "23", P::idle, ""},
        {P::idle, "40", P::idle, ""},
        {P::idle, "41", P::idle, ""},
        {P::idle, "42", P::idle, ""},          // no number request outstanding
        {P::idle, "42/02", P::idle, ""},
        {P::idle, "4C awaited", P::idle, ""},
        {P::idle, "4C old", P::idle, ""},
        {P::idle, "program change", P::idle, ""},

        {P::identifying, "identity", P::identifying, ""},
        {P::identifying, "21", P::identifying, ""},
        {P::identifying, "23", P::identifying, "10"},
        {P::identifying, "40", P::receiving, "1c"},
        {P::identifying, "41", P::identifying, ""},
        {P::identifying, "42", P::identifying, ""},
        {P::identifying, "42/02", P::identifying, ""},
        {P::identifying, "4C awaited", P::identifying, ""},
        {P::identifying, "4C old", P::identifying, ""},
        {P::identifying, "program change", P::identifying, ""},

        {P::receiving, "identity", P::receiving, ""},
        {P::receiving, "21", P::receiving, ""},
        {P::receiving, "23", P::receiving, "1c"},
        {P::receiving, "40", P::receiving, ""},
        {P::receiving, "41", P::receiving, ""},
        {P::receiving, "42", P::receiving, ""},
        {P::receiving, "42/02", P::receiving, ""},
        {P::receiving, "4C awaited", P::receiving, "1c"},
        {P::receiving, "4C old", P::receiving, "1c"},
        {P::receiving, "program change", P::receiving, ""},

        // Until the number comes, every maker message repeats the request.
        {P::awaitingNumber, "identity", P::awaitingNumber, ""},
        {P::awaitingNumber, "21", P::awaitingNumber, "12"},
        {P::awaitingNumber, "23", P::awaitingNumber, "12"},
        {P::awaitingNumber, "40", P::awaitingNumber, "12"},
        {P::awaitingNumber, "41", P::awaitingNumber, "12"},
        {P::awaitingNumber, "42", P::finishing, ""},
        {P::awaitingNumber, "42/02", P::finishing, ""},
        {P::awaitingNumber, "4C awaited", P::awaitingNumber, "12"},
        {P::awaitingNumber, "4C old", P::awaitingNumber, "12"},
        {P::awaitingNumber, "program change", P::awaitingNumber, ""},

        {P::transmitting, "identity", P::transmitting, ""},
        {P::transmitting, "21", P::transmitting, "4c"},
        {P::transmitting, "23", P::transmitting, "4c"},
        {P::transmitting, "40", P::transmitting, ""},
        {P::transmitting, "41", P::transmitting, ""},
        {P::transmitting, "42", P::transmitting, ""},
        {P::transmitting, "42/02", P::transmitting, ""},
        {P::transmitting, "4C awaited", P::transmitting, ""},
        {P::transmitting, "4C old", P::transmitting, ""},
        {P::transmitting, "program change", P::transmitting, ""},

        // Reading back what a transmit sent, as a receive reads.
        {P::verifying, "identity", P::verifying, ""},
        {P::verifying, "21", P::verifying, ""},
        {P::verifying, "23", P::verifying, "1c"},
        {P::verifying, "40", P::verifying, ""},
        {P::verifying, "41", P::verifying, ""},
        {P::verifying, "42", P::verifying, ""},
        {P::verifying, "42/02", P::verifying, ""},
        {P::verifying, "4C awaited", P::verifying, "1c"},
        {P::verifying, "4C old", P::verifying, "1c"},
        {P::verifying, "program change", P::verifying, ""},

        // Reading the unit's programs into a backup before a transmit: as a
        // receive, the list untouched.
        {P::backingUp, "identity", P::backingUp, ""},
        {P::backingUp, "21", P::backingUp, ""},
        {P::backingUp, "23", P::backingUp, "1c"},
        {P::backingUp, "40", P::backingUp, ""},
        {P::backingUp, "41", P::backingUp, ""},
        {P::backingUp, "42", P::backingUp, ""},
        {P::backingUp, "42/02", P::backingUp, ""},
        {P::backingUp, "4C awaited", P::backingUp, "1c"},
        {P::backingUp, "4C old", P::backingUp, "1c"},
        {P::backingUp, "program change", P::backingUp, ""},
    };
    // clang-format on

    for (const auto& row : table)
    {
        Engine e;
        e.enter (row.phase);
        const auto unitRows = e.unitList.rows;
        const int index = e.engine.getTransferIndex();
        e.receive (arrivals.at (row.arrival));
        SCOPED_TRACE (std::string (nameOf (row.phase)) + " + " + row.arrival);
        EXPECT_EQ (nameOf (e.engine.getPhase()), std::string (nameOf (row.after)));
        EXPECT_EQ (e.sentCodes(), row.sends);

        // A reply the phase does not await moves nothing on.
        if (row.after == row.phase && std::string (row.sends).empty() && row.phase != P::idle)
        {
            EXPECT_EQ (e.engine.getTransferIndex(), index);
            EXPECT_TRUE (e.steps.steps.empty());
            for (size_t r = 0; r < unitRows.size(); ++r)
                ASSERT_EQ (e.unitList.rows[r].data, unitRows[r].data) << "row " << r;
        }
    }

    // Once the final step is pending, nothing that arrives changes anything.
    for (const auto& [name, bytes] : arrivals)
    {
        Engine e;
        e.enter (P::finishing);
        const auto current = e.store.current;
        e.receive (bytes);
        EXPECT_EQ (e.engine.getPhase(), P::finishing) << name;
        EXPECT_TRUE (e.sent.empty()) << name;
        EXPECT_TRUE (e.steps.steps.empty()) << name;
        EXPECT_EQ (e.store.current, current) << name;
    }
}

// However a transfer ends short of the unit's program number, the player is
// left on the program they were on, not on the last one that passed.
TEST (TransferPhases, AShortEndKeepsThePlayersProgram)
{
    for (const char* ending : {"stop", "given up", "42/02"})
    {
        SCOPED_TRACE (ending);
        Engine e;
        double now = 0.0;
        e.engine.setClock ([&now] { return now; });
        e.store.setSelectedProgram (12);
        e.store.setCurrentProgramNumber (12);
        e.engine.startReceiveAll();
        const int dumps = std::string (ending) == "42/02" ? 200 : 5;
        for (int n = 0; n < dumps; ++n)
            e.receive (dump (n));
        if (std::string (ending) == "stop")
            e.engine.stopTransfer();
        else if (std::string (ending) == "given up")
        {
            now = 10000.0;
            e.engine.checkWatchdog();
        }
        else
            e.receive (arrivals.at ("42/02"));
        e.engine.finishTransfer();
        EXPECT_EQ (e.store.currentProgramNumber, 12);
        EXPECT_EQ (e.store.selectedProgram, 12);
    }

    // The unit answering who it is during a transfer counts as an answer.
    Engine e;
    e.engine.startReceiveAll();
    const int answered = e.engine.getIdentityCount();
    e.receive (identity);
    EXPECT_EQ (e.engine.getIdentityCount(), answered + 1);
    EXPECT_EQ (e.engine.getPhase(), TransferPhase::receiving);
}

// A message whose handling would read its closing F7, or any byte of 80 or
// above, as a value is ignored like a short one.
TEST (TransferPhases, OnlyWholeMessagesOfDataBytesAreHandled)
{
    // Each message with the number of bytes its handling reads.
    const std::vector<std::pair<Bytes, size_t>> whole{{identity, 13},
                                                      {maker (0x41, {0x01, 24, 0x00, 0x05}), 11},
                                                      {maker (0x42, {0x00, 0x01, 39}), 10},
                                                      {maker (0x40, Bytes (kRecordSize, 9)), 39},
                                                      {dump (0), 41}};
    for (const auto& [message, read] : whole)
    {
        SCOPED_TRACE (
            juce::String::toHexString (message.data(), static_cast<int> (message.size())).toStdString());
        EXPECT_NE (sysex::classify (messageOf (message)).kind, sysex::Incoming::Kind::ignored);

        // One byte short: the closing F7 lands where the last value is read.
        Bytes shortByOne (message.begin(), message.begin() + static_cast<std::ptrdiff_t> (read - 1));
        shortByOne.push_back (0xf7);
        EXPECT_EQ (sysex::classify (messageOf (shortByOne)).kind, sysex::Incoming::Kind::ignored);

        for (size_t i = 1; i < read; ++i)
        {
            auto highByte = message;
            highByte[i] = 0x90;
            ASSERT_EQ (sysex::classify (messageOf (highByte)).kind, sysex::Incoming::Kind::ignored)
                << "byte " << i;
        }
    }

    // So nothing of them reaches the store.
    Engine e;
    const auto before = e.store.current;
    auto shortKnob = maker (0x41, {0x01, 24, 0x00, 0x05});
    shortKnob.erase (shortKnob.end() - 2);
    e.receive (shortKnob);
    EXPECT_EQ (e.store.current, before);
}

TEST (TransferPhases, WhatAnEarlierTransferOrRequestLeftCannotSteerTheNext)
{
    // A number request outstanding from before, then a Receive All.
    Engine e;
    e.engine.requestProgramNumber();
    const auto editBuffer = e.store.current;
    e.engine.startReceiveAll();
    EXPECT_FALSE (e.engine.isAwaitingNumber());
    e.receive (maker (0x42, {0x00, 0x01, 0x63})); // the old request's answer arrives late
    EXPECT_TRUE (e.engine.isReceiving()) << "neither ended nor shortened";
    EXPECT_TRUE (e.steps.steps.empty());

    e.sent.clear();
    for (int n = 0; n < 200; ++n)
        e.receive (dump (n, static_cast<std::uint8_t> (n % 50)));
    EXPECT_EQ (e.sentCodes().find ("12"), e.sentCodes().size() - 2) << "only after the 200th program";
    e.receive (maker (0x42, {0x00, 0x00, 0x07}));
    e.engine.finishTransfer();
    EXPECT_EQ (e.store.current, editBuffer) << "the saved edit buffer comes back, not program 199";
    ASSERT_EQ (makerCode (e.sent.back()), 0x40);
    EXPECT_EQ (bytesOf (e.sent.back())[7], editBuffer[0]);

    // A Transmit All asked for while a write awaits its answer begins only
    // after that answer, and skips no program.
    Engine w;
    w.engine.sendWriteRequest (57);
    w.engine.startTransmitAll (false);
    EXPECT_EQ (w.sentCodes(), "11 4e") << "one request awaiting an answer at a time";
    w.sent.clear();
    w.receive (maker (0x21)); // the write's
    EXPECT_EQ (w.sentCodes(), "4e 4c");
    EXPECT_EQ (w.engine.getTransferIndex(), 0);
    w.sent.clear();
    w.receive (maker (0x21)); // program 0's
    ASSERT_EQ (w.sent.size(), 1u);
    EXPECT_EQ (bytesOf (w.sent[0])[8], 1);
}

TEST (TransferPhases, AnAbandonedTransferLeavesTheUnitsEditBufferAndIgnoresLateReplies)
{
    Engine e;
    double now = 0.0;
    e.engine.setClock ([&now] { return now; });
    e.engine.setWatchdog (1000, 5);
    e.receive (identity);
    now = 1500.0;
    e.engine.checkWatchdog();
    ASSERT_EQ (e.steps.abandoned.size(), 1u);
    EXPECT_EQ (e.steps.abandoned[0].first, -1) << "the unit's edit buffer was awaited";

    e.sent.clear();
    e.engine.finishTransfer();
    EXPECT_TRUE (e.sent.empty()) << "the editor's program must not replace the unit's";
    EXPECT_FALSE (e.store.bulkTransfer);

    // The unit's answer comes after all: it is not taken for anything. A
    // program never asked for is the unit's own (written on its panel).
    const auto current = e.store.current;
    e.receive (maker (0x40, Bytes (kRecordSize, 9)));
    EXPECT_EQ (e.store.current, current);
    e.receive (dump (3));
    EXPECT_EQ (e.unitList.recordAt (3), e.store.current);
    EXPECT_EQ (e.store.currentProgramNumber, 3);
}

TEST (TransferPhases, TheEndOfATransferIsNeverReplacedByALesserStep)
{
    auto mm = juce::MessageManager::getInstance();
    DeferredStepTimer steps;
    std::vector<int> ran;
    steps.onStep = [&ran] (int code) { ran.push_back (code); };
    steps.requestStep (DeferredStep::transferFinished);
    steps.requestStep (DeferredStep::programSelected);
    steps.requestStep (DeferredStep::greyOutViews);
    mm->runDispatchLoopUntil (400);
    EXPECT_EQ (ran, std::vector<int>{DeferredStep::transferFinished});
}

TEST (TransferPhases, AFloodIsBoundedAndSysexOutlivesChannelMessages)
{
    struct FloodPort : MidiInputPort
    {
        juce::String getName() const override { return "flood"; }
        void start (MidiMessageSink& s) override { sink = &s; }
        void stop() override { sink = nullptr; }
        MidiMessageSink* sink{nullptr};
    };

    Engine e;
    auto port = std::make_unique<FloodPort>();
    auto* flood = port.get();
    e.engine.setInput (std::move (port));
    flood->sink->messageArrived (messageOf (dump (0)));
    for (int i = 0; i < 10000; ++i)
        flood->sink->messageArrived (juce::MidiMessage::controllerEvent (1, 7, i % 128));
    EXPECT_EQ (e.engine.getQueuedMessageCount(), static_cast<int> (MidiReceiver::kMaxQueuedMessages));
    EXPECT_EQ (e.engine.getDroppedMessageCount(),
               10001 - static_cast<int> (MidiReceiver::kMaxQueuedMessages));

    e.engine.handleQueuedMessages();
    EXPECT_EQ (e.store.currentProgramNumber, 0);
    EXPECT_EQ (e.unitList.recordAt (0)[20], 7) << "the dump that came first was kept";
    e.engine.stopInput();
}

//==============================================================================
// Against the virtual unit through real threads.
TEST (TransferRuns, StopMidReceiveKeepsWhatArrivedAndGivesTheEditBufferBack)
{
    test::TransferRig rig;
    rig.unit->setDinPacing (true);
    rig.store.modified[150] = 1;
    const auto editBuffer = rig.store.current;
    ASSERT_TRUE (rig.engine.startReceiveAll());
    ASSERT_TRUE (rig.pumpUntil ([&] { return rig.engine.getProgress().done >= 20; }));
    rig.engine.stopTransfer();
    ASSERT_TRUE (rig.finish());

    const int received = rig.engine.getProgress().done;
    EXPECT_GE (received, 20);
    for (int n = 0; n < 200; ++n)
    {
        const auto& row = rig.unitList.rows[static_cast<size_t> (n)];
        if (n < received)
        {
            ASSERT_EQ (rig.unitList.recordAt (n), rig.unit->getProgram (n)) << n;
            ASSERT_EQ (row.sourceNumber, n);
        }
        else
        {
            ASSERT_EQ (row.sourceNumber, -1) << "kept what it had: " << n;
        }
    }
    EXPECT_EQ (rig.store.modified[150], 1);
    EXPECT_EQ (rig.store.current, editBuffer);
    EXPECT_EQ (rig.unit->getEditBuffer(), editBuffer);
    EXPECT_EQ (rig.abandoned, 0) << "a stop is not reported as a failure";
}

TEST (TransferRuns, StopMidTransmitLeavesEverySlotMarked)
{
    test::TransferRig rig;
    rig.unit->setDinPacing (true);
    rig.fillListRandomly();
    rig.store.modified.fill (1);
    ASSERT_TRUE (rig.engine.startTransmitAll (true));
    ASSERT_TRUE (rig.pumpUntil ([&] { return rig.engine.getTransferIndex() >= 10; }));
    rig.engine.stopTransfer();
    ASSERT_TRUE (rig.finish());

    // Nothing was read back: every mark stays, those of slots sent too.
    int held = 0;
    for (int n = 0; n < 200; ++n)
    {
        held += rig.unit->getProgram (n) == rig.unitList.recordAt (n) ? 1 : 0;
        ASSERT_EQ (rig.store.modified[static_cast<size_t> (n)], 1) << n;
    }
    EXPECT_GE (held, 10);
    EXPECT_LT (held, 200);
    EXPECT_FALSE (rig.engine.isTransferRunning());
}

// A short run of the seeded interleavings (bench/ has the long one).
TEST (TransferRuns, StrayMessagesAndCommandsAtRandomMomentsBreakNoInvariant)
{
    for (std::uint32_t seed = 1; seed <= 12; ++seed)
    {
        const auto result = test::runInterleaving (seed);
        EXPECT_EQ (result.violations, 0) << "seed " << seed << ": " << result.detail;
    }
}
} // namespace vr
