#include "data/DataCenter.h"
#include "data/FactoryPrograms.h"
#include "library/ProgramLists.h"
#include "midi/MidiReceiver.h"
#include "midi/VirtualUnit.h"
#include "support/RecordingPorts.h"
#include "support/TeeOutputPort.h"

#include <gtest/gtest.h>

namespace vr
{
namespace
{
using test::bytesOf;
using test::makerCode;

ProgramRecord numbered (const char* name, int n)
{
    ProgramRecord r = factoryProgram (200 + n % 200);
    encodeName (name, r.data());
    r[RecordByte::delayTime] = static_cast<std::uint8_t> (n % 100);
    return r;
}

// The engine against a virtual unit through real threads: the unit answers
// from its own thread, the engine handles what arrives on the message loop,
// and the deferred steps run on a timer as the shell runs them.
class EngineScenario : public ::testing::Test
{
protected:
    void connect (std::uint8_t model = sysex::kModelWren)
    {
        VirtualUnitSettings settings;
        settings.modelCode = model;
        settings.versionMajor = 1;
        settings.versionMinor = 7;
        settings.channel = 2;
        unit = std::make_shared<VirtualUnit> (settings);
        for (int n = 0; n < 200; ++n)
            unit->setUserProgram (n, numbered ("UNIT PROG", n));

        unitList.fill();
        romList.fill();
        engine.setProgramLists (&unitList, &romList);
        engine.setCommandTarget (&steps);
        engine.setInput (unit->createInputPort());
        engine.setOutput (std::make_unique<test::TeeOutputPort> (unit->createOutputPort(), sent));

        steps.onStep = [this] (int code)
        {
            ranSteps.push_back (code);
            if (code == DeferredStep::transferFinished)
                engine.finishTransfer();
        };
        steps.onTransferAbandoned = [this] (int at, bool transmit) { abandoned.push_back ({at, transmit}); };
    }

    void TearDown() override { engine.stopInput(); }

    template <typename Condition>
    bool pumpUntil (Condition done, int timeoutMs = 10000)
    {
        const auto start = juce::Time::getMillisecondCounter();
        while (!done())
        {
            if (juce::Time::getMillisecondCounter() - start > static_cast<juce::uint32> (timeoutMs))
                return false;
            juce::MessageManager::getInstance()->runDispatchLoopUntil (2);
        }
        return true;
    }

    bool ranStep (int code) const
    {
        return std::find (ranSteps.begin(), ranSteps.end(), code) != ranSteps.end();
    }

    bool transferFinished()
    {
        return !engine.isReceiving() && !engine.isTransmitting() && !store.bulkTransfer &&
               ranStep (DeferredStep::transferFinished);
    }

    std::vector<int> sentCodes() const
    {
        std::vector<int> codes;
        for (const auto& m : sent)
            codes.push_back (makerCode (m));
        return codes;
    }

