#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace vr
{
class DataCenter;

// The About box: the program's name and version, and which unit answered
// with which firmware. Its texts follow the store at every paint.
class CAboutDialogComponent : public juce::Component, private juce::Button::Listener
{
public:
    explicit CAboutDialogComponent (const DataCenter& store);
    ~CAboutDialogComponent() override;

    void paint (juce::Graphics& g) override;
    void resized() override;
    bool keyPressed (const juce::KeyPress& key) override;

    // Fades out and leaves the modal state.
    void close();

    // The label texts for a store's state.
    static juce::String connectionText (const DataCenter& store);
    static juce::String versionText();
    static juce::String unitVersionText (const DataCenter& store);

    juce::TextButton& getOkButton() noexcept { return okButton; }
    const juce::Label& getConnectionLabel() const noexcept { return connectionLabel; }
    const juce::Label& getUnitVersionLabel() const noexcept { return unitVersionLabel; }

private:
    void buttonClicked (juce::Button*) override { close(); }

    const DataCenter& dataCenter;
    juce::TextButton okButton;
    juce::Label titleLabel;
    juce::Label versionLabel;
    juce::Label connectionLabel;
    juce::Label unitVersionLabel;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CAboutDialogComponent)
};
} // namespace vr
