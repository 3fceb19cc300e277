#pragma once

#include "MidiPortDirectory.h"
#include "MidiPortWatcher.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace vr
{
class MidiReceiver;

// The panel in which the user picks the ports that lead to the unit.
// Changing a box reopens that port at once; OK reopens both and asks the
// unit who it is, whose answer starts the first Receive All.
//
// Its timer also watches the link: the lists follow devices coming and
// going while the panel shows, and a port in use that goes away, or a unit
// that does not answer within two seconds, is reported through onLinkProblem.
// Hidden, it runs only while there is such a thing to watch.
class CMidiSetupComponent : public juce::Component,
                            private juce::Button::Listener,
                            private juce::ComboBox::Listener,
                            private juce::Timer
{
public:
    CMidiSetupComponent (MidiReceiver& engine, MidiPortDirectory& ports);
    ~CMidiSetupComponent() override;

    void paint (juce::Graphics& g) override;
    void resized() override;
    bool keyPressed (const juce::KeyPress& key) override;

    // Centred in the parent, in front and modal, with the keyboard focus on
    // OK as soon as the window is on screen.
    void show();
    // Fades out and leaves the modal state; the ports stay as they are.
    void close();

    // One round of watching (the timer's), at the given millisecond time.
    void watchLink (double nowMs);
    // Milliseconds between the timer's rounds; 0 while it is stopped.
    int getTickInterval() const noexcept { return getTimerInterval(); }

    // Told, with a message for the user, when the link is lost or no unit
    // answered. Called from the timer: show the message later.
    std::function<void (const juce::String& message)> onLinkProblem;

    // Index of the entry to preselect: the last whose name holds a model's
    // port text, else the first.
    static int preselectedIndex (const juce::StringArray& names);
    static juce::String noAnswerText (const juce::String& inputName, const juce::String& outputName);
    static juce::String portGoneText (const juce::String& inputName, const juce::String& outputName);

    juce::TextButton& getOkButton() noexcept { return okButton; }
    juce::ComboBox& getInputBox() noexcept { return inputBox; }
    juce::ComboBox& getOutputBox() noexcept { return outputBox; }
    bool isFirstShow() const noexcept { return firstShow; }

private:
    void buttonClicked (juce::Button*) override { confirm(); }
    void comboBoxChanged (juce::ComboBox* box) override;
    void timerCallback() override;
    void visibilityChanged() override { scheduleTicks(); }
    // Starts, re-times or stops the timer for what there is to do now.
    void scheduleTicks();

    void confirm();
    void takeTheFront();
    void centreInParent();
    void openInput();
    void openOutput();
    void apply (const MidiPortWatcher::Report& report);
    void refill (juce::ComboBox& box, const juce::Array<MidiPortChoice>& choices,
                 const std::optional<MidiPortChoice>& keep);
    std::optional<MidiPortChoice> selectedChoice (const juce::ComboBox& box,
                                                  const juce::Array<MidiPortChoice>& choices) const;

    MidiReceiver& midiReceiver;
    MidiPortDirectory& directory;
    // Its lists are what the boxes show: item ID = index + 1.
    MidiPortWatcher watcher;
    juce::TextButton okButton;
    juce::ComboBox inputBox;
    juce::ComboBox outputBox;
    bool firstShow{true};
    bool modalPending{false};
    juce::String askedInput, askedOutput;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CMidiSetupComponent)
};
} // namespace vr
