#include "CMidiSetupComponent.h"

#include "MidiReceiver.h"

namespace vr
{
namespace
{
constexpr int kFadeMs = 250;
// A real unit's ports carry one of these in their names.
const char* const modelPortTexts[] = {"VR wren", "VR heron"};

void fill (juce::ComboBox& box, const juce::Array<MidiPortChoice>& choices)
{
    juce::StringArray names;
    for (int i = 0; i < choices.size(); ++i)
    {
        box.addItem (choices[i].name, i + 1);
        names.add (choices[i].name);
    }
    if (!choices.isEmpty())
        box.setSelectedId (CMidiSetupComponent::preselectedIndex (names) + 1, juce::sendNotification);
}
} // namespace

CMidiSetupComponent::CMidiSetupComponent (MidiReceiver& engine, MidiPortDirectory& ports)
    : midiReceiver (engine)
    , directory (ports)
    , inputs (ports.getInputs())
    , outputs (ports.getOutputs())
{
    okButton.setName ("new button");
    okButton.setButtonText ("OK");
    okButton.setColour (juce::TextButton::buttonColourId, juce::Colour (0xff505050));
    okButton.setColour (juce::TextButton::buttonOnColourId, juce::Colour (0xff2f2fcb));
    okButton.addListener (this);
    addAndMakeVisible (okButton);

    for (auto* box : {&inputBox, &outputBox})
    {
        box->setEditableText (false);
        box->setTextWhenNoChoicesAvailable ("(no choices)");
        box->addListener (this);
        addAndMakeVisible (*box);
    }
    inputBox.setName ("MidiInDevice");
    outputBox.setName ("MidiOutDevice");

    // Selected with notification: the chosen ports open right after start-up.
    fill (inputBox, inputs);
    fill (outputBox, outputs);

    setWantsKeyboardFocus (true);
    setSize (320, 170);
}

CMidiSetupComponent::~CMidiSetupComponent()
{
    okButton.removeListener (this);
    inputBox.removeListener (this);
    outputBox.removeListener (this);
}

int CMidiSetupComponent::preselectedIndex (const juce::StringArray& names)
{
    int index = 0;
    for (int i = 0; i < names.size(); ++i)
        for (const char* text : modelPortTexts)
            if (names[i].contains (text))
                index = i;
    return index;
}

void CMidiSetupComponent::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xffd8d8d8));

    const auto area = getLocalBounds().reduced (8).toFloat();
    g.setGradientFill (juce::ColourGradient (juce::Colour (0xffa1a1a1), area.getTopLeft(),
                                             juce::Colour (0xffe9e9e9), area.getBottomLeft(), false));
    g.fillRect (area);
    g.setColour (juce::Colour (0xff808080));
    g.drawRect (area, 1.0f);

    g.setColour (juce::Colours::black);
    g.setFont (juce::Font ("Arial", 15.0f, juce::Font::bold));
    g.drawText ("MIDI Setup", 24, 14, 200, 20, juce::Justification::centredLeft);
    g.setFont (juce::Font ("Arial", 13.0f, juce::Font::plain));
    g.drawText ("MIDI In :", 24, 46, 64, 20, juce::Justification::centredLeft);
    g.drawText ("MIDI Out:", 24, 80, 64, 20, juce::Justification::centredLeft);
}

void CMidiSetupComponent::resized()
{
    okButton.setBounds (114, 124, 96, 24);
    inputBox.setBounds (88, 48, 208, 20);
    outputBox.setBounds (88, 82, 208, 20);
}

bool CMidiSetupComponent::keyPressed (const juce::KeyPress& key)
{
    // Until the ports have been confirmed once, the panel stays.
    if (key == juce::KeyPress::escapeKey && !firstShow)
        hidePanel();
    return false;
}

void CMidiSetupComponent::hidePanel()
{
    if (isVisible())
        juce::Desktop::getInstance().getAnimator().fadeOut (this, kFadeMs);
    setVisible (false);
    exitModalState (0);
}

void CMidiSetupComponent::openInput()
{
    const int index = inputBox.getSelectedId() - 1;
    midiReceiver.setInput (
        juce::isPositiveAndBelow (index, inputs.size()) ? directory.openInput (inputs[index]) : nullptr);
}

void CMidiSetupComponent::openOutput()
{
    const int index = outputBox.getSelectedId() - 1;
    midiReceiver.setOutput (nullptr);
    midiReceiver.setOutput (
        juce::isPositiveAndBelow (index, outputs.size()) ? directory.openOutput (outputs[index]) : nullptr);
}

void CMidiSetupComponent::comboBoxChanged (juce::ComboBox* box)
{
    if (box == &inputBox)
        openInput();
    else if (box == &outputBox)
        openOutput();
}

void CMidiSetupComponent::buttonClicked (juce::Button*)
{
    hidePanel();
    firstShow = false;
    openInput();
    openOutput();
    midiReceiver.sendIdentityRequest();
}
} // namespace vr
