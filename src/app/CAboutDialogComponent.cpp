#include "CAboutDialogComponent.h"

#include "AppInfo.h"
#include "CZELKResource.h"
#include "data/DataCenter.h"
#include "data/SharedColours.h"
#include "midi/SysexMessages.h"

namespace vr
{
namespace
{
constexpr int kFadeMs = 250;
const juce::Colour labelColour{0xffeeeeee};

struct LabelSpec
{
    const char* componentName;
    const char* initialText;
    float fontHeight;
    juce::Rectangle<int> bounds;
};

// In creation order: title, version, connection, unit version.
const LabelSpec labelSpecs[] = {
    {"labelTitle", "VORANTE wren & heron SoundEditor", 17.0f, {16, 16, 224, 24}},
    {"labelVersion", "version 0.00", 16.0f, {16, 40, 112, 24}},
    {"labelConnection", "Status : Not Connected", 15.0f, {16, 120, 204, 24}},
    {"labelVersion", "VR wren : version 0.00", 15.0f, {16, 64, 180, 24}},
};

const juce::Rectangle<int> okBounds{60, 156, 100, 24};
} // namespace

CAboutDialogComponent::CAboutDialogComponent (const DataCenter& store)
    : dataCenter (store)
{
    okButton.setName ("new button");
    okButton.setButtonText ("OK");
    okButton.setColour (juce::TextButton::buttonColourId, juce::Colour (SharedColours::button));
    okButton.setColour (juce::TextButton::buttonOnColourId, juce::Colour (SharedColours::buttonOn));
    okButton.setColour (juce::TextButton::textColourOffId, juce::Colours::white);
    okButton.setColour (juce::TextButton::textColourOnId, juce::Colours::white);
    okButton.addListener (this);
    addAndMakeVisible (okButton);

    juce::Label* labels[] = {&titleLabel, &versionLabel, &connectionLabel, &unitVersionLabel};
    for (size_t i = 0; i < std::size (labels); ++i)
    {
        auto& label = *labels[i];
        label.setName (labelSpecs[i].componentName);
        label.setText (labelSpecs[i].initialText, juce::dontSendNotification);
        label.setFont (juce::Font ("Arial", labelSpecs[i].fontHeight, juce::Font::plain));
        label.setJustificationType (juce::Justification::centredLeft);
        label.setEditable (false, false);
        label.setColour (juce::Label::textColourId, labelColour);
        addAndMakeVisible (label);
    }

    setWantsKeyboardFocus (true);
    setSize (480, 200);
}

CAboutDialogComponent::~CAboutDialogComponent()
{
    okButton.removeListener (this);
}

juce::String CAboutDialogComponent::connectionText (const DataCenter& store)
{
    return store.connected ? "Target : Connected" : "Target : Not Connected";
}

juce::String CAboutDialogComponent::versionText()
{
    return juce::String ("version ") + kApplicationVersion;
}

juce::String CAboutDialogComponent::unitVersionText (const DataCenter& store)
{
    if (!store.connected)
        return "Target : version -.--";

    juce::String prefix = "Target : version ";
    if (store.modelCode == sysex::kModelWren)
        prefix = "VORANTE wren : version ";
    else if (store.modelCode == sysex::kModelHeron)
        prefix = "VORANTE heron : version ";

    const int v = store.versionMajor * 100 + store.versionMinor;
    return prefix + juce::String::formatted ("%01d.%02d", v / 100, v % 100);
}

void CAboutDialogComponent::paint (juce::Graphics& g)
{
    // The picture is the box's full size and brings its own frame: drawn at
    // the origin, every side of it shows.
    if (auto* resources = CZELKResource::getInstancePointer())
        if (auto image = resources->loadImage ("VRwrenAbout", "png"))
            g.drawImageAt (*image, 0, 0);
    g.setColour (juce::Colours::black);
    g.drawRect (getLocalBounds(), 1);

    connectionLabel.setText (connectionText (dataCenter), juce::sendNotification);
    versionLabel.setText (versionText(), juce::sendNotification);
    unitVersionLabel.setText (unitVersionText (dataCenter), juce::sendNotification);
}

void CAboutDialogComponent::resized()
{
    okButton.setBounds (okBounds);
    juce::Label* labels[] = {&titleLabel, &versionLabel, &connectionLabel, &unitVersionLabel};
    for (size_t i = 0; i < std::size (labels); ++i)
        labels[i]->setBounds (labelSpecs[i].bounds);
}

bool CAboutDialogComponent::keyPressed (const juce::KeyPress& key)
{
    if (key == juce::KeyPress::escapeKey)
        close();
    return false;
}

void CAboutDialogComponent::close()
{
    juce::Desktop::getInstance().getAnimator().fadeOut (this, kFadeMs);
    setVisible (false);
    exitModalState (0);
}
} // namespace vr
