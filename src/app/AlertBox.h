#pragma once

#include "Dialogs.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace vr
{
// The program's own alert: a framework alert window (top-level, titled,
// modal, with its button shortcuts) drawn in the program's colours, with a
// small icon and each message line kept whole where it fits.
class AlertBox : public juce::AlertWindow
{
public:
    explicit AlertBox (const AlertText& alert);

    // Where everything goes, from the texts alone.
    struct Layout
    {
        juce::StringArray lines;   // the message as drawn, one entry a line
        juce::Rectangle<int> icon; // empty without an icon
        juce::Rectangle<int> title;
        juce::Rectangle<int> text;
        int buttonsTop{0};
        juce::Rectangle<int> bounds;
    };
    static Layout layOut (const AlertText& alert, int buttonsWidth);
    static constexpr int kMaxTextWidth = 440;

    const Layout& getLayout() const noexcept { return layout; }
    void paint (juce::Graphics& g) override;

private:
    AlertText::Icon icon;
    juce::String message;
    Layout layout;
};
} // namespace vr
