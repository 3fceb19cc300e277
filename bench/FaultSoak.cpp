// Receive All and Transmit All against the virtual unit, many times over,
// with each fault the unit can show, unpaced. For each fault and direction:
//
//   FAULT runs lost_rows corrupted_rows max_stall_ms
//
// lost: a row the list had that is gone without the unit's program in its
// place, or a slot marked sent that the unit does not hold; corrupted: a row
// marked as the unit's that differs from it. A stall is the longest time a
// run went without progress until it moved on or was given up; it must end
// within the watchdog's time.
//
// Then Writes and a Transmit All against a unit whose memory spoils some of
// the programs it acknowledges, per memory fault:
//
//   fault FAULT: injected I found F lost L
//
// injected: stores the unit spoiled; found: slots the engine found not
// stored as sent (must equal injected); lost: a slot the unit holds other
// than its row while the row is not marked modified (must be 0).
//
// Usage: vr_fault_soak [runs-per-case]

#include "support/RecordingEngine.h"
#include "support/TransferRig.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{
using namespace vr;

constexpr int kWatchdogMs = 50;
constexpr int kMemoryWatchdogMs = 2000;

enum class Fault
{
    none,
    dropReply,
    wrongNumber,
    failed,
    silent,
    stray
};

const char* nameOf (Fault f)
{
    static const char* names[] = {"none", "drop", "wrong-number", "failed-23", "silent", "stray"};
    return names[static_cast<int> (f)];
}

struct Totals
{
    int runs{0};
    int lost{0};
    int corrupted{0};
    double maxStallMs{0.0};
};

juce::MidiMessage maker (int code, std::vector<std::uint8_t> payload = {})
{
    return test::messageOf (test::maker (code, std::move (payload)));
}

void runOnce (Fault fault, bool transmit, std::uint32_t seed, Totals& totals)
{
    test::TransferRig rig (false, seed, true);
    rig.engine.setWatchdog (kWatchdogMs, 20);
    rig.fillListRandomly();
    for (auto& flag : rig.store.modified)
        flag = rig.random() % 3 == 0 ? 1 : 0;
    const auto rowsBefore = rig.unitList.rows;
    const auto modifiedBefore = rig.store.modified;
    const int faultAt = static_cast<int> (rig.random() % 200);

    if (transmit)
        rig.engine.startTransmitAll (false);
    else
        rig.engine.startReceiveAll();

    bool faultDone = fault == Fault::none;
    int lastDone = -1;
    double lastMove = juce::Time::getMillisecondCounterHiRes();
    double maxStall = 0.0;

    rig.finish (
        20000,
        [&]
        {
            const double now = juce::Time::getMillisecondCounterHiRes();
            const int done = rig.engine.getProgress().done;
            const auto phase = rig.engine.getPhase();
            if (done != lastDone || phase == TransferPhase::finishing || phase == TransferPhase::idle)
            {
                maxStall = std::max (maxStall, now - lastMove);
                lastDone = done;
                lastMove = now;
            }
            rig.engine.checkWatchdog();

            // Only into the running transfer: once it is over the unit may send what it likes.
            if (faultDone || rig.engine.getTransferIndex() < faultAt || phase == TransferPhase::finishing ||
                phase == TransferPhase::idle)
                return;
            faultDone = true;
            switch (fault)
            {
                case Fault::dropReply:
                    rig.unit->dropNextReplies (1);
                    break;
                case Fault::wrongNumber:
                    rig.unit->answerNextDumpRequestsWithNextProgram (3);
                    break;
                case Fault::failed:
                    if (transmit)
                        rig.engine.handleMessage (maker (0x23));
                    else
                        rig.unit->failNextDumpRequests (3);
                    break;
                case Fault::silent:
                    rig.unit->setSilent (true);
                    break;
                case Fault::stray:
                {
                    // Every kind but an answer the engine cannot tell from the
                    // awaited one: an old program, a number, an identity reply,
                    // an acknowledgement outside a transmit, channel messages.
                    const int oldProgram = rig.engine.getTransferIndex() - 1;
                    std::vector<std::uint8_t> old{static_cast<std::uint8_t> (std::max (0, oldProgram) / 100),
                                                  static_cast<std::uint8_t> (std::max (0, oldProgram) % 100)};
                    old.resize (2 + kRecordSize, 99);
                    if (oldProgram >= 0 && !transmit)
                        rig.engine.handleMessage (maker (0x4c, old));
                    rig.engine.handleMessage (maker (0x42, {0, 1, 2}));
                    rig.engine.handleMessage (maker (0x40, std::vector<std::uint8_t> (kRecordSize, 98)));
                    if (!transmit)
                        rig.engine.handleMessage (maker (0x21));
                    rig.engine.handleMessage (juce::MidiMessage::programChange (1, 5));
                    break;
                }
                case Fault::none:
                    break;
            }
        });
    rig.unit->setSilent (false);

    int lost = 0;
    int corrupted = 0;
    for (int n = 0; n < kNumUserPrograms; ++n)
    {
        const auto slot = static_cast<size_t> (n);
        const auto& row = rig.unitList.rows[slot];
        if (!transmit)
        {
            if (row.sourceNumber == n)
                corrupted += rig.unitList.recordAt (n) != rig.unit->getProgram (n) ? 1 : 0;
            else
                lost += row.data != rowsBefore[slot].data ? 1 : 0;
        }
        else
        {
            corrupted += row.data != rowsBefore[slot].data ? 1 : 0;
            const bool cleared = rig.store.modified[slot] == 0;
            lost += cleared && rig.unit->getProgram (n) != rig.unitList.recordAt (n) &&
                            (modifiedBefore[slot] != 0 || rig.abandonedTransfers() == 0)
                        ? 1
                        : 0;
        }
    }

    ++totals.runs;
    totals.lost += lost;
    totals.corrupted += corrupted;
    totals.maxStallMs = std::max (totals.maxStallMs, maxStall);
}
struct MemoryTotals
{
    int injected{0};
    int found{0};
    int lost{0};
};

