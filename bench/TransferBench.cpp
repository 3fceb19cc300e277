// Times Receive All and Transmit All of 200 programs against the virtual
// unit, with and without DIN pacing, and prints each next to its floor: the
// wire time of every byte exchanged plus the pauses the engine must make.
//
//   CASE measured_ms floor_ms ratio
//
// and, for each flow, the longest time the message loop went without running
// (the window would not repaint or react meanwhile), against a 20 ms goal:
//
//   stall-CASE longest_message_thread_stall_ms 20 ratio
//
// stall-editor is the editor view following a program whose six effects are
// switched the other way, then an undo of one on/off switch. Last, the time
// from a knob's value change to its message leaving for the port, the worst
// of 1 000 changes, against a 2 ms goal:
//
//   latency-knob worst_ms 2 ratio

#include "data/DataCenter.h"
#include "editor/EditParamComponent.h"
#include "editor/EditSession.h"
#include "library/ProgramLists.h"
#include "midi/MidiReceiver.h"
#include "midi/SysexMessages.h"
#include "midi/VirtualUnit.h"

#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>

// The framework's own one-step message loop (not in its headers).
namespace juce
{
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
}

namespace
{
using namespace vr;

constexpr double kWireMsPerByte = 0.32;
constexpr double kNumberNoticePauseMs = 200.0;
constexpr double kRequestPauseMs = 1.0;

struct Rig
{
    virtual ~Rig() = default;
    explicit Rig (bool dinPacing)
    {
        VirtualUnitSettings settings;
        settings.dinPacing = dinPacing;
        unit = std::make_shared<VirtualUnit> (settings);
        unitList.fill();
        romList.fill();
        engine.setProgramLists (&unitList, &romList);
        engine.setInput (unit->createInputPort());
        engine.setOutput (unit->createOutputPort());
    }

    // Runs the message loop as the program's own loop does, blocking until
    // the next event, from `begin` until `done` holds; returns the time taken,
    // or a negative number on time-out. (Pumping the loop in slices would add
    // a millisecond's sleep to every message, and the framework's loop can be
    // stopped only once per process.)
    double runUntil (const std::function<void()>& begin, const std::function<bool()>& done,
                     double timeoutMs = 20000.0)
    {
        const double startedAt = juce::Time::getMillisecondCounterHiRes();
        begin();
        while (!done())
        {
            if (juce::Time::getMillisecondCounterHiRes() - startedAt > timeoutMs)
                return -1.0;
            juce::dispatchNextMessageOnSystemQueue (false);
        }
        return juce::Time::getMillisecondCounterHiRes() - startedAt;
    }

    DataCenter store;
    UnitProgramList unitList{store};
    RomFileProgramList romList{store};
    MidiReceiver engine{store};
    std::shared_ptr<VirtualUnit> unit;
};

int messageSize (const juce::MidiMessage& m)
{
    return m.getRawDataSize();
}

void report (const char* name, double measured, double floor)
{
    std::printf ("%s %.1f %.1f %.3f\n", name, measured, floor, measured / floor);
    std::fflush (stdout);
}

// Returns the time taken, or a negative number when the transfer did not end.
double receiveTime (Rig& rig)
{
    // The last program is stored when the engine leaves the receiving state.
    return rig.runUntil ([&] { rig.engine.startReceiveAll(); }, [&] { return !rig.engine.isReceiving(); });
}

double transmitTime (Rig& rig)
{
    // The last program is acknowledged when the engine leaves the transmitting state.
    return rig.runUntil ([&] { rig.engine.startTransmitAll (false); },
                         [&] { return !rig.engine.isTransmitting(); });
}

bool timeReceive (bool din, const char* name)
{
    Rig rig (din);
    const ProgramRecord any{};
    const int requestBytes = messageSize (sysex::programDumpRequest (0, 0));
    const int dumpBytes = messageSize (sysex::programDump (0, 0, any));
    const int noticeBytes = messageSize (sysex::programNumberNotice (0, 0));

    const double measured = receiveTime (rig);
    if (measured < 0.0)
        return false;

    const double wire = din ? (noticeBytes + 200.0 * (requestBytes + dumpBytes)) * kWireMsPerByte : 0.0;
    report (name, measured, wire + kNumberNoticePauseMs + 199.0 * kRequestPauseMs);
    return true;
}

bool timeTransmit (bool din, const char* name)
{
    Rig rig (din);
    const ProgramRecord any{};
    const int dumpBytes = messageSize (sysex::programDump (0, 0, any));
    const int ackBytes = messageSize (sysex::makerMessage (0, sysex::Code::operationCompleted));
    const int noticeBytes = messageSize (sysex::programNumberNotice (0, 0));

    const double measured = transmitTime (rig);
    if (measured < 0.0)
        return false;

    const double wire = din ? (noticeBytes + 200.0 * (dumpBytes + ackBytes)) * kWireMsPerByte : 0.0;
    report (name, measured, wire + kNumberNoticePauseMs);
    return true;
}
// Posts a message every 2 ms from its own thread and keeps the longest wait
// before the message loop ran one: how long the loop was kept from running.
class StallProbe
{
public:
    StallProbe()
        : thread (
              [this]
              {
                  while (!quitting)
                  {
                      const double postedAt = juce::Time::getMillisecondCounterHiRes();
                      // The message may run after the probe is gone: it holds the figure itself.
                      juce::MessageManager::callAsync (
                          [figure = longest, postedAt]
                          {
                              const double waited = juce::Time::getMillisecondCounterHiRes() - postedAt;
                              if (waited > figure->load())
                                  figure->store (waited);
                          });
                      std::this_thread::sleep_for (std::chrono::milliseconds (2));
                  }
              })
    {
    }

