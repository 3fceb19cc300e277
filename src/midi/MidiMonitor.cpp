#include "MidiMonitor.h"

#include "SysexMessages.h"
#include "data/EffectTypes.h"

#include <algorithm>

namespace vr
{
//==============================================================================
void MidiMonitor::record (Direction direction, const juce::MidiMessage& message)
{
    if (enabled)
        record (direction, message.getRawData(), message.getRawDataSize());
}

void MidiMonitor::record (Direction direction, const std::uint8_t* data, int size)
{
    if (!enabled || data == nullptr || size <= 0)
        return;

    // Built before the lock is taken; what it replaces is freed after.
    Entry entry{0, juce::Time::currentTimeMillis(), direction, {data, data + size}};
    const std::lock_guard<std::mutex> guard (lock);
    entry.sequence = next;
    const auto slot = static_cast<std::size_t> (entry.sequence % kCapacity);
    if (slot == ring.size())
        ring.push_back (std::move (entry));
    else
        std::swap (ring[slot], entry);
    ++next;
}

std::vector<MidiMonitor::Entry> MidiMonitor::entriesFrom (std::uint64_t from) const
{
    const std::lock_guard<std::mutex> guard (lock);
    const std::uint64_t end = next;
    const std::uint64_t oldest = end > kCapacity ? end - kCapacity : 0;
    std::vector<Entry> entries;
    for (auto s = std::max ({from, firstKept, oldest}); s < end; ++s)
        entries.push_back (ring[static_cast<std::size_t> (s % kCapacity)]);
    return entries;
}

void MidiMonitor::clear()
{
    const std::lock_guard<std::mutex> guard (lock);
    firstKept = next;
}

//==============================================================================
namespace
{
using namespace sysex;

// Identity request, any device: F0 7E <channel> 06 01 F7.
bool isIdentityRequest (const std::uint8_t* data, int size) noexcept
{
    return size >= 5 && data[0] == kSysexStart && data[1] == 0x7e && data[3] == 0x06 && data[4] == 0x01;
}

juce::String modelText (int modelCode)
{
    if (modelCode == kModelWren)
        return "wren";
    if (modelCode == kModelHeron)
        return "heron";
    return "model " + juce::String::toHexString (modelCode).paddedLeft ('0', 2).toUpperCase();
}

juce::String programText (int programNumber)
{
    return juce::String::formatted ("%03d", programNumber);
}

// The program number of the pair at `at`, or nothing when the message ends first.
juce::String numberAt (const std::vector<std::uint8_t>& b, std::size_t at)
{
    if (at + 1 >= b.size())
        return "(no number)";
    return programText (numberFromPair (b[at], b[at + 1]));
}

juce::String nameAt (const std::vector<std::uint8_t>& b, std::size_t at)
{
    if (at + kNameLength > b.size())
        return {};
    return decodeName (b.data() + at).trimEnd();
}

juce::String onSections (int mask)
{
    juce::StringArray on;
    for (int s = 0; s < numSections; ++s)
        if ((mask >> s) & 1)
            on.add (sectionName (s).toUpperCase());
    return on.isEmpty() ? juce::String ("all off") : on.joinIntoString (" ");
}

// Parameter and value as the receiving end takes them (MidiReceiver::handleParameterChange).
juce::String parameterText (int parameter, int hundreds, int remainder)
{
    const int value = numberFromPair (hundreds, remainder);
    if (parameter < kNameLength)
        return "NAME " + juce::String (parameter + 1) + " '" +
               juce::String::charToString (decodeNameChar (value)) + "'";
    if (parameter == RecordByte::category)
        return "CATEGORY " + juce::String (value) + " " + categoryTag (value);
    if (parameter == RecordByte::onOffMask)
        return "ON/OFF " + juce::String (value) + " (" + onSections (value) + ")";
    if (parameter < kFirstKnobParameter)
    {
        const int section = parameter - RecordByte::firstType;
        const int type = value % 100;
        const auto typeName = effectTypeName (section, type);
        return sectionName (section).toUpperCase() + " TYPE " + juce::String (type) +
               (typeName.isEmpty() ? juce::String() : " " + typeName);
    }
    if (parameter < kFirstKnobParameter + kNumKnobs)
        return knobName (parameter - kFirstKnobParameter).toUpperCase() + " " + juce::String (value % 100);
    return "parameter " + juce::String (parameter) + " value " + juce::String (value);
}

juce::String describeMaker (const Incoming& in)
{
    const auto& b = in.bytes;
    switch (in.functionCode)
    {
        case Code::currentProgramDumpRequest:
            return "Current program dump request";
        case Code::programWriteRequest:
            return "Program write request " + numberAt (b, kHeaderSize);
        case Code::currentProgramNumberRequest:
            return "Current program number request";
        case Code::programDumpRequest:
            return "Program dump request " + numberAt (b, kHeaderSize);
        case Code::operationCompleted:
            return "Operation completed";
        case Code::operationFailed:
            return "Operation failed";
        case Code::currentProgramDump:
            return "Current program dump " + nameAt (b, At::currentDumpRecord);
        case Code::parameterChange:
            return "Parameter change " + parameterText (b[8], b[9], b[10]);
        case Code::currentProgramNumber:
            return b[7] == kNumberStatusIgnore ? juce::String ("Current program number: none")
                                               : "Current program number " + numberAt (b, 8);
        case Code::programDump:
            return "Program dump " + numberAt (b, At::dumpNumber) + " " + nameAt (b, At::programDumpRecord);
        case Code::programNumberNotice:
            return "Program number notice " + numberAt (b, kHeaderSize + 1);
        default:
            return "Unknown function " + juce::String::toHexString (in.functionCode).toUpperCase();
    }
}
} // namespace

juce::String describeMidiMessage (const std::uint8_t* data, int size, int* bank)
{
    if (data == nullptr || size <= 0)
        return "Unknown";
    if (isIdentityRequest (data, size))
        return "Identity request";

    const auto in = classify (juce::MidiMessage (data, size));
    switch (in.kind)
    {
        case Incoming::Kind::identityReply:
            return "Identity reply " + modelText (in.modelCode) + " " +
                   juce::String::formatted ("%d.%02d", in.versionMajor, in.versionMinor);
        case Incoming::Kind::maker:
            return describeMaker (in);
        case Incoming::Kind::bankSelect:
            if (bank != nullptr)
                *bank = in.value;
            return "Bank select " + juce::String (in.value);
        case Incoming::Kind::programChange:
            if (bank != nullptr && *bank >= 0)
                return "Program change " + programText (numberFromPair (*bank, in.value));
            return "Program change " + juce::String (in.value) + " (bank not seen)";
        case Incoming::Kind::ignored:
            break;
    }
    // The second half of the bank select the editor sends.
    if ((data[0] & 0xf0) == 0xb0 && size >= 3 && data[1] == 32)
        return "Bank select LSB " + juce::String (data[2]);
    return "Unknown";
}

//==============================================================================
juce::String MidiMonitorLog::Line::toText() const
{
    return time + "\t" + direction + "\t" + meaning + "\t" + bytes;
}

bool MidiMonitorLog::update()
{
    if (monitor.nextSequence() == seen)
        return false;

    const auto entries = monitor.entriesFrom (seen);
    for (const auto& e : entries)
    {
        const int size = static_cast<int> (e.bytes.size());
        const bool out = e.direction == MidiMonitor::Direction::out;
        const juce::Time time (e.timeMs);
        lines.push_back (
            {time.formatted ("%H:%M:%S.") + juce::String (time.getMilliseconds()).paddedLeft ('0', 3),
             out ? "OUT" : "IN", juce::String::toHexString (e.bytes.data(), size, 1).toUpperCase(),
             describeMidiMessage (e.bytes.data(), size, &lastBank[out ? 1 : 0])});
        seen = e.sequence + 1;
    }
    while (lines.size() > MidiMonitor::kCapacity)
        lines.pop_front();
    return !entries.empty();
}

void MidiMonitorLog::clear()
{
    monitor.clear();
    lines.clear();
    seen = monitor.nextSequence();
}

juce::String MidiMonitorLog::toText() const
{
    juce::String text;
    for (const auto& line : lines)
        text << line.toText() << "\n";
    return text;
}
} // namespace vr
