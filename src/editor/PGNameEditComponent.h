#pragma once

#include "EditParamComponent.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace vr
{
class DataCenter;
class MidiReceiver;
class UnitProgramList;

// The strip over the editor: the current program's number, its name (edited
// here) and its category; during a bulk transfer it shows the transfer's
// progress instead. Renaming sends the whole program to the unit, a new
// category one parameter change.
class PGNameEditComponent : public juce::Component,
                            public juce::TextEditor::Listener,
                            public juce::ComboBox::Listener,
                            public juce::ChangeListener
{
public:
    // Registers with the program-selection broadcaster; the owner registers
    // the strip with the engine's broadcaster too (same callback).
    PGNameEditComponent (DataCenter& store, MidiReceiver& engine, UnitProgramList& unitList,
                         juce::ChangeBroadcaster& programSelection);
    ~PGNameEditComponent() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    void textEditorTextChanged (juce::TextEditor& editor) override;
    void textEditorReturnKeyPressed (juce::TextEditor& editor) override;
    void textEditorFocusLost (juce::TextEditor& editor) override;
    void comboBoxChanged (juce::ComboBox* box) override;
    // Status during a transfer, otherwise the current program.
    void changeListenerCallback (juce::ChangeBroadcaster* source) override;

    juce::TextEditor& nameBox() noexcept { return m_PGNameBox; }
    juce::TextEditor& numberBox() noexcept { return m_PGNumEdit; }
    juce::ComboBox& categoryBox() noexcept { return m_VRCategory; }

    // Upper-cases the letters a-z only; every other character stays.
    static juce::String upperCaseLetters (const juce::String& text);

private:
    DataCenter& dataCenter;
    MidiReceiver& midiReceiver;
    UnitProgramList& unitProgramList;
    juce::ChangeBroadcaster& selectionBroadcaster;
    EditorLookAndFeel lookAndFeel;

    juce::TextEditor m_PGNameBox;
    juce::TextEditor m_PGNumEdit;
    juce::ComboBox m_VRCategory;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PGNameEditComponent)
};
} // namespace vr
