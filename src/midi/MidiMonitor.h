#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace vr
{
// What went to and came from the unit, as raw bytes, for the MIDI monitor
// window. The port's thread and the paced sender's thread append; the
// message thread reads. Off (the window closed) an append returns at once
// and nothing is kept.
class MidiMonitor
{
public:
    static constexpr std::size_t kCapacity = 2000;

    enum class Direction
    {
        in,
        out
    };

    struct Entry
    {
        std::uint64_t sequence{0}; // counts every entry ever appended
        std::int64_t timeMs{0};    // wall clock
        Direction direction{Direction::in};
        std::vector<std::uint8_t> bytes;
    };

    void setEnabled (bool shouldRecord) noexcept { enabled = shouldRecord; }
    bool isEnabled() const noexcept { return enabled; }

    // Any thread; never waits for the message thread.
    void record (Direction direction, const juce::MidiMessage& message);
    void record (Direction direction, const std::uint8_t* data, int size);

    // The sequence the next entry will get: a reader that has seen every
    // entry below it has nothing new to read.
    std::uint64_t nextSequence() const noexcept { return next; }
    // The kept entries from sequence `from` on, oldest first.
    std::vector<Entry> entriesFrom (std::uint64_t from) const;
    void clear();

private:
    std::atomic<bool> enabled{false};
    std::atomic<std::uint64_t> next{0};
    mutable std::mutex lock;
    std::vector<Entry> ring; // slot = sequence % kCapacity, filled as it grows
    std::uint64_t firstKept{0};
};

// What a message means, in the player's words ("Program dump 057 CROWN
// LEAD", "Parameter change GAIN 27"), or "Unknown". Reads only `size`
// bytes. A program change names its program from `bank`, the bank select
// seen last in the same direction (-1: none), which a bank select updates.
juce::String describeMidiMessage (const std::uint8_t* data, int size, int* bank = nullptr);

// The monitor's listed lines, built on the message thread from the
// monitor's entries while the window is open: the last kCapacity of them.
class MidiMonitorLog
{
public:
    explicit MidiMonitorLog (MidiMonitor& source) noexcept
        : monitor (source)
    {
    }

    struct Line
    {
        juce::String time, direction, bytes, meaning;
        // Tab-separated: time, direction, meaning, bytes.
        juce::String toText() const;
    };

    // Takes in what the monitor recorded since the last call; true when
    // lines were added.
    bool update();
    // Forgets the lines and the monitor's entries.
    void clear();

    const std::deque<Line>& getLines() const noexcept { return lines; }
    // Every line, one a line, for the clipboard.
    juce::String toText() const;

private:
    MidiMonitor& monitor;
    std::deque<Line> lines;
    std::uint64_t seen{0};
    std::array<int, 2> lastBank{{-1, -1}}; // by direction
};
} // namespace vr
