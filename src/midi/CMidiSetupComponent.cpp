#include "CMidiSetupComponent.h"

#include "MidiReceiver.h"
#include "data/SharedColours.h"

namespace vr
{
namespace
{
constexpr int kFadeMs = 250;
// Often enough to focus OK soon after the window appears; the watcher reads
// the port lists only once a second.
constexpr int kTickMs = 100;
// Hidden, with a device port in use: as often as the watcher reads the lists.
constexpr int kHiddenTickMs = static_cast<int> (MidiPortWatcher::kPollIntervalMs);
// A real unit's ports carry one of these in their names.
const char* const modelPortTexts[] = {"VR wren", "VR heron"};

double millisecondsNow()
{
    return juce::Time::getMillisecondCounterHiRes();
}

} // namespace

CMidiSetupComponent::CMidiSetupComponent (MidiReceiver& engine, MidiPortDirectory& ports)
    : midiReceiver (engine)
    , directory (ports)
    , watcher (ports)
{
    okButton.setName ("new button");
    okButton.setButtonText ("OK");
    okButton.setColour (juce::TextButton::buttonColourId, juce::Colour (SharedColours::button));
    okButton.setColour (juce::TextButton::buttonOnColourId, juce::Colour (SharedColours::buttonOn));
    okButton.addListener (this);
    addAndMakeVisible (okButton);

    for (auto* box : {&inputBox, &outputBox})
    {
        box->setEditableText (false);
        box->setTextWhenNoChoicesAvailable ("(no choices)");
        // A click on a box leaves the focus on OK, so Return still confirms.
        box->setMouseClickGrabsKeyboardFocus (false);
        box->addListener (this);
        addAndMakeVisible (*box);
    }
    inputBox.setName ("MidiInDevice");
    outputBox.setName ("MidiOutDevice");

    // Selected with notification: the chosen ports open right after start-up.
    for (auto [box, choices] :
         {std::pair (&inputBox, &watcher.getInputs()), std::pair (&outputBox, &watcher.getOutputs())})
    {
        refill (*box, *choices, std::nullopt);
        juce::StringArray names;
        for (const auto& choice : *choices)
            names.add (choice.name);
        if (!choices->isEmpty())
            box->setSelectedId (preselectedIndex (names) + 1, juce::sendNotification);
    }

    setWantsKeyboardFocus (true);
    setMouseClickGrabsKeyboardFocus (false);
    setSize (320, 170);
    scheduleTicks();
}

CMidiSetupComponent::~CMidiSetupComponent()
{
    stopTimer();
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

juce::String CMidiSetupComponent::noAnswerText (const juce::String& inputName, const juce::String& outputName)
{
    return "No unit answered on " + inputName + " / " + outputName +
           juce::String::fromUTF8 (
               ". Check the cable and the ports, then choose MIDI Setup\xe2\x80\xa6 again. Option > MIDI "
               "Monitor\xe2\x80\xa6 shows what goes in and out.");
}

juce::String CMidiSetupComponent::portGoneText (const juce::String& inputName, const juce::String& outputName)
{
    juce::StringArray gone;
    if (inputName.isNotEmpty())
        gone.add ("the MIDI input " + inputName);
    if (outputName.isNotEmpty())
        gone.add ("the MIDI output " + outputName);
    const auto what = gone.joinIntoString (" and ");
    return what.substring (0, 1).toUpperCase() + what.substring (1) + " went away.\n" +
           juce::String::fromUTF8 ("Plug it in again, then choose MIDI Setup\xe2\x80\xa6 again.");
}

void CMidiSetupComponent::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (SharedColours::panel));

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
    if (key == juce::KeyPress::returnKey)
    {
        confirm();
        return true;
    }
    // Until the ports have been confirmed once, the panel stays.
    if (key == juce::KeyPress::escapeKey && !firstShow)
        close();
    return false;
}

void CMidiSetupComponent::show()
{
    // A fade-out leaves the panel transparent (and a running one would hide
    // it again): without this a second showing is an invisible modal panel.
    juce::Desktop::getInstance().getAnimator().cancelAnimation (this, false);
    setAlpha (1.0f);

    centreInParent();
    apply (watcher.refresh (millisecondsNow()));

    setVisible (true);
    toFront (false);
    // A modal state entered before the window is on screen is cancelled as
    // the window appears, and taking the focus then fails (and asserts): at
    // start-up the timer does both once the panel is showing.
    modalPending = true;
    takeTheFront();
}

void CMidiSetupComponent::centreInParent()
{
    if (auto* parent = getParentComponent())
        setCentrePosition (parent->getLocalBounds().getCentre());
}

void CMidiSetupComponent::close()
{
    if (isShowing())
        juce::Desktop::getInstance().getAnimator().fadeOut (this, kFadeMs);
    setVisible (false);
    modalPending = false;
    exitModalState (0);
}

void CMidiSetupComponent::timerCallback()
{
    takeTheFront();
    watchLink (millisecondsNow());
}

