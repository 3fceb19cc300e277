#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace vr::render
{
// Each renders one view as a person would see it in the window, without a
// MIDI setup. An invalid image means the request could not be met.

// The editor view with the name strip over it, holding program n: 0-199 a
// slot of a fresh unit list, 200-399 a factory program.
juce::Image renderEditorView (int programNumber);

// The library view with a fresh unit list and one open library file.
juce::Image renderLibraryView();
} // namespace vr::render
