#include "midi/MidiMonitor.h"
#include "midi/VirtualUnit.h"
#include "support/RecordingEngine.h"

#include <gtest/gtest.h>

#include <thread>

namespace vr
{
namespace
{
using test::bytesOf;
using test::maker;
using Direction = MidiMonitor::Direction;

ProgramRecord namedRecord (const char* name)
{
    auto record = defaultRecord();
    encodeName (name, record.data());
    return record;
}

juce::String describe (const std::vector<std::uint8_t>& bytes, int* bank = nullptr)
{
    return describeMidiMessage (bytes.data(), static_cast<int> (bytes.size()), bank);
}
} // namespace

TEST (MidiMonitor, EveryMessageOfTheLinkReadsAsWhatItMeans)
{
    const auto record = namedRecord ("CROWN LEAD");
    const struct
    {
        std::vector<std::uint8_t> bytes;
        const char* meaning;
    } rows[] = {
        {bytesOf (sysex::identityRequest()), "Identity request"},
        {test::identityReply (sysex::kModelHeron, 3, 1, 2), "Identity reply heron 1.02"},
        {test::identityReply (sysex::kModelWren), "Identity reply wren 1.05"},
        {bytesOf (sysex::programDump (0, 57, record)), "Program dump 057 CROWN LEAD"},
        {bytesOf (sysex::currentProgramDump (8, record)), "Current program dump CROWN LEAD"},
        {bytesOf (sysex::programDumpRequest (0, 205)), "Program dump request 205"},
        {bytesOf (sysex::currentProgramDumpRequest (0)), "Current program dump request"},
        {bytesOf (sysex::programWriteRequest (0, 57)), "Program write request 057"},
        {bytesOf (sysex::programNumberNotice (0, 257)), "Program number notice 257"},
        {bytesOf (sysex::currentProgramNumberRequest (0)), "Current program number request"},
        {maker (0x42, {0x00, 1, 10}), "Current program number 110"},
        {maker (0x42, {sysex::kNumberStatusIgnore, 0, 0}), "Current program number: none"},
        {maker (0x21), "Operation completed"},
        {maker (0x23), "Operation failed"},
        // Knobs by wire number (25 and 26 are crossed), types with their name.
        {bytesOf (sysex::parameterChangeFor (0, 24, 27)), "Parameter change GAIN 27"},
        {bytesOf (sysex::parameterChangeFor (0, 25, 10)), "Parameter change TREBLE 10"},
        {bytesOf (sysex::parameterChangeFor (0, 29, 99)), "Parameter change TIME 99"},
        {bytesOf (sysex::parameterChangeFor (0, 13, 3)), "Parameter change AMP TYPE 3 Chime Combo"},
        {bytesOf (sysex::parameterChangeFor (0, 11, 35)), "Parameter change ON/OFF 35 (DYNAMICS AMP REVERB)"},
        {bytesOf (sysex::parameterChangeFor (0, 10, 1)), "Parameter change CATEGORY 1 [B]"},
        {bytesOf (sysex::parameterChangeFor (0, 0, 33)), "Parameter change NAME 1 'A'"},
        {bytesOf (sysex::parameterChangeFor (0, 40, 5)), "Parameter change parameter 40 value 5"},
        // What is not the unit's, or cut short, is named as such.
        {maker (0x33), "Unknown function 33"},
        {{0x90, 0x3c, 0x40}, "Unknown"},
        {{0xf0, 0x41, 0x10, 0x42, 0xf7}, "Unknown"},
        {{0xf0, 0x7d, 0x30, 0x00, 0x01, 0x0f, 0x4c, 0x00, 0x39}, "Unknown"},
        {{0x7f, 0x01, 0x02, 0x03}, "Unknown"},
    };
    for (const auto& row : rows)
        EXPECT_EQ (describe (row.bytes), row.meaning) << row.meaning;

    // A program change names its program with the bank select before it.
    int bank = -1;
    EXPECT_EQ (describe ({0xc0, 10}, &bank), "Program change 10 (bank not seen)");
    const auto select = sysex::programSelect (0, 110);
    EXPECT_EQ (describe (bytesOf (select[0]), &bank), "Bank select 1");
    EXPECT_EQ (describe (bytesOf (select[1]), &bank), "Bank select LSB 0");
    EXPECT_EQ (describe (bytesOf (select[2]), &bank), "Program change 110");
}

TEST (MidiMonitor, KeepsTheLast2000AndNothingWhileClosed)
{
    MidiMonitor monitor;
    MidiMonitorLog log (monitor);
    const std::uint8_t change[] = {0xc0, 0};
    monitor.record (Direction::in, change, 2);
    EXPECT_EQ (monitor.nextSequence(), 0u);
    EXPECT_FALSE (log.update());

    monitor.setEnabled (true);
    for (int i = 0; i < 2005; ++i)
    {
        const std::uint8_t knob[] = {0xb0, 7, static_cast<std::uint8_t> (i % 128)};
        monitor.record (i % 2 == 0 ? Direction::out : Direction::in, knob, 3);
    }
    const auto kept = monitor.entriesFrom (0);
    ASSERT_EQ (kept.size(), MidiMonitor::kCapacity);
    EXPECT_EQ (kept.front().sequence, 5u);
    EXPECT_EQ (kept.back().bytes, (std::vector<std::uint8_t>{0xb0, 7, 2004 % 128}));
    EXPECT_EQ (kept.back().direction, Direction::out);

    ASSERT_TRUE (log.update());
    ASSERT_EQ (log.getLines().size(), MidiMonitor::kCapacity);
    EXPECT_EQ (log.getLines().back().bytes, "B0 07 54");
    EXPECT_EQ (log.getLines().back().direction, "OUT");
    monitor.record (Direction::in, change, 2);
    EXPECT_TRUE (log.update());
    EXPECT_EQ (log.getLines().size(), MidiMonitor::kCapacity);
    EXPECT_TRUE (log.toText().endsWith ("\tIN\tProgram change 0 (bank not seen)\tC0 00\n"));

    log.clear();
    EXPECT_TRUE (log.getLines().empty());
    EXPECT_TRUE (monitor.entriesFrom (0).empty());
    EXPECT_FALSE (log.update());

    monitor.setEnabled (false);
    monitor.record (Direction::in, change, 2);
    EXPECT_FALSE (log.update());
}

// The taps: what the engine puts on the wire and what the unit answers, each
// from its own thread.
TEST (MidiMonitor, SeesBothDirectionsOfTheEngine)
{
    MidiMonitor monitor;
    monitor.setEnabled (true);
    VirtualUnitSettings heron;
    heron.modelCode = sysex::kModelHeron;
    heron.versionMinor = 2;
    auto unit = std::make_shared<VirtualUnit> (heron);
    DataCenter store;
    MidiReceiver engine (store);
    engine.setMonitor (&monitor);
    engine.setInput (unit->createInputPort());
    engine.setOutput (unit->createOutputPort());

    engine.sendIdentityRequest();
    const auto until = juce::Time::getMillisecondCounter() + 2000;
    while (monitor.nextSequence() < 2 && juce::Time::getMillisecondCounter() < until)
        std::this_thread::sleep_for (std::chrono::milliseconds (5));
    engine.stopInput();

    const auto entries = monitor.entriesFrom (0);
    ASSERT_EQ (entries.size(), 2u);
    EXPECT_EQ (entries[0].direction, Direction::out);
    EXPECT_EQ (entries[0].bytes, bytesOf (sysex::identityRequest()));
    EXPECT_EQ (entries[1].direction, Direction::in);
    const auto& reply = entries[1].bytes;
    EXPECT_EQ (describe (reply), "Identity reply heron 1.02");
}
} // namespace vr