// While the panel is in front, the keyboard belongs to it. The focus can be
// taken only once the window has the platform's focus, and the window takes
// it back for itself when it regains that focus: so this runs at every tick.
// It never pulls the focus from another window or from a box in front.
void CMidiSetupComponent::takeTheFront()
{
    if (!isShowing())
        return;
    // An alert already up (a file named on the command line, say) stays in
    // front: the panel waits its turn rather than block it.
    if (modalPending && juce::Component::getCurrentlyModalComponent() == nullptr)
    {
        modalPending = false;
        // The window's menu bar has taken its share of the parent by now.
        centreInParent();
        enterModalState (false);
    }

    auto* peer = getPeer();
    if (isCurrentlyModal (true) && peer != nullptr && peer->isFocused() && !hasKeyboardFocus (true))
        okButton.grabKeyboardFocus();
}

void CMidiSetupComponent::watchLink (double nowMs)
{
    apply (watcher.poll (nowMs, midiReceiver.getIdentityCount(), isVisible()));
    scheduleTicks();
}

// Shown, the panel keeps the focus and the lists fresh; an awaited answer
// has its deadline checked as often; a device port in use is looked for
// once a second. With none of these (the virtual unit, at rest) nothing runs.
void CMidiSetupComponent::scheduleTicks()
{
    int interval = 0;
    if (isVisible() || watcher.isAwaitingAnswer())
        interval = kTickMs;
    else if (watcher.platformPortInUse())
        interval = kHiddenTickMs;

    if (interval == 0)
        stopTimer();
    else if (getTimerInterval() != interval)
        startTimer (interval);
}

void CMidiSetupComponent::apply (const MidiPortWatcher::Report& report)
{
    if (report.inputsChanged)
        refill (inputBox, watcher.getInputs(), watcher.getInputInUse());
    if (report.outputsChanged)
        refill (outputBox, watcher.getOutputs(), watcher.getOutputInUse());

    const auto& goneIn = report.goneInput;
    const auto& goneOut = report.goneOutput;
    if (goneIn.has_value() || goneOut.has_value())
    {
        // Ended as the watchdog ends it; then the dead ports are closed.
        midiReceiver.stopTransfer();
        if (goneIn.has_value())
            midiReceiver.setInput (nullptr);
        if (goneOut.has_value())
            midiReceiver.setOutput (nullptr);
        if (onLinkProblem)
            onLinkProblem (portGoneText (goneIn.has_value() ? goneIn->name : juce::String(),
                                         goneOut.has_value() ? goneOut->name : juce::String()));
    }
    else if (report.noAnswer && onLinkProblem)
    {
        onLinkProblem (noAnswerText (askedInput, askedOutput));
    }
}

void CMidiSetupComponent::refill (juce::ComboBox& box, const juce::Array<MidiPortChoice>& choices,
                                  const std::optional<MidiPortChoice>& keep)
{
    box.clear (juce::dontSendNotification);
    for (int i = 0; i < choices.size(); ++i)
        box.addItem (choices.getReference (i).name, i + 1);
    // Not a change of port: the box only follows the list.
    box.setSelectedId (keep.has_value() ? indexOfPort (choices, *keep) + 1 : 0, juce::dontSendNotification);
}

std::optional<MidiPortChoice>
CMidiSetupComponent::selectedChoice (const juce::ComboBox& box,
                                     const juce::Array<MidiPortChoice>& choices) const
{
    const int index = box.getSelectedId() - 1;
    if (juce::isPositiveAndBelow (index, choices.size()))
        return choices[index];
    return std::nullopt;
}

// Each side closes the old device before it opens the new one: some
// drivers let a device be open only once.
void CMidiSetupComponent::openInput()
{
    midiReceiver.setInput (nullptr);
    watcher.setInputInUse (std::nullopt);
    if (const auto choice = selectedChoice (inputBox, watcher.getInputs()))
        if (auto port = directory.openInput (*choice))
        {
            midiReceiver.setInput (std::move (port));
            watcher.setInputInUse (choice);
        }
}

void CMidiSetupComponent::openOutput()
{
    midiReceiver.setOutput (nullptr);
    watcher.setOutputInUse (std::nullopt);
    if (const auto choice = selectedChoice (outputBox, watcher.getOutputs()))
        if (auto port = directory.openOutput (*choice))
        {
            midiReceiver.setOutput (std::move (port));
            watcher.setOutputInUse (choice);
        }
}

void CMidiSetupComponent::comboBoxChanged (juce::ComboBox* box)
{
    if (box == &inputBox)
        openInput();
    else if (box == &outputBox)
        openOutput();
    scheduleTicks();

    // The closing list hands the focus back to the box: after a pick,
    // Return confirms.
    if (isShowing() && isCurrentlyModal (true))
        okButton.grabKeyboardFocus();
}

void CMidiSetupComponent::confirm()
{
    close();
    firstShow = false;
    openInput();
    openOutput();
    midiReceiver.sendIdentityRequest();

    if (midiReceiver.hasOutput())
    {
        askedInput = inputBox.getText();
        askedOutput = outputBox.getText();
        watcher.expectAnswer (millisecondsNow(), midiReceiver.getIdentityCount());
    }
    scheduleTicks();
}
} // namespace vr
