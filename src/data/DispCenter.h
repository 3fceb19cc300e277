#pragma once

#include <juce_core/juce_core.h>

namespace vr
{
class DataCenter;

// Converts knob values to the text of their value boxes and typed text back
// to knob values. Four knobs read the type of their section from the store.
class DispCenter
{
public:
    explicit DispCenter (const DataCenter& store) noexcept
        : dataCenter (store)
    {
    }

    juce::String valueToText (int parameter, int value) const;
    // noValue when the text names no value: the box then keeps its value.
    int textToValue (int parameter, const juce::String& text) const;
    static constexpr int noValue = -1;

private:
    const DataCenter& dataCenter;

    JUCE_DECLARE_NON_COPYABLE (DispCenter)
};
} // namespace vr
