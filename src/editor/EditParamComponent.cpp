#include "EditParamComponent.h"

#include "../data/CZELKResource.h"
#include "../data/DataCenter.h"
#include "../data/EffectTypes.h"
#include "../midi/MidiReceiver.h"
#include "../midi/SysexMessages.h"
#include "EditSession.h"

namespace vr
{
namespace
{
struct Box
{
    int x, y, w, h;
    juce::Rectangle<int> rect() const noexcept { return {x, y, w, h}; }
};

namespace Palette
{
const juce::Colour onOffOn{0xffffb0b0};
const juce::Colour onOffOff{0xffa0a0d0};
const juce::Colour onOffText{0xff1c1d20};
const juce::Colour typeBoxBackground{0x00505050};
const juce::Colour typeBoxText{0xfffffff0};
const juce::Colour typeBoxArrowButton{0x99505050};
const juce::Colour typeBoxArrow{0xffb8b4a6};
const juce::Colour valueBoxBackground{0x99505050};
const juce::Colour valueBoxText{0xfffffff0};
const juce::Colour valueBoxFocus{0xfff2a23a};
const juce::Colour caption{0xfff5f5dc};
// A value that differs from the stored program, and the lit Compare button.
const juce::Colour valueDiffers{0xff6fd3ff};
const juce::Colour compareOn{0xff6fd3ff};
} // namespace Palette

constexpr Box kCompareButton{640, 146, 96, 28};

// On/off buttons, by section (the section is also the bit of the on/off mask).
struct OnOffSpec
{
    const char* name;
    const char* text;
    Box bounds;
};
const OnOffSpec kOnOff[numSections] = {
    {"onoff_dyn", "DYNAMICS", {88, 205, 108, 20}}, {"onoff_amp", " AMP ", {322, 205, 120, 20}},
    {"onoff_cab", "CABINET", {592, 205, 100, 20}}, {"onoff_mod", "MODULATION", {88, 388, 108, 20}},
    {"onoff_delay", "DELAY", {256, 388, 100, 20}}, {"onoff_rev", "REVERB", {414, 388, 100, 20}},
};

// Type boxes, by section; record byte and wire parameter are 12 + section.
struct TypeBoxSpec
{
    const char* name;
    Box bounds;
};
const TypeBoxSpec kTypeBoxes[numSections] = {
    {"comboxdyntype", {85, 238, 112, 18}}, {"m_VRAmpType", {306, 238, 150, 18}},
    {"m_VRCabType", {584, 238, 120, 18}},  {"m_VRModType", {88, 420, 112, 18}},
    {"m_VRDlyType", {248, 420, 112, 18}},  {"m_VRRevType", {416, 420, 104, 18}},
};

// Knobs and their value boxes, by knob index; wire parameter 18 + index.
// The knob's name (knobName) names its edits in the Edit menu ("Undo Gain").
struct KnobSpec
{
    Box knob;
    Box valueBox;
};
const KnobSpec kKnobs[kNumKnobs] = {
    {{106, 270, 64, 64}, {106, 330, 56, 22}}, // 0 dynamics
    {{394, 270, 64, 64}, {394, 330, 56, 22}}, // 1 amp middle
    {{610, 270, 64, 64}, {610, 330, 56, 22}}, // 2 cabinet
    {{106, 454, 64, 64}, {106, 513, 56, 22}}, // 3 modulation
    {{236, 454, 64, 72}, {236, 513, 56, 22}}, // 4 delay level
    {{434, 454, 64, 64}, {434, 513, 56, 22}}, // 5 reverb
    {{246, 270, 64, 64}, {246, 330, 56, 22}}, // 6 amp gain
    {{318, 270, 64, 64}, {316, 330, 62, 22}}, // 7 amp treble
    {{464, 270, 64, 64}, {464, 330, 56, 22}}, // 8 amp bass
    {{658, 444, 64, 64}, {658, 513, 52, 22}}, // 9 program level
    {{566, 444, 64, 64}, {566, 513, 52, 22}}, // 10 noise reduction
    {{310, 454, 64, 72}, {307, 513, 62, 22}}, // 11 delay time
};
constexpr int kDelayTimeKnob = 11;
constexpr int kDelayTimeMaximum = 99;
constexpr int kFirstValueBoxId = 1;

// Children in the order they are added, which is their stacking order: every
// value box lies above the knob that reaches into it.
enum class Kind
{
    onOff,
    typeBox,
    knob,
    valueBox
};
struct Child
{
    Kind kind;
    int index;
};
const Child kStacking[] = {
    {Kind::onOff, dynamics},
    {Kind::onOff, amp},
    {Kind::onOff, cabinet},
    {Kind::onOff, modulation},
    {Kind::onOff, delay},
    {Kind::onOff, reverb},
    {Kind::typeBox, amp},
    {Kind::knob, 9},
    {Kind::knob, 0},
    {Kind::typeBox, cabinet},
    {Kind::typeBox, modulation},
    {Kind::typeBox, dynamics},
    {Kind::typeBox, delay},
    {Kind::typeBox, reverb},
    {Kind::knob, 10},
    {Kind::knob, 5},
    {Kind::knob, 3},
    {Kind::knob, 4},
    {Kind::knob, 2},
    {Kind::knob, 11},
    {Kind::valueBox, 0},
    {Kind::valueBox, 2},
    {Kind::valueBox, 3},
    {Kind::valueBox, 10},
    {Kind::valueBox, 9},
    {Kind::valueBox, 4},
    {Kind::valueBox, 11},
    {Kind::valueBox, 5},
    {Kind::knob, 6},
    {Kind::valueBox, 6},
    {Kind::knob, 7},
    {Kind::knob, 1},
    {Kind::knob, 8},
    {Kind::valueBox, 7},
    {Kind::valueBox, 1},
    {Kind::valueBox, 8},
};

// Knobs of each section in the order a refresh sets them.
struct KnobList
{
    int count;
    int knobs[4];
};
const KnobList kSectionKnobs[numSections] = {
    {1, {0}}, {4, {1, 6, 7, 8}}, {1, {2}}, {1, {3}}, {2, {4, 11}}, {3, {5, 10, 9}},
};
// Knobs whose maximum or display text follows the section's type.
const KnobList kTypeDependentKnobs[numSections] = {
    {1, {0}}, {2, {6, 7}}, {0, {}}, {1, {3}}, {1, {11}}, {0, {}},
};
// Order in which a refresh rewrites the value boxes.
const int kValueBoxOrder[kNumKnobs] = {0, 6, 7, 1, 8, 2, 3, 4, 11, 5, 10, 9};

// Amp captions over knobs 6, 7, 1 and 8, by the amp type's caption set.
struct Caption
{
    const char* text;
    int x, w;
};
struct CaptionSet
{
    float fontHeight;
    Caption captions[4];
};
const CaptionSet kAmpCaptions[] = {
    {12.0f, {{"GAIN", 250, 52}, {"TREBLE", 322, 52}, {"MIDDLE", 393, 52}, {"BASS", 462, 52}}},
    {12.0f, {{"MIDFREQ", 250, 52}, {"TREBLE", 322, 52}, {"MIDDLE", 393, 52}, {"BASS", 462, 52}}},
    {11.6f, {{"THRESHOLD", 240, 68}, {"OSC TYPE", 318, 60}, {" VCF ", 390, 60}, {"SYN LEVEL", 460, 68}}},
};
constexpr int kAmpCaptionY = 262;
constexpr int kAmpCaptionHeight = 16;

const CaptionSet& ampCaptionSet (int ampType) noexcept
{
    if (ampType >= 15 && ampType <= 21)
        return kAmpCaptions[1];
    return ampType == 25 ? kAmpCaptions[2] : kAmpCaptions[0];
}

// Captions of knobs the picture leaves blank.
struct FixedCaption
{
    const char* text;
    float fontHeight;
    Box bounds;
};
const FixedCaption kFixedCaptions[] = {
    {"NR", 15.0f, {566, 404, 48, 18}},
    {"LEVEL", 15.0f, {660, 404, 48, 18}},
    {"FX LEVEL", 12.0f, {236, 444, 56, 16}},
    {"TIME", 12.0f, {310, 444, 52, 16}},
};

constexpr float kDimmedKnobAlpha = 0.4f;
} // namespace

//==============================================================================
bool UndoKeysToWindowTextEditor::isUndoOrRedoKey (const juce::KeyPress& key) noexcept
{
    const auto mods = key.getModifiers();
    if (!mods.isCtrlDown() || mods.isAltDown())
        return false;
    const auto c = juce::CharacterFunctions::toLowerCase (static_cast<juce::juce_wchar> (key.getKeyCode()));
    return c == 'z' || (c == 'y' && !mods.isShiftDown());
}

bool UndoKeysToWindowTextEditor::keyPressed (const juce::KeyPress& key)
{
    return !isUndoOrRedoKey (key) && juce::TextEditor::keyPressed (key);
}

//==============================================================================
// Every control of the panel takes its colours from here.
EditorLookAndFeel::EditorLookAndFeel()
{
    setColour (juce::TextButton::buttonColourId, Palette::onOffOff);
    setColour (juce::TextButton::buttonOnColourId, Palette::onOffOn);
    setColour (juce::TextButton::textColourOffId, Palette::onOffText);
    setColour (juce::TextButton::textColourOnId, Palette::onOffText);

    setColour (juce::ComboBox::backgroundColourId, Palette::typeBoxBackground);
    setColour (juce::ComboBox::textColourId, Palette::typeBoxText);
    setColour (juce::ComboBox::buttonColourId, Palette::typeBoxArrowButton);
    setColour (juce::ComboBox::arrowColourId, Palette::typeBoxArrow);
    setColour (juce::ComboBox::outlineColourId, juce::Colours::transparentBlack);
    setColour (juce::ComboBox::focusedOutlineColourId, Palette::valueBoxFocus);

    setColour (juce::TextEditor::backgroundColourId, Palette::valueBoxBackground);
    setColour (juce::TextEditor::textColourId, Palette::valueBoxText);
    setColour (juce::TextEditor::outlineColourId, juce::Colours::transparentBlack);
    setColour (juce::TextEditor::focusedOutlineColourId, Palette::valueBoxFocus);
}

void EditorLookAndFeel::drawButtonBackground (juce::Graphics& g, juce::Button& button,
                                              const juce::Colour& background, bool highlighted, bool down)
{
    auto bounds = button.getLocalBounds().toFloat().reduced (0.5f);
    auto colour = background.withMultipliedAlpha (button.isEnabled() ? 1.0f : 0.5f);
    if (down || highlighted)
        colour = colour.contrasting (down ? 0.2f : 0.06f);

    // A soft vertical fall-off makes the flat pastel read as a key cap.
    g.setGradientFill (juce::ColourGradient::vertical (colour.brighter (0.12f), bounds.getY(),
                                                       colour.darker (0.18f), bounds.getBottom()));
    g.fillRoundedRectangle (bounds, 5.0f);
    g.setColour (juce::Colours::black.withAlpha (0.45f));
    g.drawRoundedRectangle (bounds, 5.0f, 1.0f);
}

juce::Font EditorLookAndFeel::getTextButtonFont (juce::TextButton&, int buttonHeight)
{
    return juce::Font (juce::jmin (13.0f, static_cast<float> (buttonHeight) * 0.62f), juce::Font::bold);
}

void EditorLookAndFeel::drawComboBox (juce::Graphics& g, int width, int height, bool, int, int, int, int,
                                      juce::ComboBox& box)
{
    const auto bounds = juce::Rectangle<int> (width, height).toFloat();
    g.setColour (box.findColour (juce::ComboBox::backgroundColourId));
    g.fillRoundedRectangle (bounds, 3.0f);
    if (box.hasKeyboardFocus (false))
    {
        g.setColour (box.findColour (juce::ComboBox::focusedOutlineColourId).withAlpha (0.6f));
        g.drawRoundedRectangle (bounds.reduced (0.5f), 3.0f, 1.0f);
    }

    const auto arrowZone =
        juce::Rectangle<float> (static_cast<float> (width - 16), 0.0f, 12.0f, static_cast<float> (height));
    g.setColour (box.findColour (juce::ComboBox::buttonColourId));
    g.fillRoundedRectangle (arrowZone.reduced (0.0f, 2.0f), 2.0f);

    juce::Path arrow;
    arrow.addTriangle (arrowZone.getX() + 2.0f, arrowZone.getCentreY() - 2.0f, arrowZone.getRight() - 2.0f,
                       arrowZone.getCentreY() - 2.0f, arrowZone.getCentreX(), arrowZone.getCentreY() + 3.0f);
    g.setColour (box.findColour (juce::ComboBox::arrowColourId).withAlpha (box.isEnabled() ? 0.9f : 0.3f));
    g.fillPath (arrow);
}

juce::Font EditorLookAndFeel::getComboBoxFont (juce::ComboBox& box)
{
    return juce::Font (juce::jmin (12.5f, static_cast<float> (box.getHeight()) * 0.78f));
}

void EditorLookAndFeel::positionComboBoxText (juce::ComboBox& box, juce::Label& label)
{
    // The arrow needs 16 pixels; the rest, with narrow margins, is for the
    // type's name, so the longest names fit without being squeezed.
    label.setBounds (1, 0, box.getWidth() - 17, box.getHeight());
    label.setBorderSize ({1, 3, 1, 2});
    label.setFont (getComboBoxFont (box));
}

//==============================================================================
EditParamComponent::EditParamComponent (DataCenter& store, MidiReceiver& engine)
    : dataCenter (store)
    , midiReceiver (engine)
    , m_DispCenter (store)
    , typeBoxes{&m_VRDynType, &m_VRAmpType, &m_VRCabType, &m_VRModType, &m_VRDlyType, &m_VRRevType}
{
    setLookAndFeel (&lookAndFeel);

    for (int s = 0; s < numSections; ++s)
    {
        auto& button = m_OnOff[static_cast<size_t> (s)];
        button.setName (kOnOff[s].name);
        button.setButtonText (kOnOff[s].text);
        button.setClickingTogglesState (true);

        auto& box = typeBox (s);
        box.setName (kTypeBoxes[s].name);
        box.setEditableText (false);
        box.setJustificationType (juce::Justification::centredLeft);
        box.setTextWhenNothingSelected ({});
        box.setTextWhenNoChoicesAvailable ("(no choices)");
        const auto types = effectTypes (s);
        for (int t = 0; t < types.size; ++t)
            box.addItem (types.names[t], t + 1);
    }

    for (int k = 0; k < kNumKnobs; ++k)
    {
        auto& editor = valueBox (k);
        editor.setName ("new texteditor");
        editor.setMultiLine (false);
        editor.setReturnKeyStartsNewLine (false);
        editor.setReadOnly (false);
        editor.setScrollbarsShown (false);
        editor.setCaretVisible (true);
        editor.setPopupMenuEnabled (false);
        editor.setJustification (juce::Justification::centred);
        editor.setIndents (2, 3);
        // A click into the box selects its text, so typing replaces it.
        editor.setSelectAllWhenFocused (true);
        editor.setComponentID (juce::String (kFirstValueBoxId + k));
        knob (k).m_EditorID = kFirstValueBoxId + k;
    }
    knob (kDelayTimeKnob).setRange (0.0, kDelayTimeMaximum, 1.0);
    knob (kDelayTimeKnob).m_MaxValue = kDelayTimeMaximum;

    for (const auto& child : kStacking)
    {
        switch (child.kind)
        {
            case Kind::onOff:
                addAndMakeVisible (onOffButton (child.index));
                onOffButton (child.index).addListener (this);
                break;
            case Kind::typeBox:
                addAndMakeVisible (typeBox (child.index));
                typeBox (child.index).addListener (this);
                break;
            case Kind::knob:
                addAndMakeVisible (knob (child.index));
                break;
            case Kind::valueBox:
                addAndMakeVisible (valueBox (child.index));
                break;
        }
    }
    for (auto& editor : m_ValueBoxes)
        editor.addListener (this);
    m_CompareButton.setName ("m_CompareButton");
    m_CompareButton.setButtonText ("Compare");
    m_CompareButton.setColour (juce::TextButton::buttonOnColourId, Palette::compareOn);
    m_CompareButton.setTooltip ("Switch between the edited program and the program as stored");
    addAndMakeVisible (m_CompareButton);
    m_CompareButton.addListener (this);
    for (auto& k : m_Knobs)
        k.addListener (this);
    for (int s = 0; s < numSections; ++s)
        showSectionState (s);
    juce::Desktop::getInstance().addGlobalMouseListener (this);

    setSize (800, 600);
}

EditParamComponent::~EditParamComponent()
{
    juce::Desktop::getInstance().removeGlobalMouseListener (this);
    for (auto& k : m_Knobs)
        k.removeListener (this);
    setLookAndFeel (nullptr);
}

juce::StringArray EditParamComponent::ampCaptions (int ampType)
{
    juce::StringArray texts;
    for (const auto& caption : ampCaptionSet (ampType).captions)
        texts.add (caption.text);
    return texts;
}

void EditParamComponent::paint (juce::Graphics& g)
{
    if (auto* resources = CZELKResource::getInstancePointer())
    {
        const auto background = resources->getCachedImage ("VREditorBG", "png");
        if (background.isValid())
            g.drawImageAt (background, 0, -3);
    }

    g.setColour (Palette::caption);

    const auto& amp = ampCaptionSet (dataCenter.current[RecordByte::ampType]);
    g.setFont (juce::Font (amp.fontHeight));
    for (const auto& caption : amp.captions)
        g.drawText (caption.text, caption.x, kAmpCaptionY, caption.w, kAmpCaptionHeight,
                    juce::Justification::centred, true);

    for (const auto& caption : kFixedCaptions)
    {
        g.setFont (juce::Font (caption.fontHeight));
        g.drawText (caption.text, caption.bounds.rect(), juce::Justification::centred, true);
    }
}

void EditParamComponent::resized()
{
    for (int s = 0; s < numSections; ++s)
    {
        onOffButton (s).setBounds (kOnOff[s].bounds.rect());
        typeBox (s).setBounds (kTypeBoxes[s].bounds.rect());
    }
    for (int k = 0; k < kNumKnobs; ++k)
    {
        knob (k).setBounds (kKnobs[k].knob.rect());
        valueBox (k).setBounds (kKnobs[k].valueBox.rect());
    }
    m_CompareButton.setBounds (kCompareButton.rect());
}

//==============================================================================
int EditParamComponent::knobIndexOf (const juce::Slider* slider) const noexcept
{
    for (int k = 0; k < kNumKnobs; ++k)
        if (slider == &m_Knobs[static_cast<size_t> (k)])
            return k;
    return -1;
}

int EditParamComponent::knobIndexOfBox (const juce::TextEditor& editor) const noexcept
{
    const int id = editor.getComponentID().getIntValue();
    for (int k = 0; k < kNumKnobs; ++k)
        if (m_Knobs[static_cast<size_t> (k)].m_EditorID == id)
            return k;
    return -1;
}

void EditParamComponent::showValue (int knobIndex, int value)
{
    valueBox (knobIndex).setText (m_DispCenter.valueToText (kFirstKnobParameter + knobIndex, value), true);
}

void EditParamComponent::showKnobValue (int knobIndex)
{
    showValue (knobIndex, static_cast<int> (knob (knobIndex).getValue()));
}

void EditParamComponent::showSectionState (int section)
{
    const float alpha = onOffButton (section).getToggleState() ? 1.0f : kDimmedKnobAlpha;
    for (int k = 0; k < kNumKnobs; ++k)
        if (sectionOfKnob (k) == section)
            knob (k).setAlpha (alpha);
}

void EditParamComponent::applyKnobMaximum (int knobIndex)
{
    knob (knobIndex).m_MaxValue = knobMaximum (dataCenter.current, knobIndex);
}

bool EditParamComponent::sendParameter (int parameter, int value)
{
    // The refresh already stays quiet during a transfer; only both transfer
    // flags at once silence a control.
    if (midiReceiver.isReceiving() && midiReceiver.isTransmitting())
        return false;
    return midiReceiver.sendParameterChange (parameter, value);
}

void EditParamComponent::edit (const juce::String& what, int mergeKey, const std::function<void()>& change)
{
    if (session != nullptr)
        session->recordProgramEdit (what, mergeKey, change);
    else
        change();
}

void EditParamComponent::sliderValueChanged (juce::Slider* slider)
{
    const int k = knobIndexOf (slider);
    if (k < 0)
        return;

    // The value read here may still be above the maximum; the knob's own
    // handling pulls it back and its next change sends the maximum last.
    // That change joins the gesture's step.
    const int v = static_cast<int> (slider->getValue()) & 0xff;
    auto change = [this, k, v]
    {
        knob (k).setKnobValue (v, true, false);
        showValue (k, v);
        dataCenter.setKnob (v, k);
        sendParameter (kFirstKnobParameter + k, v);
        showDifferences();
    };
    if (k == userKnob || k == heldKnob)
        edit (knobName (k), 1 + k, change);
    else
        change();
}

void EditParamComponent::takeHoldOf (int knobIndex)
{
    userKnob = knobIndex;
    if (session != nullptr)
        session->breakStep();
}

void EditParamComponent::sliderDragStarted (juce::Slider* slider)
{
    const int k = knobIndexOf (slider);
    if (k < 0)
        return;
    takeHoldOf (k);
    heldKnob = k;
}

void EditParamComponent::sliderDragEnded (juce::Slider* slider)
{
    if (knobIndexOf (slider) == heldKnob)
        heldKnob = -1;
}

void EditParamComponent::buttonClicked (juce::Button* button)
{
    if (button == &m_CompareButton)
    {
        toggleCompare();
        return;
    }
    for (int s = 0; s < numSections; ++s)
    {
        if (button != &onOffButton (s))
            continue;

        const bool on = button->getToggleState();
        edit (sectionName (s) + (on ? " On" : " Off"), 0,
              [this, s, on]
              {
                  auto& mask = dataCenter.current[RecordByte::onOffMask];
                  const auto bit = static_cast<std::uint8_t> (1 << s);
                  mask = static_cast<std::uint8_t> (on ? (mask | bit) : (mask & ~bit));
                  showSectionState (s);
                  sendParameter (RecordByte::onOffMask, mask);
              });
        return;
    }
}

void EditParamComponent::comboBoxChanged (juce::ComboBox* box)
{
    int s = 0;
    while (s < numSections && box != typeBoxes[static_cast<size_t> (s)])
        ++s;
    if (s == numSections)
        return;

    const int id = box->getSelectedId();
    const int type = id - 1;
    if (id > 0 && type != dataCenter.getType (s))
    {
        edit (sectionName (s) + " Type", 0,
              [this, s, type]
              {
                  // Choosing a type switches the effect on; the unit hears that first.
                  onOffButton (s).setToggleState (true, juce::sendNotification);
                  const auto before = dataCenter.current;
                  dataCenter.setType (RecordByte::firstType + s, type);

                  const auto& dependent = kTypeDependentKnobs[s];
                  for (int i = 0; i < dependent.count; ++i)
                  {
                      const int k = dependent.knobs[i];
                      applyKnobMaximum (k);
                      // The knob shows what the store now holds, quietly: the
                      // unit hears about it below.
                      knob (k).setKnobValue (dataCenter.getKnob (k), false, false);
                      showValue (k, dataCenter.getKnob (k));
                  }
                  sendParameter (RecordByte::firstType + s, type);
                  // The unit only stores what it is told: a knob the new
                  // type's limits lowered is told too.
                  for (int i = 0; i < dependent.count; ++i)
                  {
                      const int k = dependent.knobs[i];
                      const auto at = static_cast<size_t> (knobIndexToByte (k));
                      if (dataCenter.current[at] != before[at])
                          sendParameter (kFirstKnobParameter + k, dataCenter.getKnob (k));
                  }
              });
        showDifferences();
    }
    // The amp captions follow the amp type.
    repaint();
}

void EditParamComponent::textEditorReturnKeyPressed (juce::TextEditor& editor)
{
    const int k = knobIndexOfBox (editor);
    if (k < 0)
        return;

    // A changed value is stored and sent by the knob's notification, as a
    // step of its own; the box shows what the knob took at once, also when
    // that changed nothing.
    const int value = m_DispCenter.textToValue (kFirstKnobParameter + k, editor.getText());
    if (value != DispCenter::noValue)
    {
        takeHoldOf (k);
        knob (k).setKnobValue (value, true, false);
    }
    showKnobValue (k);
    editor.setHighlightedRegion ({0, editor.getTotalNumChars()});
}

void EditParamComponent::textEditorEscapeKeyPressed (juce::TextEditor& editor)
{
    const int k = knobIndexOfBox (editor);
    if (k < 0)
        return;

    showKnobValue (k);
    editor.setHighlightedRegion ({0, editor.getTotalNumChars()});
}

void EditParamComponent::textEditorFocusLost (juce::TextEditor& editor)
{
    // Text not confirmed with Return is dropped, and so is the selection, so
    // that a box not being edited looks like every other.
    const int k = knobIndexOfBox (editor);
    if (k < 0)
        return;
    showKnobValue (k);
    editor.setHighlightedRegion ({});
}

void EditParamComponent::mouseDown (const juce::MouseEvent& event)
{
    for (int k = 0; k < kNumKnobs; ++k)
    {
        auto& box = valueBox (k);
        if (event.eventComponent == &box || box.isParentOf (event.eventComponent))
            continue;
        if (box.hasKeyboardFocus (true))
            box.giveAwayKeyboardFocus();
        showKnobValue (k);
    }
}

void EditParamComponent::showCurrentProgram()
{
    userKnob = -1;
    for (int s = 0; s < numSections; ++s)
    {
        const int id = dataCenter.getType (s) + 1;
        if (typeBox (s).indexOfItemId (id) >= 0)
            typeBox (s).setSelectedId (id, juce::dontSendNotification);
        onOffButton (s).setToggleState (((dataCenter.current[RecordByte::onOffMask] >> s) & 1) != 0,
                                        juce::dontSendNotification);
        showSectionState (s);
    }
    for (int k = 0; k < kNumKnobs; ++k)
    {
        applyKnobMaximum (k);
        knob (k).setKnobValue (dataCenter.getKnob (k), false, false);
        // The box says what the knob shows: a value above the type's limit
        // (the default record's gain) is shown at the limit, as the knob is.
        showKnobValue (k);
    }
    showDifferences();
    repaint();
}

void EditParamComponent::changeListenerCallback (juce::ChangeBroadcaster*)
{
    // During a transfer the store holds programs passing through; the panel
    // keeps the old one until the broadcast after the transfer.
    if (midiReceiver.isReceiving() || midiReceiver.isTransmitting())
        return;
    userKnob = -1;

    // The stored version shown is only read: nothing goes back from it.
    if (isComparing())
    {
        showCurrentProgram();
        return;
    }

    // Selections, knob values and button states are set with notification:
    // whatever differs from what was shown goes back to the unit.
    for (int s = 0; s < numSections; ++s)
    {
        const int id = dataCenter.getType (s) + 1;
        if (typeBox (s).indexOfItemId (id) >= 0)
            typeBox (s).setSelectedId (id, juce::sendNotificationAsync);

        const auto& knobs = kSectionKnobs[s];
        for (int i = 0; i < knobs.count; ++i)
        {
            const int k = knobs.knobs[i];
            applyKnobMaximum (k);
            knob (k).setKnobValue (dataCenter.getKnob (k), true, false);
        }
    }

    const int mask = dataCenter.current[RecordByte::onOffMask];
    for (int s = 0; s < numSections; ++s)
        onOffButton (s).setToggleState (((mask >> s) & 1) != 0, juce::sendNotification);

    for (const int k : kValueBoxOrder)
        showKnobValue (k);
    showDifferences();
}

//==============================================================================
void EditParamComponent::toggleCompare()
{
    if (session != nullptr)
        session->toggleCompare();
}

bool EditParamComponent::isComparing() const noexcept
{
    return session != nullptr && session->isComparing();
}

void EditParamComponent::compareChanged()
{
    // The program dump the session sent carries every value: the controls
    // follow without sending parameter changes of their own.
    showCurrentProgram();
    setControlsEditable (!isComparing());
}

void EditParamComponent::setControlsEditable (bool editable)
{
    // Shown, not dimmed: the stored values are there to be read.
    m_CompareButton.setToggleState (!editable, juce::dontSendNotification);
    for (int s = 0; s < numSections; ++s)
    {
        for (juce::Component* control :
             {static_cast<juce::Component*> (&onOffButton (s)), static_cast<juce::Component*> (&typeBox (s))})
        {
            control->setInterceptsMouseClicks (editable, editable);
            control->setWantsKeyboardFocus (editable);
        }
    }
    for (int k = 0; k < kNumKnobs; ++k)
    {
        // Knobs never take the keyboard; a click is all they answer.
        knob (k).setInterceptsMouseClicks (editable, editable);
        valueBox (k).setReadOnly (!editable);
        valueBox (k).setCaretVisible (editable);
        valueBox (k).setInterceptsMouseClicks (editable, editable);
        valueBox (k).setWantsKeyboardFocus (editable);
        if (!editable && valueBox (k).hasKeyboardFocus (true))
            valueBox (k).giveAwayKeyboardFocus();
    }
}

void EditParamComponent::showDifferences()
{
    std::array<bool, kNumKnobs> differ{};
    if (session != nullptr)
        differ = differingKnobs (session->editedVersion(), session->storedVersion());

    for (int k = 0; k < kNumKnobs; ++k)
    {
        const auto at = static_cast<size_t> (k);
        if (differ[at] == isValueBoxMarked (k))
            continue;
        auto& box = valueBox (k);
        if (differ[at])
        {
            box.setColour (juce::TextEditor::outlineColourId, Palette::valueDiffers);
            box.setColour (juce::TextEditor::textColourId, Palette::valueDiffers);
        }
        else
        {
            box.removeColour (juce::TextEditor::outlineColourId);
            box.removeColour (juce::TextEditor::textColourId);
        }
        // Text already in the box keeps the colour it was set in.
        box.applyColourToAllText (box.findColour (juce::TextEditor::textColourId));
    }
}

std::array<bool, kNumKnobs> EditParamComponent::differingKnobs (const ProgramRecord& a,
                                                                const ProgramRecord& b) noexcept
{
    std::array<bool, kNumKnobs> differ{};
    for (int k = 0; k < kNumKnobs; ++k)
    {
        const auto at = static_cast<size_t> (knobIndexToByte (k));
        differ[static_cast<size_t> (k)] = a[at] != b[at];
    }
    return differ;
}
} // namespace vr