    ~StallProbe()
    {
        quitting = true;
        thread.join();
    }

    double longestMs() const { return longest->load(); }

private:
    std::atomic<bool> quitting{false};
    std::shared_ptr<std::atomic<double>> longest = std::make_shared<std::atomic<double>> (0.0);
    std::thread thread;
};

constexpr double kStallGoalMs = 20.0;
constexpr double kKnobLatencyGoalMs = 2.0;

bool timeStall (const char* name, const std::function<void (Rig&)>& begin,
                const std::function<bool (Rig&)>& done)
{
    Rig rig (true);
    double longest = 0.0;
    {
        StallProbe probe;
        if (rig.runUntil ([&] { begin (rig); }, [&] { return done (rig); }) < 0.0)
            return false;
        // Let the probe's last messages through (the probe keeps the loop busy).
        rig.runUntil ([] {}, [] { return false; }, 20.0);
        longest = probe.longestMs();
    }
    report (name, longest, kStallGoalMs);
    return true;
}

bool timeStalls()
{
    return timeStall (
               "stall-receive", [] (Rig& rig) { rig.engine.startReceiveAll(); },
               [] (Rig& rig) { return !rig.engine.isReceiving(); }) &&
           timeStall (
               "stall-transmit", [] (Rig& rig) { rig.engine.startTransmitAll (false); },
               [] (Rig& rig) { return !rig.engine.isTransmitting(); }) &&
           timeStall (
               "stall-write",
               [] (Rig& rig)
               {
                   rig.store.setSelectedProgram (57);
                   rig.engine.sendWriteRequest (57);
               },
               [] (Rig& rig) { return !rig.engine.isWritePending() && rig.unit->getCurrentProgram() == 57; });
}
// The editor view on the rig's engine, with the undo history behind it.
struct EditorRig : Rig
{
    EditorRig()
        : Rig (true)
    {
        panel.setSession (&session);
        session.onApplied = [this] (bool) { panel.showCurrentProgram(); };
        engine.addChangeListener (&panel);
    }
    ~EditorRig() override { engine.removeChangeListener (&panel); }

    EditSession session{store, engine, unitList};
    EditHistory& history{session.history()};
    EditParamComponent panel{store, engine};
};

bool timeEditorStall()
{
    EditorRig rig;
    double longest = 0.0;
    {
        StallProbe probe;
        auto flipped = rig.store.current;
        flipped[RecordByte::onOffMask] = static_cast<std::uint8_t> (~flipped[RecordByte::onOffMask] & 0x3f);
        const bool refreshed =
            rig.runUntil (
                [&]
                {
                    rig.store.setCurrentData (flipped);
                    rig.engine.sendChangeMessage();
                },
                [&]
                { return rig.panel.onOffButton (0).getToggleState() == ((flipped[11] & 1) != 0); }) >= 0.0;
        rig.runUntil ([] {}, [] { return false; }, 50.0);
        rig.panel.onOffButton (1).triggerClick();
        rig.runUntil ([] {}, [] { return false; }, 50.0);
        const bool undone =
            rig.runUntil ([&] { rig.history.undo(); }, [&] { return rig.engine.isWireIdle(); }) >= 0.0;
        rig.runUntil ([] {}, [] { return false; }, 20.0);
        longest = probe.longestMs();
        if (!refreshed || !undone)
            return false;
    }
    report ("stall-editor", longest, kStallGoalMs);
    return true;
}

// Stamps the time each message reaches it.
class StampingPort : public MidiOutputPort
{
public:
    juce::String getName() const override { return "stamps"; }
    void sendMessageNow (const juce::MidiMessage&) override
    {
        lastSentMs = juce::Time::getMillisecondCounterHiRes();
    }
    std::atomic<double> lastSentMs{0.0};
};

bool timeKnobLatency()
{
    EditorRig rig;
    auto port = std::make_unique<StampingPort>();
    auto& stamps = *port;
    rig.engine.setOutput (std::move (port));
    auto& knob = rig.panel.knob (1);
    double worst = 0.0;
    for (int i = 0; i < 1000; ++i)
    {
        const double before = juce::Time::getMillisecondCounterHiRes();
        knob.setValue (i % 2 == 0 ? 20.0 : 10.0, juce::sendNotificationSync);
        rig.engine.flushOutput();
        worst = std::max (worst, stamps.lastSentMs.load() - before);
    }
    report ("latency-knob", worst, kKnobLatencyGoalMs);
    return true;
}
} // namespace

int main()
{
    const juce::ScopedJuceInitialiser_GUI juce;
    const bool ok = timeReceive (false, "receive-unpaced") && timeReceive (true, "receive-din") &&
                    timeTransmit (false, "transmit-unpaced") && timeTransmit (true, "transmit-din") &&
                    timeStalls() && timeEditorStall() && timeKnobLatency();
    if (!ok)
        std::fprintf (stderr, "a transfer did not finish\n");
    return ok ? 0 : 1;
}
