#pragma once

#include "MidiPortDirectory.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace vr
{
class MidiReceiver;

// The panel in which the user picks the ports that lead to the unit.
// Changing a box reopens that port at once; OK reopens both and asks the
// unit who it is, whose answer starts the first Receive All.
class CMidiSetupComponent : public juce::Component,
                            private juce::Button::Listener,
                            private juce::ComboBox::Listener
{
public:
    CMidiSetupComponent (MidiReceiver& engine, MidiPortDirectory& ports);
    ~CMidiSetupComponent() override;

    void paint (juce::Graphics& g) override;
    void resized() override;
    bool keyPressed (const juce::KeyPress& key) override;

    // Index of the entry to preselect: the last whose name holds a model's
    // port text, else the first.
    static int preselectedIndex (const juce::StringArray& names);

    juce::TextButton& getOkButton() noexcept { return okButton; }
    juce::ComboBox& getInputBox() noexcept { return inputBox; }
    juce::ComboBox& getOutputBox() noexcept { return outputBox; }
    bool isFirstShow() const noexcept { return firstShow; }

private:
    void buttonClicked (juce::Button*) override;
    void comboBoxChanged (juce::ComboBox* box) override;

    void openInput();
    void openOutput();
    void hidePanel();

    MidiReceiver& midiReceiver;
    MidiPortDirectory& directory;
    juce::Array<MidiPortChoice> inputs;
    juce::Array<MidiPortChoice> outputs;
    juce::TextButton okButton;
    juce::ComboBox inputBox;
    juce::ComboBox outputBox;
    bool firstShow{true};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CMidiSetupComponent)
};
} // namespace vr
