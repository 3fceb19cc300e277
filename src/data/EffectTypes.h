#pragma once

#include <juce_core/juce_core.h>

namespace vr
{
// Display names of one section's effect types, in type-index order.
struct EffectTypeList
{
    const char* const* names;
    int size;
};

// Section 0-5 (dynamics .. reverb); any other value gives an empty list.
EffectTypeList effectTypes (int section) noexcept;

// Name of a type, or an empty string for an index outside the list.
juce::String effectTypeName (int section, int typeIndex);

// What the player calls a section (0-5) and a knob (0-11, in knob-index
// order): the Edit menu's steps ("Undo Gain") and the MIDI monitor's
// parameter names. Empty for other values.
juce::String sectionName (int section);
juce::String knobName (int knobIndex);

// Category tags shown in the name strip and the lists ("[G]", "[B]", "[-]"),
// and their longer descriptions for tooltips.
juce::String categoryTag (int category);
juce::String categoryDescription (int category);
} // namespace vr
