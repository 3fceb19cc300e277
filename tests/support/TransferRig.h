#pragma once

#include "data/DataCenter.h"
#include "data/FactoryPrograms.h"
#include "library/ProgramLists.h"
#include "midi/MidiReceiver.h"
#include "midi/VirtualUnit.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <random>

namespace vr::test
{
// The engine against a virtual unit through real threads, with the final
// step run as the shell runs it; shared by the transfer tests, the
// interleaving tool and the fault soak.
struct TransferRig
{
    // Runs each step on the next turn of the loop instead of after its delay
    // (for soaks that make thousands of transfers).
    struct QuickSteps : DeferredStepRunner
    {
        void requestStep (int code) override
        {
            if (pending != DeferredStep::transferFinished || code == DeferredStep::transferFinished)
                pending = code;
        }
        void transferAbandoned (int, bool) override { ++abandoned; }
        int pending{0};
        int abandoned{0};
    };

    explicit TransferRig (bool paced = true, std::uint32_t seed = 1, bool quickSteps = false)
        : random (seed)
    {
        unit = std::make_shared<VirtualUnit>();
        for (int n = 0; n < kNumUserPrograms; ++n)
            unit->setUserProgram (n, randomRecord());
        unitList.fill();
        romList.fill();
        engine.setProgramLists (&unitList, &romList);
        engine.setCommandTarget (quickSteps ? static_cast<DeferredStepRunner*> (&quick) : &steps);
        engine.setInput (unit->createInputPort());
        engine.setOutput (unit->createOutputPort());
        if (!paced)
            engine.pause = [] (int) {};
        steps.onStep = [this] (int code)
        {
            if (code == DeferredStep::transferFinished)
            {
                engine.finishTransfer();
                ++finished;
            }
        };
        steps.onTransferAbandoned = [this] (int, bool) { ++abandoned; };
    }

    ~TransferRig() { engine.stopInput(); }

    ProgramRecord randomRecord()
    {
        ProgramRecord r{};
        for (auto& b : r)
            b = static_cast<std::uint8_t> (random() % 100);
        for (int i = 0; i < kNameLength; ++i)
            r[static_cast<size_t> (i)] = static_cast<std::uint8_t> (33 + random() % 26); // letters
        return r;
    }

    void fillListRandomly()
    {
        for (int n = 0; n < kNumUserPrograms; ++n)
        {
            const auto r = randomRecord();
            for (int i = 0; i < kRecordSize; ++i)
                unitList.storeByte (n, i, r[static_cast<size_t> (i)]);
        }
    }

    // Pumps the message loop until `done` or the time-out; `eachTurn` runs
    // between turns (for injecting what arrives out of turn).
    bool pumpUntil (const std::function<bool()>& done, int timeoutMs = 20000,
                    const std::function<void()>& eachTurn = {})
    {
        const auto start = juce::Time::getMillisecondCounter();
        while (!done())
        {
            if (juce::Time::getMillisecondCounter() - start > static_cast<juce::uint32> (timeoutMs))
                return false;
            juce::MessageManager::getInstance()->runDispatchLoopUntil (1);
            if (std::exchange (quick.pending, 0) == DeferredStep::transferFinished)
            {
                engine.finishTransfer();
                ++finished;
            }
            if (eachTurn)
                eachTurn();
        }
        return true;
    }

    bool idle() const { return !engine.isTransferRunning() && !store.bulkTransfer; }

    // Waits for the end of the running transfer and for the unit to settle.
    bool finish (int timeoutMs = 20000, const std::function<void()>& eachTurn = {})
    {
        const bool ended = pumpUntil ([this] { return idle(); }, timeoutMs, eachTurn);
        engine.flushOutput();
        return unit->waitUntilIdle (std::chrono::milliseconds (2000)) && ended;
    }

    DataCenter store;
    UnitProgramList unitList{store};
    RomFileProgramList romList{store};
    MidiReceiver engine{store};
    DeferredStepTimer steps;
    QuickSteps quick;
    std::shared_ptr<VirtualUnit> unit;
    std::mt19937 random;
    int finished{0};
    int abandoned{0};

    int abandonedTransfers() const { return abandoned + quick.abandoned; }
};
} // namespace vr::test
