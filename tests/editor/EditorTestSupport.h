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

// A left-button mouse event on the component, pressed at downPos.
inline juce::MouseEvent mouseAt (juce::Component& c, juce::Point<float> pos, juce::Point<float> downPos,
                                 bool dragged)
{
    const auto now = juce::Time::getCurrentTime();
    return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), pos,
                             juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier), 1.0f, 0.0f, 0.0f,
                             0.0f, 0.0f, &c, &c, now, downPos, now, 1, dragged);
}

inline void pressReturn (juce::TextEditor& editor)
{
    editor.keyPressed (juce::KeyPress (juce::KeyPress::returnKey));
    pump();
}
} // namespace vr::test