    DataCenter store;
    UnitProgramList unitList{store};
    RomFileProgramList romList{store};
    MidiReceiver engine{store};
    DeferredStepTimer steps;
    std::shared_ptr<VirtualUnit> unit;
    std::vector<juce::MidiMessage> sent;
    std::vector<int> ranSteps;
    std::vector<std::pair<int, bool>> abandoned;
};
} // namespace

TEST_F (EngineScenario, IdentifyThenReceiveAllFromEditBufferToTheFinalDump)
{
    connect();
    unit->selectProgram (123);
    ASSERT_TRUE (unit->waitUntilIdle (std::chrono::milliseconds (2000)));
    const auto unitEditBuffer = unit->getEditBuffer();

    engine.sendIdentityRequest();
    ASSERT_TRUE (pumpUntil ([this] { return transferFinished(); }));

    EXPECT_TRUE (store.connected);
    EXPECT_EQ (store.midiChannel, 2);
    EXPECT_EQ (store.versionMajor, 1);
    EXPECT_EQ (store.versionMinor, 7);
    for (int n = 0; n < 200; ++n)
    {
        ASSERT_EQ (unitList.recordAt (n), unit->getProgram (n)) << "slot " << n;
        ASSERT_EQ (unitList.rows[static_cast<size_t> (n)].sourceNumber, n);
    }
    EXPECT_EQ (store.selectedProgram, 123);
    EXPECT_EQ (store.current, unitEditBuffer) << "the unit's edit buffer comes back";

    // Identity request, notice, 10, 200 requests, 12, and the final 40 (a
    // check of what the unit plays may come before, after the panel's change).
    const auto codes = sentCodes();
    const auto notice = std::find (codes.begin(), codes.end(), 0x4e);
    ASSERT_GE (std::distance (notice, codes.end()), 204);
    EXPECT_EQ (notice[1], 0x10);
    EXPECT_EQ (std::count (codes.begin(), codes.end(), 0x1c), 200);
    EXPECT_EQ (codes.back(), 0x40);
    ASSERT_TRUE (unit->waitUntilIdle (std::chrono::milliseconds (2000)));
    EXPECT_EQ (unit->getEditBuffer(), unitEditBuffer);
    EXPECT_TRUE (abandoned.empty());
}

TEST_F (EngineScenario, WrongNumbersAndFailuresAreAskedForAgain)
{
    connect();
    unit->answerNextDumpRequestsWithNextProgram (3);
    unit->failNextDumpRequests (2);
    engine.startReceiveAll();
    ASSERT_TRUE (pumpUntil ([this] { return transferFinished(); }));

    for (int n = 0; n < 200; ++n)
        ASSERT_EQ (unitList.recordAt (n), unit->getProgram (n)) << "slot " << n;
    const auto codes = sentCodes();
    EXPECT_EQ (std::count (codes.begin(), codes.end(), 0x1c), 205);
}

TEST_F (EngineScenario, AMissedNumberRequestIsRepeatedAfterTheNextMessage)
{
    connect();
    unit->setChannel (0);
    unit->setSilent (true); // the unit hears the request but its answer is lost
    engine.requestProgramNumber();
    ASSERT_TRUE (unit->waitUntilIdle (std::chrono::milliseconds (2000)));
    unit->setSilent (false);
    ASSERT_TRUE (engine.isAwaitingNumber());

    // The front panel makes the unit talk; the engine asks again and this
    // time hears the answer.
    unit->selectProgram (42);
    unit->turnKnob (27, 11);
    ASSERT_TRUE (pumpUntil ([this] { return !engine.isAwaitingNumber(); }));
    const auto codes = sentCodes();
    EXPECT_GE (std::count (codes.begin(), codes.end(), 0x12), 2);
    EXPECT_EQ (store.selectedProgram, 42);
}

TEST_F (EngineScenario, TransmitAllAndModifiedOnly)
{
    connect();
    for (int n = 0; n < 200; ++n)
        for (int i = 0; i < kRecordSize; ++i)
            unitList.storeByte (n, i, numbered ("FROM EDITR", n + 1)[static_cast<size_t> (i)]);

    engine.startTransmitAll (false);
    ASSERT_TRUE (pumpUntil ([this] { return transferFinished(); }));
    for (int n = 0; n < 200; ++n)
        ASSERT_EQ (unit->getProgram (n), unitList.recordAt (n)) << "slot " << n;

    ranSteps.clear();
    sent.clear();
    unitList.setRowName (3, "CHANGED 3");
    unitList.setRowName (150, "CHANGED150");
    store.modified[3] = 1;
    store.modified[150] = 1;
    engine.startTransmitAll (true);
    ASSERT_TRUE (pumpUntil ([this] { return transferFinished(); }));

    std::vector<int> dumped;
    for (const auto& m : sent)
        if (makerCode (m) == 0x4c)
            dumped.push_back (sysex::numberFromPair (bytesOf (m)[7], bytesOf (m)[8]));
    EXPECT_EQ (dumped, (std::vector<int>{3, 150}));
    EXPECT_EQ (store.modified[3], 0);
    EXPECT_EQ (store.modified[150], 0);
    EXPECT_EQ (unit->getProgram (150), unitList.recordAt (150));
}

TEST_F (EngineScenario, WriteCompletionSelectsTheWrittenSlotOnTheUnit)
{
    connect();
    store.midiChannel = 2;
    store.setCurrentData (numbered ("WRITTEN", 57));
    store.setSelectedProgram (57);
    engine.sendCurrentProgram(); // the unit's edit buffer follows the editor's
    engine.sendWriteRequest (57);
    ASSERT_TRUE (pumpUntil ([this] { return unit->getCurrentProgram() == 57; }));
    EXPECT_EQ (unit->getProgram (57), numbered ("WRITTEN", 57));
    EXPECT_EQ (store.currentProgramNumber, 57);
}

TEST_F (EngineScenario, FrontPanelChangesReachTheStore)
{
    connect();
    unit->turnKnob (24, 5);
    ASSERT_TRUE (pumpUntil ([this] { return store.getKnob (6) == 5; }));

    unit->turnKnob (13, 25); // the synthesiser amp: gain and treble limits apply
    ASSERT_TRUE (pumpUntil ([this] { return store.current[RecordByte::ampType] == 25; }));

    unit->selectProgram (205);
    ASSERT_TRUE (pumpUntil ([this] { return store.currentProgramNumber == 205; }));
    EXPECT_EQ (store.current, factoryProgram (205));
    ASSERT_TRUE (pumpUntil ([this] { return ranStep (DeferredStep::programSelected); }));

    unitList.setRowName (110, "SLOT 110");
    unit->selectProgram (110);
    ASSERT_TRUE (pumpUntil ([this] { return store.currentProgramNumber == 110; }));
    EXPECT_EQ (store.getName(), "SLOT 110  ");
}

TEST_F (EngineScenario, AHeronsModelByteGoesIntoEveryLaterMessage)
{
    connect (sysex::kModelHeron);
    engine.sendIdentityRequest();
    ASSERT_TRUE (pumpUntil ([this] { return transferFinished(); }));
    EXPECT_EQ (store.modelCode, 8);

    int makerMessages = 0;
    for (size_t i = 1; i < sent.size(); ++i) // the identity request comes first
    {
        if (makerCode (sent[i]) < 0)
            continue;
        EXPECT_EQ (bytesOf (sent[i])[3], 0x08) << "message " << i;
        ++makerMessages;
    }
    EXPECT_GT (makerMessages, 200);
}

TEST_F (EngineScenario, WatchdogGivesUpOnASilentUnit)
{
    connect();
    engine.setWatchdog (300, 20);
    const auto editBuffer = store.current;
    unit->setSilent (true);
    engine.startReceiveAll();
    ASSERT_TRUE (pumpUntil ([this] { return !abandoned.empty() && transferFinished(); }, 5000));
    EXPECT_EQ (abandoned[0], std::make_pair (0, false));
    EXPECT_EQ (store.current, editBuffer);
}

TEST_F (EngineScenario, WatchdogGivesUpOnAUnitThatKeepsAnsweringTheWrongProgram)
{
    connect();
    engine.setWatchdog (3000, 5);
    store.modified[0] = 1;
    unit->answerNextDumpRequestsWithNextProgram (1000);
    engine.startReceiveAll();
    ASSERT_TRUE (pumpUntil ([this] { return !abandoned.empty() && transferFinished(); }, 5000));
    EXPECT_EQ (abandoned[0], std::make_pair (0, false));

    // With a unit that answers again, the next transfer works.
    unit->clearFaults();
    ranSteps.clear();
    engine.startReceiveAll();
    ASSERT_TRUE (pumpUntil ([this] { return transferFinished(); }));
    EXPECT_EQ (unitList.recordAt (199), unit->getProgram (199));
}
} // namespace vr
