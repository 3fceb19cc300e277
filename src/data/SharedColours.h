#pragma once

#include <juce_core/juce_core.h>

namespace vr::SharedColours
{
// What the dialogs, panels and tables share, declared once.
constexpr juce::uint32 panel = 0xFFD8D8D8;     // the setup panel and the transfer bar
constexpr juce::uint32 button = 0xFF505050;    // dialog buttons; also the transfer bar's frame
constexpr juce::uint32 buttonOn = 0xFF2F2FCB;  // a dialog button held down
constexpr juce::uint32 selection = 0xFFD2691E; // the tables' selected row; the alerts' accent
} // namespace vr::SharedColours
