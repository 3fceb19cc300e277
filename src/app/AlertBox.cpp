#include "AlertBox.h"

#include "data/SharedColours.h"
namespace vr
{
namespace
{
namespace Look
{
constexpr juce::uint32 background = 0xff2b2b2b;
constexpr juce::uint32 frame = 0xff5a5a5a;
constexpr juce::uint32 accent = SharedColours::selection;
constexpr juce::uint32 title = 0xfff5f5dc;
constexpr juce::uint32 text = 0xffeeeeee;
constexpr juce::uint32 button = SharedColours::button;
constexpr juce::uint32 buttonOn = SharedColours::buttonOn;
constexpr juce::uint32 infoIcon = 0xff4f8fc0;
} // namespace Look

constexpr int kMargin = 18;
constexpr int kIconSize = 28;
constexpr int kIconGap = 14;
constexpr int kLineHeight = 18;
constexpr int kTitleHeight = 20;
constexpr int kButtonHeight = 26;
constexpr int kMinWidth = 280;

juce::Font titleFont()
{
    return juce::Font (15.0f, juce::Font::bold);
}

juce::Font messageFont()
{
    return juce::Font (14.0f);
}

int widthOf (const juce::Font& font, const juce::String& text)
{
    return juce::roundToInt (std::ceil (font.getStringWidthFloat (text)));
}

// Breaks one line at spaces so that no piece is wider than `maxWidth`; a
// single word wider than that stays whole.
void wrapLine (const juce::String& line, const juce::Font& font, int maxWidth, juce::StringArray& out)
{
    juce::StringArray words;
    words.addTokens (line, " ", {});
    words.removeEmptyStrings();

    juce::String current;
    for (const auto& word : words)
    {
        const auto candidate = current.isEmpty() ? word : current + " " + word;
        if (current.isNotEmpty() && widthOf (font, candidate) > maxWidth)
        {
            out.add (current);
            current = word;
        }
        else
        {
            current = candidate;
        }
    }
    out.add (current);
}
} // namespace

AlertBox::Layout AlertBox::layOut (const AlertText& alert, int buttonsWidth)
{
    Layout layout;
    const auto font = messageFont();
    for (const auto& line : juce::StringArray::fromLines (alert.message))
        wrapLine (line.trim(), font, kMaxTextWidth, layout.lines);

    int textWidth = widthOf (titleFont(), alert.title);
    for (const auto& line : layout.lines)
        textWidth = juce::jmax (textWidth, widthOf (font, line));

    const bool hasIcon = alert.icon != AlertText::Icon::none;
    const int textX = kMargin + (hasIcon ? kIconSize + kIconGap : 0);
    if (hasIcon)
        layout.icon = {kMargin, kMargin, kIconSize, kIconSize};

    const int width = juce::jmax (kMinWidth, textX + textWidth + kMargin, buttonsWidth + 2 * kMargin);
    layout.title = {textX, kMargin + 4, width - textX - kMargin, kTitleHeight};
    layout.text = {textX, layout.title.getBottom() + 6, width - textX - kMargin,
                   layout.lines.size() * kLineHeight};
    layout.buttonsTop = juce::jmax (layout.text.getBottom(), layout.icon.getBottom()) + 16;
    layout.bounds = {0, 0, width, layout.buttonsTop + kButtonHeight + kMargin - 4};
    return layout;
}

AlertBox::AlertBox (const AlertText& alert)
    : juce::AlertWindow (alert.title, {}, juce::MessageBoxIconType::NoIcon)
    , icon (alert.icon)
    , message (alert.message)
{
    setColour (juce::AlertWindow::backgroundColourId, juce::Colour (Look::background));
    setDescription (alert.title + " " + alert.message);

    for (int i = 0; i < alert.buttons.size(); ++i)
    {
        // Return takes the first button, Escape the last, as the framework's
        // own boxes do; one between them its first letter.
        const auto key =
            i == 0
                ? juce::KeyPress (juce::KeyPress::returnKey)
                : (i == alert.buttons.size() - 1
                       ? juce::KeyPress (juce::KeyPress::escapeKey)
                       : juce::KeyPress (juce::CharacterFunctions::toLowerCase (alert.buttons[i].trim()[0])));
        addButton (alert.buttons[i], i + 1, key);
    }

    // The window's buttons, in the order given (each triggers its index + 1).
    juce::Array<juce::TextButton*> ordered;
    for (auto* child : getChildren())
        if (auto* button = dynamic_cast<juce::TextButton*> (child))
            ordered.add (button);
    std::sort (ordered.begin(), ordered.end(),
               [] (auto* a, auto* b) { return a->getCommandID() < b->getCommandID(); });

    constexpr int gap = 12;
    int buttonsWidth = -gap;
    for (auto* button : ordered)
    {
        button->setSize (juce::jmax (80, button->getWidth()), kButtonHeight);
        button->setColour (juce::TextButton::buttonColourId, juce::Colour (Look::button));
        button->setColour (juce::TextButton::buttonOnColourId, juce::Colour (Look::buttonOn));
        button->setColour (juce::TextButton::textColourOffId, juce::Colours::white);
        button->setColour (juce::TextButton::textColourOnId, juce::Colours::white);
        button->setColour (juce::ComboBox::outlineColourId, juce::Colour (Look::frame));
        buttonsWidth += button->getWidth() + gap;
    }

    // The framework laid itself out while the buttons were added; this
    // replaces its size and button places with the program's own.
    layout = layOut (alert, buttonsWidth);
    centreAroundComponent (nullptr, layout.bounds.getWidth(), layout.bounds.getHeight());
    int x = (layout.bounds.getWidth() - buttonsWidth) / 2;
    for (auto* button : ordered)
    {
        button->setTopLeftPosition (x, layout.buttonsTop);
        x += button->getWidth() + gap;
    }
}

void AlertBox::paint (juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();
    g.fillAll (juce::Colour (Look::background));
    g.setColour (juce::Colour (Look::accent));
    g.fillRect (bounds.withHeight (3.0f));
    g.setColour (juce::Colour (Look::frame));
    g.drawRect (bounds, 1.0f);

    if (!layout.icon.isEmpty())
    {
        const auto area = layout.icon.toFloat();
        juce::Path shape;
        juce::String mark;
        if (icon == AlertText::Icon::warning)
        {
            shape.addTriangle (area.getCentreX(), area.getY() + 1.0f, area.getRight(), area.getBottom(),
                               area.getX(), area.getBottom());
            shape = shape.createPathWithRoundedCorners (3.0f);
            g.setColour (juce::Colour (Look::accent));
            mark = "!";
        }
        else
        {
            shape.addEllipse (area);
            g.setColour (juce::Colour (Look::infoIcon));
            mark = icon == AlertText::Icon::info ? "i" : "?";
        }
        g.fillPath (shape);
        g.setColour (juce::Colour (Look::background));
        g.setFont (juce::Font (18.0f, juce::Font::bold));
        g.drawText (mark, area.translated (0.0f, icon == AlertText::Icon::warning ? 3.0f : 0.0f),
                    juce::Justification::centred, false);
    }

    g.setColour (juce::Colour (Look::title));
    g.setFont (titleFont());
    g.drawText (getName(), layout.title, juce::Justification::centredLeft, false);

    g.setColour (juce::Colour (Look::text));
    g.setFont (messageFont());
    for (int i = 0; i < layout.lines.size(); ++i)
        g.drawText (layout.lines[i], layout.text.getX(), layout.text.getY() + i * kLineHeight,
                    layout.text.getWidth(), kLineHeight, juce::Justification::centredLeft, false);
}
} // namespace vr
