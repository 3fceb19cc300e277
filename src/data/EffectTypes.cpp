#include "EffectTypes.h"

#include "ProgramRecord.h"

#include <iterator>

namespace vr
{
namespace
{
// The comp/limiter family (0, 2, 7, 9, 17, 19-21) shows its knob as 1.0-10.0
// with two extra top positions; every other dynamics type runs 0-10.
constexpr const char* dynamicsNames[] = {
    "Compressor",     // 0
    "Clean Boost",    // 1
    "Limiter",        // 2
    "Treble Boost",   // 3
    "Mid Boost",      // 4
    "Green Drive",    // 5
    "Warm Overdrive", // 6
    "Sustainer",      // 7
    "Hot Drive",      // 8
    "Opto Comp",      // 9
    "Crunch Dist",    // 10
    "Metal Dist",     // 11
    "Heavy Metal",    // 12
    "Grit Box",       // 13
    "Round Fuzz",     // 14
    "Vintage Fuzz",   // 15
    "Octave Fuzz",    // 16
    "Lead Comp",      // 17
    "Bass Drive",     // 18
    "Bass Comp",      // 19
    "Bass Limiter",   // 20
    "Studio Comp",    // 21
    "Envelope Wah",   // 22
    "Reverse Env",    // 23
    "Bass Env Wah",   // 24
    "Acoustic Sim",   // 25
    "Bass Fuzz",      // 26
};

// 15-21 trade the gain knob for a five-step mid-frequency selector; 25 turns
// the amp knobs into synthesizer controls.
constexpr const char* ampNames[] = {
    "Jazz Clean",    // 0
    "Tweed Combo",   // 1
    "Black Panel",   // 2
    "Chime Combo",   // 3
    "Bright Clean",  // 4
    "Studio Clean",  // 5
    "British Stack", // 6
    "British Lead",  // 7
    "Brown Crunch",  // 8
    "Boutique OD",   // 9
    "Lead Stack",    // 10
    "Modern HiGain", // 11
    "Metal Stack",   // 12
    "Acoustic",      // 13
    "Lo-Fi Radio",   // 14
    "Para Clean",    // 15
    "Para Crunch",   // 16
    "Para Drive",    // 17
    "Para Lead",     // 18
    "Para Metal",    // 19
    "Para Bass",     // 20
    "Para Bass OD",  // 21
    "Tube Bass",     // 22
    "Solid Bass",    // 23
    "Vintage Bass",  // 24
    "Guitar Synth",  // 25
};

constexpr const char* cabinetNames[] = {
    "1x8 Practice",  // 0
    "1x10 Combo",    // 1
    "1x12 Tweed",    // 2
    "1x12 Black",    // 3
    "2x10 Combo",    // 4
    "2x12 Chime",    // 5
    "2x12 Black",    // 6
    "2x12 Modern",   // 7
    "4x10 Tweed",    // 8
    "4x12 Vintage",  // 9
    "4x12 British",  // 10
    "4x12 Modern",   // 11
    "4x12 Metal",    // 12
    "1x15 Bass",     // 13
    "2x10 Bass",     // 14
    "4x10 Bass",     // 15
    "8x10 Bass",     // 16
    "1x18 Bass",     // 17
    "Open Back",     // 18
    "Closed Back",   // 19
    "Far Mic Room",  // 20
    "Acoustic Body", // 21
    "Bright Direct", // 22
};

// Index ranges fix the knob's meaning: 0-8, 14, 15, 42+ rate; 9-13 1.0-10.0;
// 16-18, 33 1.0-10.0 with top positions; 19-21 semitones; 22-28 key;
// 29-32, 34-41 0-10.
constexpr const char* modulationNames[] = {
    "Chorus",         // 0
    "Stereo Chorus",  // 1
    "Ensemble",       // 2
    "Flanger",        // 3
    "Jet Flanger",    // 4
    "Phaser",         // 5
    "Vintage Phaser", // 6
    "Tremolo",        // 7
    "Vibrato",        // 8
    "Auto Wah",       // 9
    "Env Filter",     // 10
    "Ring Mod",       // 11
    "Step Filter",    // 12
    "Bass Filter",    // 13
    "Rotary",         // 14
    "Auto Pan",       // 15
    "Auto Swell",     // 16
    "Attack Fade",    // 17
    "Bass Swell",     // 18
    "Pitch Shift",    // 19
    "Pitch Mix",      // 20
    "Bass Pitch",     // 21
    "Harmony +3rd",   // 22
    "Harmony -3rd",   // 23
    "Harmony +4th",   // 24
    "Harmony +5th",   // 25
    "Harmony -4th",   // 26
    "Harmony +6th",   // 27
    "Harmony -6th",   // 28
    "Octaver",        // 29
    "Bass Octaver",   // 30
    "Lo-Fi Filter",   // 31
    "Bit Crusher",    // 32
    "Pedal Swell",    // 33
    "Pedal Wah",      // 34
    "Bass Pedal Wah", // 35
    "Talk Filter",    // 36
    "Formant Voice",  // 37
    "Comb Filter",    // 38
    "Exciter",        // 39
    "Bass Exciter",   // 40
    "Tone Shaper",    // 41
    "Bass Chorus",    // 42
    "Bass Flanger",   // 43
    "Bass Phaser",    // 44
    "Harmonic Trem",  // 45
};

// 0-4 are the short delays (to 500 ms), the rest run to 2 s.
constexpr const char* delayNames[] = {
    "Slapback",      // 0
    "Short Echo",    // 1
    "Doubler",       // 2
    "Short Stereo",  // 3
    "Short Analog",  // 4
    "Digital Delay", // 5
    "Stereo Delay",  // 6
    "Ping Pong",     // 7
    "Analog Delay",  // 8
    "Tape Echo",     // 9
    "Tape Wow",      // 10
    "Multi-Tap",     // 11
    "Reverse Delay", // 12
    "Mod Delay",     // 13
    "Ambient Delay", // 14
    "Filter Delay",  // 15
    "Lo-Fi Delay",   // 16
    "Ducking Delay", // 17
    "Dual Delay",    // 18
    "Echo Pad",      // 19
    "Bass Delay",    // 20
    "Dotted Echo",   // 21
    "Swell Delay",   // 22
    "Shimmer Delay", // 23
    "Ocean Echo",    // 24
};

constexpr const char* reverbNames[] = {
    "Small Room",   // 0
    "Room",         // 1
    "Studio",       // 2
    "Hall",         // 3
    "Large Hall",   // 4
    "Church",       // 5
    "Plate",        // 6
    "Bright Plate", // 7
    "Spring",       // 8
    "Arena",        // 9
};

static_assert (std::size (dynamicsNames) == 27);
static_assert (std::size (ampNames) == 26);
static_assert (std::size (cabinetNames) == 23);
static_assert (std::size (modulationNames) == 46);
static_assert (std::size (delayNames) == 25);
static_assert (std::size (reverbNames) == 10);

template <size_t N>
constexpr EffectTypeList listOf (const char* const (&names)[N]) noexcept
{
    return {names, static_cast<int> (N)};
}

constexpr const char* sectionNames[numSections] = {"Dynamics",   "Amp",   "Cabinet",
                                                   "Modulation", "Delay", "Reverb"};
constexpr const char* knobNames[kNumKnobs] = {"Dynamics", "Middle", "Cabinet", "Modulation",
                                              "FX Level", "Reverb", "Gain",    "Treble",
                                              "Bass",     "Level",  "NR",      "Time"};

constexpr const char* categoryTags[kNumCategories] = {"[G]", "[B]", "[-]"};
constexpr const char* categoryTexts[kNumCategories] = {"Guitar", "Bass", "Other"};
} // namespace

EffectTypeList effectTypes (int section) noexcept
{
    switch (section)
    {
        case dynamics:
            return listOf (dynamicsNames);
        case amp:
            return listOf (ampNames);
        case cabinet:
            return listOf (cabinetNames);
        case modulation:
            return listOf (modulationNames);
        case delay:
            return listOf (delayNames);
        case reverb:
            return listOf (reverbNames);
        default:
            return {nullptr, 0};
    }
}

juce::String effectTypeName (int section, int typeIndex)
{
    const auto list = effectTypes (section);
    if (typeIndex < 0 || typeIndex >= list.size)
        return {};
    return list.names[typeIndex];
}

juce::String sectionName (int section)
{
    if (section < 0 || section >= numSections)
        return {};
    return sectionNames[section];
}

juce::String knobName (int knobIndex)
{
    if (knobIndex < 0 || knobIndex >= kNumKnobs)
        return {};
    return knobNames[knobIndex];
}

juce::String categoryTag (int category)
{
    if (category < 0 || category >= kNumCategories)
        return {};
    return categoryTags[category];
}

juce::String categoryDescription (int category)
{
    if (category < 0 || category >= kNumCategories)
        return {};
    return categoryTexts[category];
}
} // namespace vr
