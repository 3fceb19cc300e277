#pragma once

#include "EditParamComponent.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace vr
{
class DataCenter;
class EditSession;
class MidiReceiver;
class RomFileProgramList;
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

    // The edit session renames and category changes go through (not owned).
    void setSession (EditSession* sessionToUse) noexcept { session = sessionToUse; }
    // Names the files a program auditioned from a file came from (not owned).
    void setFileNames (const RomFileProgramList* romAndFiles) noexcept { romNames = romAndFiles; }
    // "from 215 ROM" while the current program is not the selected slot's
    // (Write still goes to the slot the number shows); empty otherwise.
    juce::String originText() const;
    // Shows the store's program, telling the unit nothing (after an undo).
    void showCurrentProgram();

    void paint (juce::Graphics& g) override;
    void resized() override;

    // The name box takes only what the unit can hold (letters folded to
    // capitals as typed, at most ten characters).
    void textEditorTextChanged (juce::TextEditor& editor) override;
    void textEditorReturnKeyPressed (juce::TextEditor& editor) override;
    void textEditorFocusLost (juce::TextEditor& editor) override;
    void comboBoxChanged (juce::ComboBox* box) override;
    // Watches every mouse press on the desktop: one outside the name box ends
    // its edit, as focus loss does.
    void mouseDown (const juce::MouseEvent& event) override;
    // Status during a transfer, otherwise the current program.
    void changeListenerCallback (juce::ChangeBroadcaster* source) override;

    // Marks a program that differs from what was chosen or last written.
    static constexpr const char* kEditedMark = "EDITED";

    juce::TextEditor& nameBox() noexcept { return m_PGNameBox; }
    juce::TextEditor& numberBox() noexcept { return m_PGNumEdit; }
    juce::ComboBox& categoryBox() noexcept { return m_VRCategory; }

private:
    void edit (const juce::String& what, int mergeKey, const std::function<void()>& change);

    struct NameFilter : juce::TextEditor::InputFilter
    {
        juce::String filterNewText (juce::TextEditor& editor, const juce::String& newInput) override;
    };

    DataCenter& dataCenter;
    MidiReceiver& midiReceiver;
    UnitProgramList& unitProgramList;
    juce::ChangeBroadcaster& selectionBroadcaster;
    EditorLookAndFeel lookAndFeel;
    EditSession* session{nullptr};
    const RomFileProgramList* romNames{nullptr};

    NameFilter nameFilter; // before the box that uses it
    UndoKeysToWindowTextEditor m_PGNameBox;
    juce::TextEditor m_PGNumEdit;
    juce::ComboBox m_VRCategory;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PGNameEditComponent)
};
} // namespace vr
