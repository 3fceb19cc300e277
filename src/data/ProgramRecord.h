#pragma once

#include <juce_core/juce_core.h>

#include <array>
#include <cstdint>

namespace vr
{
// One program of the unit: a 10-character name and 22 parameter bytes. The
// same 32 bytes travel in dumps, live in the lists and fill library files.
constexpr int kRecordSize = 32;
constexpr int kNameLength = 10;
using ProgramRecord = std::array<std::uint8_t, kRecordSize>;

// Record byte offsets.
namespace RecordByte
{
constexpr int name = 0;
constexpr int category = 10;
constexpr int onOffMask = 11;
constexpr int firstType = 12; // dynamics, amp, cabinet, modulation, delay, reverb
constexpr int dynamicsType = 12;
constexpr int ampType = 13;
constexpr int cabinetType = 14;
constexpr int modulationType = 15;
constexpr int delayType = 16;
constexpr int reverbType = 17;
constexpr int dynamicsKnob = 18;
constexpr int ampMiddle = 19;
constexpr int cabinetKnob = 20;
constexpr int modulationKnob = 21;
constexpr int delayLevel = 22;
constexpr int reverbKnob = 23;
constexpr int ampGain = 24;
constexpr int ampBass = 25;
constexpr int ampTreble = 26;
constexpr int programLevel = 27;
constexpr int noiseReduction = 28;
constexpr int delayTime = 29;
} // namespace RecordByte

// Effect sections in on/off-bit and type-byte order.
enum Section : int
{
    dynamics = 0,
    amp,
    cabinet,
    modulation,
    delay,
    reverb,
    numSections
};

constexpr int kNumKnobs = 12;
constexpr int kFirstKnobParameter = 18;
constexpr int kNumCategories = 3;

// Knob index 0-11 to the record byte it edits (parameters 25 and 26 are crossed).
int knobIndexToByte (int knobIndex) noexcept;

// Parameter number of the parameter-change message to its record byte; -1 for
// numbers that address no byte (30 and above, negative).
int parameterToByte (int parameter) noexcept;

// The record every fresh store and empty list row starts from.
const ProgramRecord& defaultRecord() noexcept;

// Name encoding: character code minus 32, so only space to '^' exist.
std::uint8_t encodeNameChar (juce::juce_wchar c) noexcept;
juce::juce_wchar decodeNameChar (int storedValue) noexcept;
void encodeName (const juce::String& text, std::uint8_t* dest10) noexcept;
juce::String decodeName (const std::uint8_t* src10);

// What a typed name can become on the unit: letters, accented ones too,
// folded to their plain capitals (a sharp s to SS), every other character
// the name cannot hold dropped. The result may be longer than the text.
juce::String foldToNameCharacters (const juce::String& text);

// Program numbers: 0-199 user programs, 200-399 factory programs.
constexpr int kNumUserPrograms = 200;
constexpr int kNumFactoryPrograms = 200;
constexpr int kNumPrograms = 400;
constexpr int bankOf (int programNumber) noexcept
{
    return programNumber / 100;
}
constexpr int programInBank (int programNumber) noexcept
{
    return programNumber % 100;
}
constexpr bool isUserProgram (int programNumber) noexcept
{
    return programNumber >= 0 && programNumber < kNumUserPrograms;
}

// Dependent limits: a type selection narrows the range of one or two knobs.
// Each lowers the dependent byte to its limit, never raises it; types that
// narrow nothing leave the byte as it is, even above the knob's range.
void applyDynamicsLimit (ProgramRecord& record) noexcept;
void applyAmpLimits (ProgramRecord& record) noexcept;
void applyModulationLimit (ProgramRecord& record) noexcept;
// A type chosen for a section (record byte 12-17): stores it, switches the
// section on and applies the dependent limits, as the unit does. Any other
// offset does nothing.
void applyTypeChoice (ProgramRecord& record, int byteOffset, int type) noexcept;

// True for the dynamics types whose knob stops at 27 ("1.0".."10.0" scale).
bool dynamicsTypeIsLimited (int dynamicsType) noexcept;

// The largest value knob k may take under the record's current types; 31
// where no type narrows it (the slider range is then the effective limit).
int knobMaximum (const ProgramRecord& record, int knobIndex) noexcept;

// The effect section knob k belongs to; -1 for the program's level and NR.
int sectionOfKnob (int knobIndex) noexcept;
} // namespace vr
