#pragma once

#include "RecordingEngine.h"
#include "TransferRig.h"

#include <string>

namespace vr::test
{
// One seeded run of a transfer against the virtual unit with stray messages
// of every kind and user commands injected at random moments, and the
// invariants checked afterwards. The seed fixes every choice; only thread
// timing varies between runs of one seed.
struct InterleavingResult
{
    int violations{0};
    std::string detail;
};

inline InterleavingResult runInterleaving (std::uint32_t seed, bool paced = false)
{
    InterleavingResult result;
    auto violation = [&result] (const std::string& what)
    {
        ++result.violations;
        if (result.detail.size() < 400)
            result.detail += what + "; ";
    };

    TransferRig rig (paced, seed);
    auto& random = rig.random;
    rig.fillListRandomly();
    for (auto& flag : rig.store.modified)
        flag = random() % 4 == 0 ? 1 : 0;
    rig.store.setCurrentData (rig.randomRecord());
    const auto editBuffer = rig.store.current;
    const auto modifiedBefore = rig.store.modified;

    const int kind = static_cast<int> (random() % 3); // receive, transmit all, transmit modified
    const bool started = kind == 0 ? rig.engine.startReceiveAll() : rig.engine.startTransmitAll (kind == 2);
    if (!started)
        violation ("could not start");

    auto maker = [] (int code, std::vector<std::uint8_t> payload)
    { return messageOf (test::maker (code, std::move (payload))); };

    bool disturbed = false; // a stray the engine cannot tell from the unit's own answer
    bool stopped = false;
    auto inject = [&]
    {
        if (random() % 6 != 0 || !rig.engine.isTransferRunning())
            return;
        const auto phaseBefore = rig.engine.getPhase();
        std::vector<std::uint8_t> record (kRecordSize);
        for (auto& b : record)
            b = static_cast<std::uint8_t> (random() % 100);
        const int n = static_cast<int> (random() % 200);

        switch (random() % 14)
        {
            case 0:
                rig.engine.handleMessage (messageOf (identityReply (0x08, 0, 2, 3)));
                break;
            case 1:
                disturbed = disturbed || phaseBefore == TransferPhase::transmitting;
                rig.engine.handleMessage (maker (0x21, {}));
                break;
            case 2:
                rig.engine.handleMessage (maker (0x23, {}));
                break;
            case 3:
                rig.engine.handleMessage (maker (0x40, record));
                break;
            case 4:
                rig.engine.handleMessage (
                    maker (0x41, {0x01, static_cast<std::uint8_t> (random() % 30), 0, 5}));
                break;
            case 5:
                rig.engine.handleMessage (maker (0x42, {static_cast<std::uint8_t> (random() % 2 * 2), 0, 7}));
                break;
            case 6:
            {
                std::vector<std::uint8_t> payload{static_cast<std::uint8_t> (n / 100),
                                                  static_cast<std::uint8_t> (n % 100)};
                payload.insert (payload.end(), record.begin(), record.end());
                disturbed = disturbed || n == rig.engine.getTransferIndex();
                rig.engine.handleMessage (maker (0x4c, payload));
                break;
            }
            case 7:
                rig.engine.handleMessage (juce::MidiMessage::controllerEvent (1, 0, 1));
                break;
            case 8:
                rig.engine.handleMessage (juce::MidiMessage::programChange (1, n % 100));
                break;
            case 9:
                rig.engine.handleMessage (maker (0x4c, {0, 1, 2})); // cut short
                break;
            case 10:
                if (rig.engine.startReceiveAll())
                    violation ("a Receive All started beside a running transfer");
                break;
            case 11:
                if (rig.engine.startTransmitAll (random() % 2 == 0))
                    violation ("a Transmit All started beside a running transfer");
                break;
            case 12:
                rig.engine.requestProgramNumber();
                break;
            case 13:
                if (random() % 4 == 0)
                {
                    stopped = true;
                    rig.engine.stopTransfer();
                }
                break;
        }

        if (phaseBefore != TransferPhase::identifying && rig.engine.getPhase() == TransferPhase::identifying)
            violation ("a stray identity reply restarted the transfer");
    };

    if (!rig.finish (30000, inject))
        violation ("the transfer never ended");

    if (rig.store.current != editBuffer)
        violation ("the edit buffer at the end is not the one saved at the start");
    if (rig.unit->getEditBuffer() != editBuffer)
        violation ("the unit was not given its edit buffer back");

    if (kind == 0 && !disturbed && !stopped && rig.abandonedTransfers() == 0)
    {
        for (int n = 0; n < kNumUserPrograms; ++n)
            if (rig.unitList.recordAt (n) != rig.unit->getProgram (n))
            {
                violation ("row " + std::to_string (n) + " differs from the unit after a receive");
                break;
            }
    }

    if (kind != 0)
    {
        for (int n = 0; n < kNumUserPrograms; ++n)
        {
            const auto slot = static_cast<size_t> (n);
            // Cleared by the engine, or sent by a full transmit that ran to its end.
            const bool cleared = modifiedBefore[slot] != 0 && rig.store.modified[slot] == 0;
            const bool sentByFullRun = kind == 1 && !stopped && rig.abandonedTransfers() == 0;
            if ((cleared || sentByFullRun) && rig.unit->getProgram (n) != rig.unitList.recordAt (n))
            {
                violation ("slot " + std::to_string (n) + " marked sent but the unit holds something else");
                break;
            }
        }
    }
    return result;
}
} // namespace vr::test
