#include "PGNameEditComponent.h"

#include "../data/DataCenter.h"
#include "../data/EffectTypes.h"
#include "../library/ProgramLists.h"
#include "../midi/MidiReceiver.h"
#include "../midi/SysexMessages.h"
#include "EditSession.h"

namespace vr
{
namespace
{
namespace Palette
{
const juce::Colour nameText{0xfffcfcfc};
const juce::Colour nameBackground{0x009fc8d0};
const juce::Colour nameHighlight{0x55111188};
const juce::Colour nameOutline{0x00ffffff};
const juce::Colour nameShadow{0x00ffffff};
const juce::Colour numberBackground{0x00ffffff};
const juce::Colour numberHighlight{0x3affffff};
const juce::Colour numberShadow{0x00000000};
const juce::Colour numberCaret{0xfff0f0f0};
const juce::Colour categoryBackground{0x00505050};
const juce::Colour categoryText{0xfffffff0};
const juce::Colour categoryArrowButton{0x11505050};
const juce::Colour caption{0xfff5f5dc};
const juce::Colour editedMark{0xfff2a23a};
} // namespace Palette

const juce::Rectangle<int> kNameBounds{52, 0, 186, 40};
const juce::Rectangle<int> kNumberBounds{0, 0, 54, 40};
const juce::Rectangle<int> kCategoryBounds{242, 18, 48, 16};
const juce::Rectangle<int> kCategoryCaption{240, 0, 54, 17};
const juce::Rectangle<int> kEditedMarkBounds{2, 30, 50, 10};
const juce::Rectangle<int> kOriginBounds{56, 31, 182, 9};

// Keystrokes in the name box and its Return are one step.
constexpr int kNameStep = 100;

const char* const kReceivingText = "RECEIVED...";
const char* const kTransmittingText = "TRANSMIT...";

// The strip's face; a machine without it gets the default sans face rather
// than a typeface with no glyphs.
juce::Font stripFont()
{
    static const bool haveArial = juce::Font::findAllTypefaceNames().contains ("Arial");
    return haveArial ? juce::Font ("Arial", 22.0f, juce::Font::plain) : juce::Font (22.0f, juce::Font::plain);
}

juce::String programNumberText (int n)
{
    return juce::String::formatted ("%03d", n);
}

void makeSingleLine (juce::TextEditor& editor)
{
    editor.setMultiLine (false);
    editor.setReturnKeyStartsNewLine (false);
    editor.setScrollbarsShown (false);
    editor.setCaretVisible (true);
    editor.setPopupMenuEnabled (false);
    editor.setFont (stripFont());
}
} // namespace

PGNameEditComponent::PGNameEditComponent (DataCenter& store, MidiReceiver& engine, UnitProgramList& unitList,
                                          juce::ChangeBroadcaster& programSelection)
    : dataCenter (store)
    , midiReceiver (engine)
    , unitProgramList (unitList)
    , selectionBroadcaster (programSelection)
    , m_PGNameBox ("PGNameBox")
    , m_PGNumEdit ("PGNumEdit")
    , m_VRCategory ("m_VRCategory")
{
    // The panel's look, so the category box reads like the type boxes.
    m_VRCategory.setLookAndFeel (&lookAndFeel);

    makeSingleLine (m_PGNameBox);
    m_PGNameBox.setReadOnly (false);
    m_PGNameBox.setInputFilter (&nameFilter, false);
    m_PGNameBox.setColour (juce::TextEditor::textColourId, Palette::nameText);
    m_PGNameBox.setColour (juce::TextEditor::backgroundColourId, Palette::nameBackground);
    m_PGNameBox.setColour (juce::TextEditor::highlightColourId, Palette::nameHighlight);
    m_PGNameBox.setColour (juce::TextEditor::outlineColourId, Palette::nameOutline);
    m_PGNameBox.setColour (juce::TextEditor::focusedOutlineColourId, Palette::nameOutline);
    m_PGNameBox.setColour (juce::TextEditor::shadowColourId, Palette::nameShadow);
    m_PGNameBox.setColour (juce::CaretComponent::caretColourId, juce::Colours::white);
    m_PGNameBox.setText (" VORANTE ", false);
    addAndMakeVisible (m_PGNameBox);

    makeSingleLine (m_PGNumEdit);
    m_PGNumEdit.setReadOnly (true);
    m_PGNumEdit.setColour (juce::TextEditor::textColourId, juce::Colours::white);
    m_PGNumEdit.setColour (juce::TextEditor::backgroundColourId, Palette::numberBackground);
    m_PGNumEdit.setColour (juce::TextEditor::highlightColourId, Palette::numberHighlight);
    m_PGNumEdit.setColour (juce::TextEditor::outlineColourId, Palette::numberBackground);
    m_PGNumEdit.setColour (juce::TextEditor::focusedOutlineColourId, Palette::numberBackground);
    m_PGNumEdit.setColour (juce::TextEditor::shadowColourId, Palette::numberShadow);
    m_PGNumEdit.setColour (juce::CaretComponent::caretColourId, Palette::numberCaret);
    m_PGNumEdit.setText (programNumberText (0), false);
    addAndMakeVisible (m_PGNumEdit);

    m_VRCategory.setEditableText (false);
    m_VRCategory.setJustificationType (juce::Justification::centredLeft);
    m_VRCategory.setTextWhenNothingSelected ({});
    m_VRCategory.setTextWhenNoChoicesAvailable ("(no choices)");
    m_VRCategory.setColour (juce::ComboBox::backgroundColourId, Palette::categoryBackground);
    m_VRCategory.setColour (juce::ComboBox::textColourId, Palette::categoryText);
    m_VRCategory.setColour (juce::ComboBox::buttonColourId, Palette::categoryArrowButton);
    m_VRCategory.setColour (juce::ComboBox::outlineColourId, juce::Colours::transparentBlack);
    for (int c = 0; c < kNumCategories; ++c)
        m_VRCategory.addItem (categoryTag (c), c + 1);
    addAndMakeVisible (m_VRCategory);

    m_PGNameBox.addListener (this);
    m_VRCategory.addListener (this);
    setSize (294, 40);
    selectionBroadcaster.addChangeListener (this);
    juce::Desktop::getInstance().addGlobalMouseListener (this);
}

PGNameEditComponent::~PGNameEditComponent()
{
    juce::Desktop::getInstance().removeGlobalMouseListener (this);
    m_VRCategory.setLookAndFeel (nullptr);
    selectionBroadcaster.removeChangeListener (this);
}

juce::String PGNameEditComponent::NameFilter::filterNewText (juce::TextEditor& editor,
                                                             const juce::String& newInput)
{
    // Folding may lengthen the input (a sharp s gives SS); what the box lacks
    // room for is cut.
    const int kept = editor.getTotalNumChars() - editor.getHighlightedRegion().getLength();
    return foldToNameCharacters (newInput).substring (0, juce::jmax (0, kNameLength - kept));
}

void PGNameEditComponent::paint (juce::Graphics& g)
{
    g.setColour (Palette::caption);
    g.setFont (juce::Font (13.0f, juce::Font::plain));
    g.drawText ("Category", kCategoryCaption, juce::Justification::centredLeft, true);

    if (dataCenter.isEdited() && !dataCenter.bulkTransfer)
    {
        g.setColour (Palette::editedMark);
        g.setFont (juce::Font (9.5f, juce::Font::bold));
        g.drawText (kEditedMark, kEditedMarkBounds, juce::Justification::centred, true);
    }

    // The number is the slot Write goes to; a program auditioned from
    // elsewhere says where it came from.
    const auto origin = originText();
    if (origin.isNotEmpty())
    {
        g.setColour (Palette::caption);
        g.setFont (juce::Font (9.5f, juce::Font::plain));
        g.drawText (origin, kOriginBounds, juce::Justification::centredLeft, true);
    }
}

juce::String PGNameEditComponent::originText() const
{
    const int n = dataCenter.currentProgramNumber;
    if (dataCenter.bulkTransfer || n == dataCenter.selectedProgram || n < 0)
        return {};
    return "from " + fromColumnText (n, romNames).replace (" : ", " ");
}

void PGNameEditComponent::edit (const juce::String& what, int mergeKey, const std::function<void()>& change)
{
    if (session != nullptr)
        session->recordProgramEdit (what, mergeKey, change);
    else
        change();
    repaint();
}

void PGNameEditComponent::resized()
{
    m_PGNameBox.setBounds (kNameBounds);
    m_PGNumEdit.setBounds (kNumberBounds);
    m_VRCategory.setBounds (kCategoryBounds);
}

void PGNameEditComponent::textEditorTextChanged (juce::TextEditor& editor)
{
    if (&editor != &m_PGNameBox)
        return;

    // Typed text comes through the filter already; this folds texts set by
    // the program. Sets the text back only when it changed, so this settles
    // after one round.
    const auto folded = foldToNameCharacters (editor.getText());
    editor.setText (folded, true);
    edit ("Name", kNameStep, [this, &folded] { dataCenter.setName (folded); });
}

void PGNameEditComponent::textEditorReturnKeyPressed (juce::TextEditor& editor)
{
    if (&editor != &m_PGNameBox)
        return;

    const auto text = editor.getText().substring (0, kNameLength);
    editor.setText (text, true);
    edit ("Name", kNameStep,
          [this, &text]
          {
              dataCenter.setName (text);

              const int n = dataCenter.currentProgramNumber;
              if (isUserProgram (n))
              {
                  unitProgramList.setRowName (n, text);
                  // Return on an unchanged name marks nothing the unit already holds.
                  if (!dataCenter.bulkTransfer)
                      dataCenter.markAgainstUnit (n, unitProgramList.recordAt (n));
                  unitProgramList.changed();
              }
              midiReceiver.sendCurrentProgram();
          });
    // Typing after Return is a new rename.
    if (session != nullptr)
        session->breakStep();
}

void PGNameEditComponent::textEditorFocusLost (juce::TextEditor& editor)
{
    if (&editor != &m_PGNameBox)
        return;
    editor.setText (dataCenter.getName(), true);
    if (session != nullptr)
        session->breakStep();
}

void PGNameEditComponent::mouseDown (const juce::MouseEvent& event)
{
    if (m_PGNameBox.hasKeyboardFocus (true) && event.eventComponent != &m_PGNameBox &&
        !m_PGNameBox.isParentOf (event.eventComponent))
        m_PGNameBox.giveAwayKeyboardFocus();
}

void PGNameEditComponent::comboBoxChanged (juce::ComboBox* box)
{
    const int id = box->getSelectedId();
    // The stored version's category, shown while it is compared, is only read.
    if (box != &m_VRCategory || id < 1 || dataCenter.comparedAside.has_value())
        return;

    const int category = id - 1;
    auto change = [this, category]
    {
        dataCenter.current[RecordByte::category] = static_cast<std::uint8_t> (category);

        const int n = dataCenter.currentProgramNumber;
        if (isUserProgram (n))
        {
            if (category != unitProgramList.readByte (n, RecordByte::category) && !dataCenter.bulkTransfer)
                dataCenter.modified[static_cast<size_t> (n)] = 1;
            unitProgramList.storeByte (n, RecordByte::category, category);
            unitProgramList.changed();
        }

        // Unlike the panel's controls, the category is held back during any receive.
        if (!midiReceiver.isReceiving())
            midiReceiver.sendParameterChange (RecordByte::category, category);
    };

    // The box following the store (a refresh) changes no program: only a
    // category the store does not hold yet is the user's.
    if (category != dataCenter.current[RecordByte::category])
        edit ("Category", 0, change);
    else
        change();
}

void PGNameEditComponent::showCurrentProgram()
{
    m_PGNameBox.setText (dataCenter.getName(), false);
    m_PGNumEdit.setText (programNumberText (dataCenter.selectedProgram), false);
    const int id = dataCenter.current[RecordByte::category] + 1;
    if (m_VRCategory.indexOfItemId (id) >= 0)
        m_VRCategory.setSelectedId (id, juce::dontSendNotification);
    repaint();
}

void PGNameEditComponent::changeListenerCallback (juce::ChangeBroadcaster*)
{
    if (midiReceiver.isReceiving() || midiReceiver.isTransmitting())
    {
        m_PGNumEdit.setText (programNumberText (midiReceiver.getTransferIndex()), true);
        m_PGNameBox.setText (midiReceiver.isReceiving() ? kReceivingText : kTransmittingText, true);
        return;
    }
    // The edit buffer is parked for a transfer that has not announced itself yet.
    if (dataCenter.bulkTransfer)
        return;

    m_PGNameBox.setText (dataCenter.getName(), true);
    m_PGNumEdit.setText (programNumberText (dataCenter.selectedProgram), true);
    repaint(); // the edited mark
    const int id = dataCenter.current[RecordByte::category] + 1;
    if (m_VRCategory.indexOfItemId (id) >= 0)
        m_VRCategory.setSelectedId (id, juce::sendNotificationAsync);
}
} // namespace vr
