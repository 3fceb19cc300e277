#pragma once

#include "data/ProgramRecord.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <vector>

namespace vr::sysex
{
constexpr std::uint8_t kSysexStart = 0xf0;
constexpr std::uint8_t kSysexEnd = 0xf7;

// Maker-format header: F0 7D 30 <model> 01 0F <function code> ...
constexpr std::uint8_t kManufacturerId = 0x7d;
constexpr std::uint8_t kFormatByte = 0x30;
constexpr int kHeaderSize = 7; // including the function code

// Where the maker messages carry their fields, counted from F0.
namespace At
{
constexpr int modelCode = 3;
constexpr int functionCode = 6;
constexpr int currentDumpRecord = kHeaderSize;     // code 40
constexpr int dumpNumber = kHeaderSize;            // code 4C: hh rr
constexpr int programDumpRecord = kHeaderSize + 2; // code 4C
} // namespace At

// The unit needs this long to switch an effect on or off before the next message.
constexpr int kOnOffSwitchPauseMs = 100;

// Function codes, both directions.
namespace Code
{
constexpr int currentProgramDumpRequest = 0x10;
constexpr int programWriteRequest = 0x11;
constexpr int currentProgramNumberRequest = 0x12;
constexpr int programDumpRequest = 0x1c;
constexpr int operationCompleted = 0x21;
constexpr int operationFailed = 0x23;
constexpr int currentProgramDump = 0x40;
constexpr int parameterChange = 0x41;
constexpr int currentProgramNumber = 0x42;
constexpr int programDump = 0x4c;
constexpr int programNumberNotice = 0x4e;
} // namespace Code

// Model codes from the identity reply.
constexpr std::uint8_t kModelWren = 0x00;
constexpr std::uint8_t kModelHeron = 0x08;

// The model as the program names it to the user and in file names.
constexpr const char* modelName (std::uint8_t modelCode) noexcept
{
    return modelCode == kModelHeron ? "heron" : "wren";
}

// Status byte of a current-program-number reply that carries no number.
constexpr int kNumberStatusIgnore = 0x02;

// Every data byte we send is 7-bit: a record byte above 127 (a damaged file)
// must not make the message malformed MIDI.
constexpr std::uint8_t dataByte (int value) noexcept
{
    return static_cast<std::uint8_t> (value & 0x7f);
}

// A maker-format exclusive message: header with the model code, the
// function code, the payload (each byte masked to 7 bits) and F7.
juce::MidiMessage makerMessage (std::uint8_t modelCode, int functionCode,
                                const std::vector<int>& payload = {});

// Messages the editor sends to the unit. Program numbers travel as hundreds
// and remainder.
juce::MidiMessage identityRequest();
juce::MidiMessage currentProgramDumpRequest (std::uint8_t modelCode);
juce::MidiMessage programWriteRequest (std::uint8_t modelCode, int programNumber);
juce::MidiMessage currentProgramNumberRequest (std::uint8_t modelCode);
juce::MidiMessage programDumpRequest (std::uint8_t modelCode, int programNumber);
juce::MidiMessage currentProgramDump (std::uint8_t modelCode, const ProgramRecord& record);
juce::MidiMessage parameterChange (std::uint8_t modelCode, int parameter, int hundreds, int remainder);
juce::MidiMessage programDump (std::uint8_t modelCode, int programNumber, const ProgramRecord& record);
juce::MidiMessage programNumberNotice (std::uint8_t modelCode, int programNumber);
// Bank select MSB (hundreds), bank select LSB 0, program change (remainder).
std::vector<juce::MidiMessage> programSelect (int channel, int programNumber);

// The parameter change for one record byte's new value: types go with
// hundreds 1, everything else with hundreds 0.
juce::MidiMessage parameterChangeFor (std::uint8_t modelCode, int parameter, int value);

// What arrived from the unit.
struct Incoming
{
    enum class Kind
    {
        ignored,
        identityReply,
        maker,
        bankSelect,
        programChange
    };

    Kind kind{Kind::ignored};

    // identity reply
    int channel{0};
    std::uint8_t modelCode{0};
    int versionMajor{0};
    int versionMinor{0};

    // maker-format message: function code and the whole message. One too
    // short for its handling to read all it needs is classified `ignored`,
    // so `maker` always has enough bytes.
    int functionCode{-1};
    std::vector<std::uint8_t> bytes;

    // bank select MSB value, or program change number
    int value{0};
};

// True when the bytes start with the maker-format header (F0 7D .. .. 01 0F and
// a function code); format and model bytes are not looked at.
bool hasMakerHeader (const std::uint8_t* data, int size) noexcept;

// Classifies a received message; anything malformed or foreign is `ignored`.
Incoming classify (const juce::MidiMessage& message);

// Minimum length, counted from F0, of a maker message with this function code
// for its handling to read all it needs; header and code alone for codes the
// editor does not act on.
int minimumLength (int functionCode) noexcept;

// A number pair hh rr rebuilt as hh * 100 + rr.
constexpr int numberFromPair (int hundreds, int remainder) noexcept
{
    return hundreds * 100 + remainder;
}
} // namespace vr::sysex
