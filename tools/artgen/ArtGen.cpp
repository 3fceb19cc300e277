// Draws every picture the editor carries (panel backgrounds, knob film strip,
// About picture, application icon) so that the artwork lives as source and can
// be regenerated and reviewed like code.
//
//   vr-artgen <output folder>
//
// All geometry below that refers to controls is written in view coordinates
// (the bounds the views give their children) and moved by viewOffset, because
// the views draw their background pictures at y = -3.

#include <juce_gui_basics/juce_gui_basics.h>

#include <iostream>

namespace
{
using juce::Colour;
namespace Colours = juce::Colours;
using juce::Graphics;
using juce::Path;
using juce::Point;
using juce::Rectangle;

constexpr float pi = juce::MathConstants<float>::pi;

// A picture row p is shown at view row p - 3.
constexpr int viewOffset = 3;

Rectangle<float> view (int x, int y, int w, int h)
{
    return Rectangle<int> (x, y + viewOffset, w, h).toFloat();
}

// Graphite anodised metal with a single amber accent. The legend colour is the
// beige the editor uses for the captions it paints itself, so painted and
// printed captions read as one legend.
namespace Palette
{
const Colour metalTop{0xff2c2f34};
const Colour metalBottom{0xff17181b};
const Colour panel{0xff25282d}; // flat inside the section frames; the knob strip uses it too
const Colour panelLip{0xff3a3e44};
const Colour groove{0xff08090a};
const Colour well{0xff0f1012};
const Colour display{0xff0c0d0f};
const Colour accent{0xfff2a23a};
const Colour accentDeep{0xff9a5b12};
const Colour legend{0xfff5f5dc};
const Colour legendDim{0xff8c897f};
const Colour knobTrack{0xff111214};
const Colour pointer{0xfff6f3e8};
} // namespace Palette

// Fonts: the captions the editor paints use the default sans face (DejaVu Sans
// here), so printed captions use it too. The brand uses a geometric face when
// the machine has one and falls back to the default sans otherwise.
juce::Font makeFont (const juce::String& family, const juce::String& style, float height, bool boldFallback)
{
    static const auto names = juce::Font::findAllTypefaceNames();
    if (names.contains (family) && juce::Font::findAllTypefaceStyles (family).contains (style))
        return juce::Font (family, style, height);
    return juce::Font (height, boldFallback ? juce::Font::bold : juce::Font::plain);
}

juce::Font legendFont (float height)
{
    return makeFont ("DejaVu Sans", "Book", height, false);
}

juce::Font titleFont (float height)
{
    return makeFont ("DejaVu Sans", "Condensed Bold", height, true);
}

juce::Font brandFont (float height)
{
    return makeFont ("URW Gothic", "Demi", height, true);
}

juce::Font lightFont (float height)
{
    return makeFont ("DejaVu Sans", "ExtraLight", height, false);
}

// Printed legend: a dark shadow one pixel below lifts light text off the metal.
void legend (Graphics& g, const juce::String& text, Rectangle<float> area, const juce::Font& font,
             Colour colour, juce::Justification just = juce::Justification::centred)
{
    g.setFont (font);
    g.setColour (Colours::black.withAlpha (0.65f));
    g.drawText (text, area.translated (0.0f, 1.0f), just, false);
    g.setColour (colour);
    g.drawText (text, area, just, false);
}

// Brushed metal: a vertical light fall-off, one faint random shade per row and
// short streaks, all from a fixed seed so the pictures regenerate identically.
void brushedMetal (Graphics& g, Rectangle<int> area, juce::int64 seed)
{
    g.setGradientFill (juce::ColourGradient::vertical (Palette::metalTop, static_cast<float> (area.getY()),
                                                       Palette::metalBottom,
                                                       static_cast<float> (area.getBottom())));
    g.fillRect (area);

    juce::Random rnd (seed);
    for (int y = area.getY(); y < area.getBottom(); ++y)
    {
        const auto shade = rnd.nextBool() ? Colours::white : Colours::black;
        g.setColour (shade.withAlpha (0.008f + 0.022f * rnd.nextFloat()));
        g.fillRect (area.getX(), y, area.getWidth(), 1);
    }

    const int streaks = area.getWidth() * area.getHeight() / 90;
    for (int i = 0; i < streaks; ++i)
    {
        const int length = 16 + rnd.nextInt (200);
        const int x = area.getX() + rnd.nextInt (area.getWidth() + length) - length;
        const int y = area.getY() + rnd.nextInt (area.getHeight());
        const auto shade = rnd.nextBool() ? Colours::white : Colours::black;
        g.setColour (shade.withAlpha (0.01f + 0.035f * rnd.nextFloat()));
        g.fillRect (x, y, length, 1);
    }

    // Soft vignette so the eye rests on the middle of the panel.
    const auto c = area.getCentre().toFloat();
    juce::ColourGradient vignette (Colours::transparentBlack, c.x, c.y, Colours::black.withAlpha (0.28f),
                                   static_cast<float> (area.getX()), static_cast<float> (area.getY()), true);
    g.setGradientFill (vignette);
    g.fillRect (area);
}

void screw (Graphics& g, Point<float> c, float angle)
{
    const float r = 6.0f;
    g.setColour (Colours::black.withAlpha (0.55f));
    g.fillEllipse (
        Rectangle<float> (2.0f * r + 2.0f, 2.0f * r + 2.0f).withCentre (c.translated (0.4f, 1.0f)));

    g.setGradientFill (juce::ColourGradient (Colour (0xffb4b8be), c.x - r, c.y - r, Colour (0xff3a3d42),
                                             c.x + r, c.y + r, false));
    g.fillEllipse (Rectangle<float> (2.0f * r, 2.0f * r).withCentre (c));
    g.setColour (Colour (0xff1b1c1f));
    g.drawEllipse (Rectangle<float> (2.0f * r, 2.0f * r).withCentre (c), 0.8f);

    // Cross-head recess, turned a little differently on every screw.
    for (float a : {angle, angle + 0.5f * pi})
    {
        Path slot;
        slot.addRoundedRectangle (-r * 0.72f, -0.85f, r * 1.44f, 1.7f, 0.6f);
        slot.applyTransform (juce::AffineTransform::rotation (a).translated (c));
        g.setColour (Colours::white.withAlpha (0.25f));
        g.fillPath (slot, juce::AffineTransform::translation (0.0f, 0.7f));
        g.setColour (Colour (0xff141517));
        g.fillPath (slot);
    }
}

void cornerScrews (Graphics& g, int width, int height)
{
    const float w = static_cast<float> (width);
    const float h = static_cast<float> (height);
    screw (g, {16.0f, 16.0f}, 0.3f);
    screw (g, {w - 16.0f, 16.0f}, 1.1f);
    screw (g, {16.0f, h - 24.0f}, 0.7f);
    screw (g, {w - 16.0f, h - 24.0f}, 0.1f);
}

// A recessed panel area: seated in the metal by a soft shadow, flat inside (the
// knobs' film strip is drawn on the same flat colour), and ringed by an
// engraved groove with a light lip under it.
void sectionFrame (Graphics& g, Rectangle<float> r)
{
    const float radius = 7.0f;
    g.setColour (Colours::black.withAlpha (0.35f));
    g.fillRoundedRectangle (r.expanded (1.5f).translated (0.0f, 1.0f), radius + 1.5f);
    g.setColour (Palette::panelLip);
    g.fillRoundedRectangle (r.translated (0.0f, 1.0f), radius);
    g.setColour (Palette::panel);
    g.fillRoundedRectangle (r, radius);

    const auto inner = r.reduced (4.5f);
    g.setColour (Colours::white.withAlpha (0.07f));
    g.drawRoundedRectangle (inner.translated (0.0f, 1.0f), radius - 3.0f, 1.0f);
    g.setColour (Palette::groove.withAlpha (0.8f));
    g.drawRoundedRectangle (inner, radius - 3.0f, 1.0f);
}

// A section title set into the top groove of a frame, centred on centreX
// (for a section that has no on/off button to name it).
void grooveTitle (Graphics& g, Rectangle<float> frame, const juce::String& title, float centreX)
{
    const auto font = titleFont (11.0f).withExtraKerningFactor (0.16f);
    const float width = font.getStringWidthFloat (title) + 12.0f;
    const float grooveY = frame.getY() + 4.5f;
    const auto gap = Rectangle<float> (width, 13.0f).withCentre ({centreX, grooveY + 0.5f});
    g.setColour (Palette::panel);
    g.fillRect (gap);
    legend (g, title, gap, font, Palette::accent);
}

// The recess a button, box or display sits in.
void bezel (Graphics& g, Rectangle<float> r, float radius, Colour fill)
{
    g.setColour (Colours::white.withAlpha (0.08f));
    g.fillRoundedRectangle (r.translated (0.0f, 1.0f), radius);
    g.setColour (fill);
    g.fillRoundedRectangle (r, radius);
    g.setColour (Colours::black.withAlpha (0.75f));
    g.drawRoundedRectangle (r.reduced (0.5f), radius, 1.0f);
    // Inner shadow along the top edge.
    g.setGradientFill (juce::ColourGradient::vertical (Colours::black.withAlpha (0.45f), r.getY(),
                                                       Colours::transparentBlack, r.getY() + 5.0f));
    g.fillRoundedRectangle (r.reduced (1.0f), radius);
}

// The two tabs under the transparent mode buttons; the view's own tab is lit.
void modeTab (Graphics& g, Rectangle<float> r, const juce::String& text, bool active)
{
    const float radius = 6.0f;
    g.setColour (Colours::black.withAlpha (0.5f));
    g.fillRoundedRectangle (r.expanded (1.0f).translated (0.0f, 1.5f), radius + 1.0f);

    const Colour top = active ? Colour (0xff3d4147) : Colour (0xff2a2d32);
    const Colour bottom = active ? Colour (0xff2a2d32) : Colour (0xff1c1e21);
    g.setGradientFill (juce::ColourGradient::vertical (top, r.getY(), bottom, r.getBottom()));
    g.fillRoundedRectangle (r, radius);

    g.setColour (Colours::white.withAlpha (active ? 0.16f : 0.07f));
    g.drawHorizontalLine (static_cast<int> (r.getY()) + 1, r.getX() + radius, r.getRight() - radius);
    g.setColour (Colours::black.withAlpha (0.8f));
    g.drawRoundedRectangle (r.reduced (0.5f), radius, 1.0f);

    // Indicator bar under the caption: lit amber on the active tab.
    const auto bar = Rectangle<float> (r.getX() + 34.0f, r.getBottom() - 11.0f, r.getWidth() - 68.0f, 3.0f);
    if (active)
    {
        g.setColour (Palette::accent.withAlpha (0.18f));
        g.fillRoundedRectangle (bar.expanded (6.0f, 3.0f), 4.0f);
        g.setColour (Palette::accent.withAlpha (0.3f));
        g.fillRoundedRectangle (bar.expanded (2.5f, 1.5f), 3.0f);
        auto glow = juce::ColourGradient::horizontal (Palette::accentDeep, bar.getX(), Palette::accentDeep,
                                                      bar.getRight());
        glow.addColour (0.5, Palette::accent.brighter (0.25f));
        g.setGradientFill (glow);
        g.fillRoundedRectangle (bar, 1.5f);
    }
    else
    {
        g.setColour (Colours::black.withAlpha (0.6f));
        g.fillRoundedRectangle (bar, 1.5f);
        g.setColour (Colours::white.withAlpha (0.05f));
        g.drawHorizontalLine (static_cast<int> (bar.getBottom()), bar.getX(), bar.getRight());
    }

    const auto font = titleFont (16.0f).withExtraKerningFactor (0.14f);
    legend (g, text, r.withTrimmedBottom (14.0f).withTrimmedTop (4.0f), font,
            active ? Palette::legend : Palette::legendDim);
}

void modeTabs (Graphics& g, bool editorActive)
{
    // Under the mode buttons (122, 135, 197, 52) and (336, 135, 197, 52).
    modeTab (g, view (122, 135, 197, 52), "EDITOR", editorActive);
    modeTab (g, view (336, 135, 197, 52), "PROGRAM LIST", !editorActive);
}

// Calm display window behind the name, number and category strip at
// (136, 46, 290, 40): flat and dark so the strip's white text stands out.
void nameStripWindow (Graphics& g)
{
    const auto strip = view (136, 46, 290, 40);
    bezel (g, strip.expanded (8.0f, 6.0f), 6.0f, Palette::display);
    // Faint glass sheen on the upper half only, away from the text baseline.
    g.setGradientFill (juce::ColourGradient::vertical (Colours::white.withAlpha (0.035f), strip.getY() - 4.0f,
                                                       Colours::transparentWhite, strip.getCentreY()));
    g.fillRect (strip.expanded (6.0f, 4.0f).withBottom (strip.getCentreY()));
    // Hairline between number and name, and a seat for the category box
    // (242, 18, 48, 16 inside the strip).
    g.setColour (Colours::white.withAlpha (0.06f));
    g.fillRect (
        Rectangle<float> (strip.getX() + 52.0f, strip.getY() + 6.0f, 1.0f, strip.getHeight() - 12.0f));
    g.fillRect (
        Rectangle<float> (strip.getX() + 239.0f, strip.getY() + 6.0f, 1.0f, strip.getHeight() - 12.0f));
    g.setColour (Colours::white.withAlpha (0.045f));
    g.fillRoundedRectangle (Rectangle<float> (strip.getX() + 242.0f, strip.getY() + 18.0f, 48.0f, 16.0f),
                            3.0f);
}

// Wordmark of the header, set flush right in area.
void brandBlock (Graphics& g, Rectangle<float> area)
{
    const auto mark = brandFont (38.0f).withExtraKerningFactor (0.12f);
    legend (g, "VORANTE", area.withHeight (40.0f), mark, Palette::legend, juce::Justification::centredRight);

    const auto sub = titleFont (15.0f).withExtraKerningFactor (0.08f);
    const auto subArea = area.withTrimmedTop (42.0f).withHeight (20.0f);
    const juce::String product ("SoundEditor");
    const float productWidth = sub.getStringWidthFloat (product);
    legend (g, product, subArea, sub, Palette::legendDim, juce::Justification::centredRight);
    legend (g, "wren & heron", subArea.withTrimmedRight (productWidth + 8.0f), sub, Palette::accent,
            juce::Justification::centredRight);

    // Accent rule under the wordmark.
    const float ruleY = area.getY() + 68.0f;
    g.setGradientFill (juce::ColourGradient::horizontal (Palette::accent.withAlpha (0.0f), area.getX(),
                                                         Palette::accent.withAlpha (0.9f), area.getRight()));
    g.fillRect (Rectangle<float> (area.getX(), ruleY, area.getWidth(), 1.5f));
}

void header (Graphics& g, bool editorActive)
{
    nameStripWindow (g);
    brandBlock (g, {470.0f, 34.0f, 308.0f, 80.0f});
    modeTabs (g, editorActive);
}

// ---------------------------------------------------------------------------
// Knob

// Drawn around centre c with the value track at trackRadius. fraction 0..1
// sweeps the pointer from 7 o'clock to 5 o'clock.
void knob (Graphics& g, Point<float> c, float trackRadius, float trackWidth, float fraction,
           Colour trackColour = Palette::knobTrack)
{
    const float start = -0.75f * pi;
    const float end = 0.75f * pi;
    const float angle = start + fraction * (end - start);

    Path track;
    track.addCentredArc (c.x, c.y, trackRadius, trackRadius, 0.0f, start, end, true);
    g.setColour (trackColour);
    g.strokePath (track, juce::PathStrokeType (trackWidth, juce::PathStrokeType::curved,
                                               juce::PathStrokeType::rounded));
    if (fraction > 0.0f)
    {
        Path lit;
        lit.addCentredArc (c.x, c.y, trackRadius, trackRadius, 0.0f, start, angle, true);
        g.setColour (Palette::accent);
        g.strokePath (lit, juce::PathStrokeType (trackWidth, juce::PathStrokeType::curved,
                                                 juce::PathStrokeType::rounded));
    }

    const float bodyR = trackRadius * 0.84f;
    const float capR = bodyR * 0.82f;
    auto circle = [c] (float r) { return Rectangle<float> (2.0f * r, 2.0f * r).withCentre (c); };

    // Shadow cast down onto the panel.
    g.setColour (Colours::black.withAlpha (0.5f));
    g.fillEllipse (circle (bodyR + trackRadius * 0.04f).translated (0.0f, trackRadius * 0.06f));

    // Machined metal skirt, lit from the top left.
    g.setGradientFill (juce::ColourGradient (Colour (0xffe2e5e9), c.x - bodyR * 0.6f, c.y - bodyR,
                                             Colour (0xff3e4147), c.x + bodyR * 0.5f, c.y + bodyR, false));
    g.fillEllipse (circle (bodyR));
    g.setColour (Colours::black.withAlpha (0.6f));
    g.drawEllipse (circle (bodyR), trackRadius * 0.03f);

    // Dark cap with a soft sheen.
    g.setGradientFill (
        juce::ColourGradient::vertical (Colour (0xff3b3e44), c.y - capR, Colour (0xff131416), c.y + capR));
    g.fillEllipse (circle (capR));
    g.setGradientFill (juce::ColourGradient (Colours::white.withAlpha (0.14f), c.x, c.y - capR,
                                             Colours::transparentWhite, c.x, c.y + capR * 0.1f, false));
    g.fillEllipse (circle (capR * 0.92f).translated (0.0f, -capR * 0.06f));

    const Point<float> dir (std::sin (angle), -std::cos (angle));
    const auto inner = c + dir * (capR * 0.3f);
    const auto outer = c + dir * (capR * 0.9f);
    g.setColour (Palette::pointer);
    g.drawLine ({inner, outer}, trackRadius * 0.13f);
}

constexpr int knobFrame = 41;
constexpr int knobFrames = 31;

juce::Image makeKnobStrip()
{
    juce::Image img (juce::Image::RGB, 86, 1310, true);
    Graphics g (img);
    g.fillAll (Palette::panel);
    for (int n = 0; n < knobFrames; ++n)
    {
        const float centreY = static_cast<float> (n * knobFrame) + 20.5f;
        // Everything stays within 19.5 pixels of the centre so the frame's
        // edges are pure panel colour and the knob blends into the picture.
        knob (g, {20.5f, centreY}, 17.8f, 2.2f, static_cast<float> (n) / static_cast<float> (knobFrames - 1));
    }
    return img;
}

// ---------------------------------------------------------------------------
// Editor background

void editorSections (Graphics& g)
{
    // Upper row: dynamics, amp, cabinet. Lower row: modulation, delay,
    // reverb, program. Each frame holds its on/off button, type box, knobs
    // and value boxes with about 9 pixels to spare.
    const Rectangle<float> frames[] = {
        view (66, 196, 150, 165),  // dynamics
        view (228, 196, 308, 165), // amp
        view (560, 196, 168, 165), // cabinet
        view (66, 379, 150, 166),  // modulation
        view (228, 379, 156, 166), // delay
        view (398, 379, 138, 166), // reverb
        view (560, 379, 168, 166), // program
    };
    for (const auto& f : frames)
        sectionFrame (g, f);

    grooveTitle (g, frames[6], "PROGRAM", frames[6].getCentreX());

    // On/off buttons sit in recesses.
    const Rectangle<float> buttons[] = {
        view (88, 205, 108, 20), view (322, 205, 120, 20), view (592, 205, 100, 20),
        view (88, 388, 108, 20), view (256, 388, 100, 20), view (414, 388, 100, 20),
    };
    for (const auto& b : buttons)
        bezel (g, b.expanded (2.0f), 8.0f, Palette::well);

    // Type boxes are transparent: give them a dark window to read from.
    const Rectangle<float> combos[] = {
        view (85, 238, 112, 18), view (306, 238, 150, 18), view (584, 238, 120, 18),
        view (88, 420, 112, 18), view (248, 420, 112, 18), view (416, 420, 104, 18),
    };
    for (const auto& c : combos)
        bezel (g, c.expanded (1.0f), 4.0f, Palette::display);

    // Value boxes under the knobs.
    const Rectangle<float> values[] = {
        view (106, 330, 56, 22), view (394, 330, 56, 22), view (610, 330, 56, 22), view (106, 513, 56, 22),
        view (236, 513, 56, 22), view (434, 513, 56, 22), view (246, 330, 56, 22), view (316, 330, 62, 22),
        view (464, 330, 56, 22), view (658, 513, 52, 22), view (566, 513, 52, 22), view (307, 513, 62, 22),
    };
    for (const auto& v : values)
        bezel (g, v.expanded (1.0f), 3.0f, Palette::well);

    // Knob captions the editor does not paint, in the same face and size as
    // the ones it does, on the same caption rows (y 262 and 444).
    const auto font = legendFont (12.0f);
    legend (g, "DRIVE", view (104, 262, 56, 16), font, Palette::legend); // dynamics, knob at 106, 270
    legend (g, "DEPTH", view (608, 262, 56, 16), font, Palette::legend); // cabinet, knob at 610, 270
    legend (g, "RATE", view (104, 444, 56, 16), font, Palette::legend);  // modulation, knob at 106, 454
    legend (g, "MIX", view (432, 444, 56, 16), font, Palette::legend);   // reverb, knob at 434, 454
}

juce::Image makeEditorBackground()
{
    juce::Image img (juce::Image::RGB, 800, 590, true);
    Graphics g (img);
    brushedMetal (g, img.getBounds(), 0x5eed0001);
    cornerScrews (g, img.getWidth(), img.getHeight());
    header (g, true);
    editorSections (g);
    return img;
}

// ---------------------------------------------------------------------------
// Library background

juce::Image makeLibraryBackground()
{
    juce::Image img (juce::Image::RGB, 800, 590, true);
    Graphics g (img);
    brushedMetal (g, img.getBounds(), 0x5eed0001);
    cornerScrews (g, img.getWidth(), img.getHeight());
    header (g, false);

    // One panel holds both tables (86, 210) and (361, 210), 265 x 316 each,
    // with their titles under them, and the column of four buttons at x 640.
    const auto frame = view (70, 196, 666, 358);
    sectionFrame (g, frame);
    bezel (g, view (82, 204, 548, 326), 5.0f, Palette::display);

    const auto title = titleFont (11.0f).withExtraKerningFactor (0.16f);
    legend (g, "UNIT PROGRAMS", view (86, 534, 265, 14), title, Palette::accent);
    legend (g, "FACTORY PROGRAMS & FILES", view (361, 534, 265, 14), title, Palette::accent);

    // Button column: the file pair above, the unit transfer pair below, each
    // button in a square recess because the buttons are drawn with square
    // sides; the pair names sit at the outer ends, a groove between them.
    const Rectangle<float> buttons[] = {
        view (640, 336, 80, 30), // Open File
        view (640, 384, 80, 30), // Save As...
        view (640, 432, 80, 30), // Transmit All
        view (640, 480, 80, 30), // Receive All
    };
    for (const auto& b : buttons)
        bezel (g, b.expanded (2.0f), 2.0f, Palette::well);

    legend (g, "FILE", view (640, 316, 80, 14), title, Palette::accent);
    legend (g, "UNIT", view (640, 516, 80, 14), title, Palette::accent);
    g.setColour (Palette::groove);
    g.fillRect (view (646, 422, 68, 1));
    g.setColour (Colours::white.withAlpha (0.07f));
    g.fillRect (view (646, 423, 68, 1));

    // Library files can also be dropped onto the view.
    legend (g, "LIBRARY", view (640, 214, 80, 14), title, Palette::legend);
    const auto hint = legendFont (10.5f);
    const char* const hintLines[] = {"Drop up to three", ".vrm library files", "here to open them"};
    for (int i = 0; i < 3; ++i)
        legend (g, hintLines[i], view (634, 236 + 14 * i, 92, 14), hint, Palette::legendDim);
    return img;
}

// ---------------------------------------------------------------------------
// About picture and icon

juce::Image makeAbout()
{
    // Drawn at (1, 1) in the dialog: the dialog's texts sit at picture
    // x 15..239, y 15..87 and 119..143, the OK button at 59, 155, 100 x 24.
    juce::Image img (juce::Image::RGB, 480, 200, true);
    Graphics g (img);
    brushedMetal (g, img.getBounds(), 0x5eed0002);

    // Calm dark field under the texts and the button.
    bezel (g, {8.0f, 9.0f, 248.0f, 182.0f}, 8.0f, Palette::display);
    g.setColour (Colours::white.withAlpha (0.06f));
    g.fillRect (Rectangle<float> (18.0f, 101.0f, 220.0f, 1.0f));

    // Emblem and wordmark on the right.
    const Point<float> c (367.0f, 64.0f);
    g.setColour (Palette::panel);
    g.fillEllipse (Rectangle<float> (100.0f, 100.0f).withCentre (c));
    knob (g, c, 42.0f, 6.0f, 0.72f);

    const auto mark = brandFont (30.0f).withExtraKerningFactor (0.12f);
    legend (g, "VORANTE", {262.0f, 114.0f, 210.0f, 32.0f}, mark, Palette::legend);
    const auto sub = titleFont (15.0f).withExtraKerningFactor (0.08f);
    legend (g, "wren & heron", {262.0f, 146.0f, 210.0f, 18.0f}, sub, Palette::accent);
    legend (g, "SoundEditor", {262.0f, 164.0f, 210.0f, 18.0f},
            lightFont (15.0f).withExtraKerningFactor (0.1f), Palette::legend);

    g.setColour (Colours::black);
    g.drawRect (img.getBounds(), 1);
    return img;
}

// Drawn on a 256-pixel grid and scaled, so every size is the same picture.
juce::Image makeIcon (int size)
{
    juce::Image img (juce::Image::ARGB, size, size, true);
    Graphics g (img);
    g.addTransform (juce::AffineTransform::scale (static_cast<float> (size) / 256.0f));
    const Rectangle<float> tile (10.0f, 10.0f, 236.0f, 236.0f);

    g.setColour (Colours::black.withAlpha (0.45f));
    g.fillRoundedRectangle (tile.translated (0.0f, 4.0f), 50.0f);
    g.setGradientFill (juce::ColourGradient::vertical (Colour (0xff3a3e44), tile.getY(), Colour (0xff141517),
                                                       tile.getBottom()));
    g.fillRoundedRectangle (tile, 50.0f);
    g.setColour (Colours::white.withAlpha (0.12f));
    g.drawRoundedRectangle (tile.reduced (1.5f), 48.5f, 3.0f);

    // The unlit part of the scale is lighter than the tile so the full sweep
    // still reads at small sizes.
    knob (g, tile.getCentre().translated (0.0f, 6.0f), 86.0f, 20.0f, 0.7f, Colour (0xff4a4e55));
    return img;
}

bool writePng (const juce::Image& img, const juce::File& file)
{
    file.deleteFile();
    juce::FileOutputStream out (file);
    juce::PNGImageFormat png;
    if (!out.openedOk() || !png.writeImageToStream (img, out))
    {
        std::cerr << "vr-artgen: cannot write " << file.getFullPathName() << "\n";
        return false;
    }
    return true;
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::cerr << "usage: vr-artgen <output folder>\n";
        return 2;
    }

    juce::ScopedJuceInitialiser_GUI juce;
    const auto dir = juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]);
    if (!dir.createDirectory())
    {
        std::cerr << "vr-artgen: cannot create " << dir.getFullPathName() << "\n";
        return 1;
    }

    bool ok = true;
    ok = writePng (makeEditorBackground(), dir.getChildFile ("VREditorBG.png")) && ok;
    ok = writePng (makeLibraryBackground(), dir.getChildFile ("VRLibBG.png")) && ok;
    ok = writePng (makeKnobStrip(), dir.getChildFile ("VRwrenKnob.png")) && ok;
    ok = writePng (makeAbout(), dir.getChildFile ("VRwrenAbout.png")) && ok;
    ok = writePng (makeIcon (256), dir.getChildFile ("VRAppIcon.png")) && ok;

    // The desktop's icon theme sizes, installed with the program.
    const auto icons = dir.getChildFile ("icons");
    ok = icons.createDirectory() && ok;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256, 512})
        ok = writePng (makeIcon (size), icons.getChildFile (juce::String (size) + ".png")) && ok;
    return ok ? 0 : 1;
}
