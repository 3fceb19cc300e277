#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace vr::test
{
// Lets asynchronous notifications (slider, combo box, text editor) land.
inline void pump (int ms = 40)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (ms);
}

// Types the text key by key, as the keyboard would.
inline void typeInto (juce::TextEditor& editor, const juce::String& text)
{
    for (auto p = text.getCharPointer(); !p.isEmpty();)
        editor.keyPressed (juce::KeyPress (0, juce::ModifierKeys(), p.getAndAdvance()));
    pump();
}

inline void pressReturn (juce::TextEditor& editor)
{
    editor.keyPressed (juce::KeyPress (juce::KeyPress::returnKey));
    pump();
}
} // namespace vr::test
