#pragma once

#include "../data/DispCenter.h"
#include "../data/ProgramRecord.h"
#include "VRKnob.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <functional>
#include <optional>

namespace vr
{
class DataCenter;
class EditSession;
class MidiReceiver;

// A text box whose Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z go on to the window's
// Undo and Redo instead of the box's own typing history.
class UndoKeysToWindowTextEditor : public juce::TextEditor
{
public:
    using juce::TextEditor::TextEditor;
    bool keyPressed (const juce::KeyPress& key) override;
    static bool isUndoOrRedoKey (const juce::KeyPress& key) noexcept;
};

// Colours and drawing of the panel's buttons, type boxes and value boxes over
// the dark front-panel picture.
class EditorLookAndFeel : public juce::LookAndFeel_V4
{
public:
    EditorLookAndFeel();

    void drawButtonBackground (juce::Graphics& g, juce::Button& button, const juce::Colour& background,
                               bool highlighted, bool down) override;
    juce::Font getTextButtonFont (juce::TextButton& button, int buttonHeight) override;
    void drawComboBox (juce::Graphics& g, int width, int height, bool down, int buttonX, int buttonY,
                       int buttonW, int buttonH, juce::ComboBox& box) override;
    juce::Font getComboBoxFont (juce::ComboBox& box) override;
    void positionComboBoxText (juce::ComboBox& box, juce::Label& label) override;
};

// The editor view: every parameter of the current program as a control over
// the picture of the unit's front panel. Each change is stored in the store
// and sent to the unit at once; a change broadcast re-reads the program.
class EditParamComponent : public juce::Component,
                           public juce::ChangeListener,
                           public juce::Button::Listener,
                           public juce::Slider::Listener,
                           public juce::TextEditor::Listener,
                           public juce::ComboBox::Listener
{
public:
    EditParamComponent (DataCenter& store, MidiReceiver& engine);
    ~EditParamComponent() override;

    // The edit session the panel's gestures go through (not owned; none:
    // edits are not kept for Undo and there is nothing to compare).
    void setSession (EditSession* sessionToUse) noexcept { session = sessionToUse; }
    // The controls show the store, telling the unit nothing: after an undo,
    // which told the unit itself.
    void showCurrentProgram();

    void paint (juce::Graphics& g) override;
    void resized() override;

    // Current program changed: the controls follow the store (not during a
    // bulk transfer). Controls that change report it back to the unit.
    void changeListenerCallback (juce::ChangeBroadcaster* source) override;

    void buttonClicked (juce::Button* button) override;
    void sliderValueChanged (juce::Slider* slider) override;
    // A knob gesture is one step of the history, from press to release.
    void sliderDragStarted (juce::Slider* slider) override;
    void sliderDragEnded (juce::Slider* slider) override;
    void comboBoxChanged (juce::ComboBox* box) override;
    // A value box shows its knob's value again after Return, Escape or focus
    // loss, whatever was typed.
    void textEditorReturnKeyPressed (juce::TextEditor& editor) override;
    void textEditorEscapeKeyPressed (juce::TextEditor& editor) override;
    void textEditorFocusLost (juce::TextEditor& editor) override;

    // The panel watches every mouse press on the desktop: a press anywhere but
    // in a value box ends that box's edit, which a click on a background that
    // takes no keyboard focus would not do by itself.
    void mouseDown (const juce::MouseEvent& event) override;

    // Read access for the owner and tests; index = section or knob index.
    juce::TextButton& onOffButton (int section) noexcept { return m_OnOff[static_cast<size_t> (section)]; }
    juce::ComboBox& typeBox (int section) noexcept { return *typeBoxes[static_cast<size_t> (section)]; }
    VRKnob& knob (int knobIndex) noexcept { return m_Knobs[static_cast<size_t> (knobIndex)]; }
    juce::TextEditor& valueBox (int knobIndex) noexcept
    {
        return m_ValueBoxes[static_cast<size_t> (knobIndex)];
    }

    // The amp captions painted over the picture for an amp type.
    static juce::StringArray ampCaptions (int ampType);

    // Compare: the button asks the session to switch between the edited
    // program and its stored version. While the stored one is shown the
    // controls only show; value boxes whose edited value differs from the
    // stored one are marked in both states.
    void toggleCompare();
    bool isComparing() const noexcept;
    // After the session switched: the controls follow the shown version.
    void compareChanged();
    // Knobs whose value differs between the two records.
    static std::array<bool, kNumKnobs> differingKnobs (const ProgramRecord& a,
                                                       const ProgramRecord& b) noexcept;
    // A marked box has a frame of its own colour.
    bool isValueBoxMarked (int knobIndex) const
    {
        return m_ValueBoxes[static_cast<size_t> (knobIndex)].isColourSpecified (
            juce::TextEditor::outlineColourId);
    }
    juce::TextButton& compareButton() noexcept { return m_CompareButton; }

private:
    int knobIndexOf (const juce::Slider* slider) const noexcept;
    int knobIndexOfBox (const juce::TextEditor& editor) const noexcept;
    void showValue (int knobIndex, int value);
    void showKnobValue (int knobIndex);
    // Knobs of a section that is off are drawn dimmed.
    void showSectionState (int section);
    void applyKnobMaximum (int knobIndex);
    // Sends one parameter change when the engine lets views send.
    bool sendParameter (int parameter, int value);
    void setControlsEditable (bool editable);
    void showDifferences();
    // The user takes hold of a knob: its next changes are a new step.
    void takeHoldOf (int knobIndex);
    // Runs an edit as a step of the history, when there is one.
    void edit (const juce::String& what, int mergeKey, const std::function<void()>& change);

    DataCenter& dataCenter;
    MidiReceiver& midiReceiver;
    DispCenter m_DispCenter;
    EditorLookAndFeel lookAndFeel;
    EditSession* session{nullptr};
    // The knob the user last took hold of (a gesture, a typed value); only its
    // changes are steps. A refresh lets go: the values it sets, even one its
    // knob pulls down to the maximum, are the program's own. A knob held in
    // the hand stays the user's until released, refreshes and undos included.
    int userKnob{-1};
    int heldKnob{-1};

    std::array<juce::TextButton, numSections> m_OnOff;
    juce::ComboBox m_VRDynType, m_VRAmpType, m_VRCabType, m_VRModType, m_VRDlyType, m_VRRevType;
    std::array<juce::ComboBox*, numSections> typeBoxes;
    std::array<VRKnob, kNumKnobs> m_Knobs;
    std::array<UndoKeysToWindowTextEditor, kNumKnobs> m_ValueBoxes;
    juce::TextButton m_CompareButton;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (EditParamComponent)
};
} // namespace vr