const char* nameOf (MemoryFault f)
{
    return f == MemoryFault::protect ? "protect" : "corrupt";
}

void spoilNextStore (VirtualUnit& unit, MemoryFault fault)
{
    if (fault == MemoryFault::protect)
        unit.protectNextStores (1);
    else
        unit.corruptNextStores (1);
}

// Until the engine and the unit have had nothing to do for a few turns: a
// read-back may follow an acknowledgement on a later turn.
void settle (test::TransferRig& rig)
{
    int quietTurns = 0;
    rig.pumpUntil (
        [&]
        {
            const bool quiet = !rig.engine.isWritePending() && rig.engine.getQueuedMessageCount() == 0 &&
                               rig.engine.isWireIdle() &&
                               rig.unit->waitUntilIdle (std::chrono::milliseconds (0));
            quietTurns = quiet ? quietTurns + 1 : 0;
            return quietTurns >= 5;
        });
}

// As the Write command does it: the row takes the edit buffer, which the
// unit's edit buffer already holds, and stays marked until acknowledged.
void write (test::TransferRig& rig, int slot, const ProgramRecord& record)
{
    rig.store.setCurrentData (record);
    rig.engine.sendCurrentProgram();
    for (int i = 0; i < kRecordSize; ++i)
        rig.unitList.storeByte (slot, i, record[static_cast<size_t> (i)]);
    rig.engine.sendWriteRequest (slot);
    rig.store.setSelectedProgram (slot);
    rig.store.setCurrentProgramNumber (slot);
    rig.store.markAgainstUnit (slot, rig.unitList.recordAt (slot));
}

void runSpoiledStores (MemoryFault fault, std::uint32_t seed, MemoryTotals& totals)
{
    test::TransferRig rig (false, seed, true);
    // Stalls are not the point here: a transmit given up on a busy machine
    // would leave stores unread.
    rig.engine.setWatchdog (kMemoryWatchdogMs, 20);
    rig.fillListRandomly();
    // Every row differs from the unit, and says so, until the unit holds it.
    std::fill (rig.store.modified.begin(), rig.store.modified.end(), std::uint8_t{1});

    // A Transmit All with a few stores spoiled on the way.
    std::vector<int> spoilAt;
    for (int i = 0; i < 3; ++i)
        spoilAt.push_back (static_cast<int> (rig.random() % kNumUserPrograms));
    std::sort (spoilAt.begin(), spoilAt.end());
    size_t armed = 0;
    rig.engine.startTransmitAll (false);
    rig.finish (20000,
                [&]
                {
                    rig.engine.checkWatchdog();
                    if (armed < spoilAt.size() && rig.engine.isTransmitting() &&
                        rig.engine.getTransferIndex() >= spoilAt[armed])
                    {
                        spoilNextStore (*rig.unit, fault);
                        ++armed;
                    }
                });
    settle (rig);
    // A fault armed too late for the transmit's last store would hit a write.
    rig.unit->clearFaults();

    // Writes, every other one on average spoiled.
    for (int i = 0; i < 4; ++i)
    {
        const int slot = static_cast<int> (rig.random() % kNumUserPrograms);
        const auto record = rig.randomRecord();
        if (rig.random() % 2 == 0)
            spoilNextStore (*rig.unit, fault);
        write (rig, slot, record);
        settle (rig);
        rig.unit->clearFaults();
    }

    int lost = 0;
    for (int n = 0; n < kNumUserPrograms; ++n)
        lost += rig.store.modified[static_cast<size_t> (n)] == 0 &&
                        rig.unit->getProgram (n) != rig.unitList.recordAt (n)
                    ? 1
                    : 0;

    totals.injected += rig.unit->getSpoiledStoreCount();
    totals.found += rig.engine.getNotStoredCount();
    totals.lost += lost;
}
} // namespace

int main (int argc, char** argv)
{
    const juce::ScopedJuceInitialiser_GUI juce;
    const int runs = argc > 1 ? std::atoi (argv[1]) : 1000;
    bool clean = true;

    for (const auto fault :
         {Fault::none, Fault::dropReply, Fault::wrongNumber, Fault::failed, Fault::silent, Fault::stray})
    {
        for (const bool transmit : {false, true})
        {
            Totals totals;
            for (int i = 0; i < runs; ++i)
                runOnce (fault, transmit, static_cast<std::uint32_t> (i + 1), totals);
            const auto name = std::string (transmit ? "transmit-" : "receive-") + nameOf (fault);
            std::printf ("%s %d %d %d %.1f\n", name.c_str(), totals.runs, totals.lost, totals.corrupted,
                         totals.maxStallMs);
            std::fflush (stdout);
            clean = clean && totals.lost == 0 && totals.corrupted == 0;
        }
    }

    for (const auto fault : {MemoryFault::protect, MemoryFault::corrupt})
    {
        MemoryTotals totals;
        for (int i = 0; i < runs; ++i)
            runSpoiledStores (fault, static_cast<std::uint32_t> (i + 1), totals);
        std::printf ("fault %s: injected %d found %d lost %d\n", nameOf (fault), totals.injected,
                     totals.found, totals.lost);
        std::fflush (stdout);
        clean = clean && totals.found == totals.injected && totals.lost == 0;
    }
    return clean ? 0 : 1;
}
