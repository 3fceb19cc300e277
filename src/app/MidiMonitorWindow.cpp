#include "MidiMonitorWindow.h"

#include <algorithm>

namespace vr
{
namespace
{
constexpr int kRowHeight = 16;
constexpr int kButtonBarHeight = 32;
constexpr int kGap = 8;
constexpr int kDefaultWidth = 560;
constexpr int kMinimumWidth = 360;
constexpr int kMinimumHeight = 200;

// Column widths of a row; the bytes take the rest.
namespace Column
{
constexpr int time = 90;
constexpr int direction = 36;
constexpr int meaning = 280;
} // namespace Column

const juce::Colour kInColour{0xff8fd88f};
const juce::Colour kOutColour{0xfff2a23a};

juce::Font rowFont()
{
    return {juce::Font::getDefaultMonospacedFontName(), 12.0f, juce::Font::plain};
}
} // namespace

MidiMonitorComponent::MidiMonitorComponent (MidiMonitor& monitor)
    : log (monitor)
{
    list.setModel (this);
    list.setRowHeight (kRowHeight);
    list.setMultipleSelectionEnabled (false);
    addAndMakeVisible (list);

    clearButton.onClick = [this]
    {
        log.clear();
        list.updateContent();
        list.repaint();
    };
    copyButton.onClick = [this] { juce::SystemClipboard::copyTextToClipboard (log.toText()); };
    addAndMakeVisible (clearButton);
    addAndMakeVisible (copyButton);
    setSize (kDefaultWidth, 600);
}

MidiMonitorComponent::~MidiMonitorComponent()
{
    list.setModel (nullptr);
}

void MidiMonitorComponent::refresh()
{
    auto* view = list.getViewport();
    const bool atBottom = view == nullptr || view->getViewPositionY() + view->getViewHeight() >=
                                                 view->getViewedComponent()->getHeight() - kRowHeight / 2;
    if (!log.update())
        return;
    list.updateContent();
    if (atBottom)
        list.scrollToEnsureRowIsOnscreen (getNumRows() - 1);
    list.repaint();
}

void MidiMonitorComponent::resized()
{
    auto area = getLocalBounds();
    auto buttons = area.removeFromBottom (kButtonBarHeight).reduced (kGap / 2);
    copyButton.setBounds (buttons.removeFromRight (80));
    buttons.removeFromRight (kGap);
    clearButton.setBounds (buttons.removeFromRight (80));
    list.setBounds (area);
}

int MidiMonitorComponent::getNumRows()
{
    return static_cast<int> (log.getLines().size());
}

void MidiMonitorComponent::paintListBoxItem (int row, juce::Graphics& g, int width, int height, bool selected)
{
    const auto& lines = log.getLines();
    if (row < 0 || row >= static_cast<int> (lines.size()))
        return;
    const auto& line = lines[static_cast<std::size_t> (row)];

    if (selected)
        g.fillAll (findColour (juce::ListBox::backgroundColourId).brighter (0.3f));
    g.setFont (rowFont());
    const auto text = findColour (juce::ListBox::textColourId);

    auto area = juce::Rectangle<int> (0, 0, width, height).reduced (4, 0);
    g.setColour (text);
    g.drawText (line.time, area.removeFromLeft (Column::time), juce::Justification::centredLeft, false);
    g.setColour (line.direction == "OUT" ? kOutColour : kInColour);
    g.drawText (line.direction, area.removeFromLeft (Column::direction), juce::Justification::centredLeft,
                false);
    g.setColour (text);
    g.drawText (line.meaning, area.removeFromLeft (Column::meaning).withTrimmedRight (kGap),
                juce::Justification::centredLeft, true);
    // Long messages are cut here with an ellipsis; Copy gives every byte.
    g.setColour (text.withAlpha (0.6f));
    g.drawText (line.bytes, area, juce::Justification::centredLeft, true);
}

//==============================================================================
MidiMonitorWindow::MidiMonitorWindow (MidiMonitor& monitorToShow)
    : juce::DocumentWindow ("MIDI Monitor", juce::Colour (0xff202020), juce::DocumentWindow::closeButton)
    , monitor (monitorToShow)
    , content (monitorToShow)
{
    setComponentID ("MidiMonitorWindow");
    setUsingNativeTitleBar (false);
    setContentNonOwned (&content, true);
    setResizable (true, false);
    setResizeLimits (kMinimumWidth, kMinimumHeight, 4096, 4096);
}

MidiMonitorWindow::~MidiMonitorWindow()
{
    monitor.setEnabled (false);
    clearContentComponent();
}

void MidiMonitorWindow::open (const juce::Component& mainWindow)
{
    monitor.setEnabled (true);
    content.start();
    content.refresh();
    if (!isVisible())
    {
        // Beside the main window, on the side with more room, as tall as it:
        // narrower to fit there, or over the main window's edge on a screen
        // too small, never off the screen.
        const auto main = mainWindow.getScreenBounds();
        auto bounds = main.withWidth (kDefaultWidth).withX (main.getRight());
        if (const auto* display = juce::Desktop::getInstance().getDisplays().getDisplayForRect (main))
        {
            const auto area = display->userArea;
            const int roomRight = area.getRight() - main.getRight();
            const int roomLeft = main.getX() - area.getX();
            const int room = std::max (roomRight, roomLeft);
            bounds.setWidth (room >= kMinimumWidth ? std::min (room, kDefaultWidth) : kDefaultWidth);
            bounds.setX (roomRight >= roomLeft ? main.getRight() : main.getX() - bounds.getWidth());
            bounds = bounds.constrainedWithin (area);
        }
        setBounds (bounds);
        setVisible (true);
    }
    toFront (true);
}

void MidiMonitorWindow::closeButtonPressed()
{
    monitor.setEnabled (false);
    content.stop();
    setVisible (false);
}
} // namespace vr
