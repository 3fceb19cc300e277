#include "data/DispCenter.h"
#include "data/DataCenter.h"
#include "data/EffectTypes.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace vr
{
namespace
{
constexpr int noType = -1;
constexpr int dyn = RecordByte::dynamicsType;
constexpr int ampT = RecordByte::ampType;
constexpr int mod = RecordByte::modulationType;
constexpr int dly = RecordByte::delayType;

// A store with one type byte changed from the default record; the default's
// amp type (21) alone would turn parameter 24 into the 1-5 scale.
struct Display
{
    explicit Display (int typeByte = noType, int type = 0)
    {
        if (typeByte != noType)
            store.current[static_cast<size_t> (typeByte)] = static_cast<std::uint8_t> (type);
    }

    DataCenter store;
    DispCenter disp{store};
};

juce::String show (int typeByte, int type, int parameter, int value)
{
    Display d (typeByte, type);
    return d.disp.valueToText (parameter, value);
}

int parse (int typeByte, int type, int parameter, const juce::String& text)
{
    Display d (typeByte, type);
    return d.disp.textToValue (parameter, text);
}

juce::String oneDecimal (int tenthsOfUnit)
{
    return juce::String (tenthsOfUnit / 10) + "." + juce::String (tenthsOfUnit % 10);
}

// value / 3 rounded to the nearest tenth, in tenths: floor(10v/3 + 1/2).
int thirdInTenths (int value)
{
    return (20 * value + 3) / 6;
}

struct ShowCase
{
    int typeByte, type, parameter, value;
    const char* text;
};

void expectShows (const std::vector<ShowCase>& cases)
{
    for (const auto& c : cases)
        EXPECT_EQ (show (c.typeByte, c.type, c.parameter, c.value), c.text)
            << "type byte " << c.typeByte << " = " << c.type << ", parameter " << c.parameter << ", value "
            << c.value;
}

struct ParseCase
{
    int typeByte, type, parameter;
    const char* text;
    int value;
};

void expectParses (const std::vector<ParseCase>& cases)
{
    for (const auto& c : cases)
        EXPECT_EQ (parse (c.typeByte, c.type, c.parameter, c.text), c.value)
            << "type byte " << c.typeByte << " = " << c.type << ", parameter " << c.parameter << ", text \""
            << c.text << "\"";
}
} // namespace

TEST (DispCenter, DocumentedExamplesShow)
{
    expectShows ({
        {noType, 0, 22, 2, "0.7"},
        {noType, 0, 22, 30, "10.0"},
        {dyn, 0, 18, 28, "---"},
        {dyn, 0, 18, 30, "***"},
        {dly, 6, 29, 76, "1.50[s]"},
        {dly, 6, 29, 99, "2.00[s]"},
        {dly, 6, 29, 26, "500[ms]"},
        {dly, 2, 29, 99, "500[ms]"},
        {ampT, 18, 24, 3, "4"},
    });
}

TEST (DispCenter, DocumentedExamplesParse)
{
    expectParses ({
        {ampT, 18, 24, "4", 3},
        {ampT, 18, 24, "9", 4},
        {ampT, 18, 24, "0", 0},
        {dly, 6, 29, "2", 99},
        {dly, 6, 29, "100", 6},
        {dly, 6, 29, "1.5", 76},
        {mod, 25, 21, "c#", 1},
        {mod, 25, 21, "H", 0},
        {ampT, 25, 25, "sin p +1", 14},
        {noType, 0, 22, "12.5", 30},
        {noType, 0, 22, "5.5", 17}, // halfway between "5.3" and "5.7"
        {noType, 0, 22, "5.6", 17},
    });
}

TEST (DispCenter, ThirdsShowEveryValueToTheNearestTenth)
{
    // Parameter 18 with an unlimited dynamics type and the knobs that never
    // depend on a type.
    struct User
    {
        int typeByte, type, parameter;
    };
    const User users[] = {{dyn, 1, 18},    {dyn, 22, 18},   {noType, 0, 19}, {noType, 0, 20}, {noType, 0, 22},
                          {noType, 0, 23}, {noType, 0, 26}, {noType, 0, 27}, {noType, 0, 28}};
    for (const auto& u : users)
        for (int v = 0; v <= 30; ++v)
            EXPECT_EQ (show (u.typeByte, u.type, u.parameter, v), oneDecimal (thirdInTenths (v)))
                << "parameter " << u.parameter << ", value " << v;
    EXPECT_EQ (show (noType, 0, 22, 1), "0.3");
    EXPECT_EQ (show (noType, 0, 22, 5), "1.7");
    EXPECT_EQ (show (noType, 0, 22, 29), "9.7");
}

TEST (DispCenter, ThirdsFromOneAndTenthsFollowTheirFormulas)
{
    for (int v = 0; v <= 27; ++v)
        EXPECT_EQ (show (dyn, 0, 18, v), oneDecimal (10 + thirdInTenths (v))) << "value " << v;
    EXPECT_EQ (show (dyn, 0, 18, 2), "1.7");
    EXPECT_EQ (show (dyn, 0, 18, 27), "10.0");
    EXPECT_EQ (show (dyn, 0, 18, 29), "---");

    for (const int type : {9, 13})
        for (int v = 0; v <= 30; ++v)
            EXPECT_EQ (show (mod, type, 21, v), oneDecimal (10 + 3 * v))
                << "type " << type << ", value " << v;
    EXPECT_EQ (show (mod, 9, 21, 3), "1.9");
    EXPECT_EQ (show (mod, 9, 21, 29), "9.7");
}

TEST (DispCenter, ListedTablesShowTheirTextsAtEndsAndSeams)
{
    expectShows ({
        // rate
        {mod, 0, 21, 0, "0.10"},
        {mod, 0, 21, 5, "0.20"},
        {mod, 0, 21, 6, "0.26"},
        {mod, 0, 21, 9, "0.44"},
        {mod, 0, 21, 10, "0.5"},
        {mod, 0, 21, 15, "1.0"},
        {mod, 0, 21, 21, "2.6"},
        {mod, 0, 21, 25, "5.0"},
        {mod, 0, 21, 29, "9.0"},
        {mod, 0, 21, 30, "10.0"},
        // pitch
        {mod, 19, 21, 0, "-24"},
        {mod, 19, 21, 1, "-17"},
        {mod, 19, 21, 13, "-1"},
        {mod, 19, 21, 14, "-d"},
        {mod, 19, 21, 15, " d"},
        {mod, 19, 21, 16, " 1"},
        {mod, 19, 21, 24, " 9"},
        {mod, 19, 21, 25, "10"},
        {mod, 19, 21, 28, "19"},
        {mod, 19, 21, 29, "24"},
        {mod, 19, 21, 30, "---"},
        // note
        {mod, 22, 21, 0, " C "},
        {mod, 22, 21, 1, " C# "},
        {mod, 22, 21, 11, " B "},
        {mod, 22, 21, 12, "---"},
        // oscillator
        {ampT, 25, 25, 0, "-2 SAW"},
        {ampT, 25, 25, 3, " SAW "},
        {ampT, 25, 25, 4, " SIN "},
        {ampT, 25, 25, 7, "+2 SIN"},
        {ampT, 25, 25, 8, "-2 SAW P"},
        {ampT, 25, 25, 11, " SAW P"},
        {ampT, 25, 25, 15, "+2 SIN P"},
        {ampT, 25, 25, 16, "---"},
        // middle frequency 1-5
        {ampT, 15, 24, 0, "1"},
        {ampT, 21, 24, 4, "5"},
        {ampT, 15, 24, 7, "3"},
    });
}

TEST (DispCenter, DelayTimeShowsMillisecondsOrSeconds)
{
    expectShows ({
        {dly, 6, 29, 0, "0[ms]"},
        {dly, 6, 29, 1, "10[ms]"},
        {dly, 6, 29, 2, "20[ms]"},
        {dly, 6, 29, 50, "980[ms]"},
        {dly, 6, 29, 51, "1.00[s]"},
        {dly, 6, 29, 52, "1.02[s]"},
        {dly, 6, 29, 97, "1.92[s]"},
        {dly, 6, 29, 98, "1.95[s]"},
        {dly, 5, 29, 99, "2.00[s]"},
        // types 0-4: a quarter of the table, truncated
        {dly, 0, 29, 0, "0[ms]"},
        {dly, 0, 29, 1, "2[ms]"},
        {dly, 4, 29, 2, "5[ms]"},
        {dly, 4, 29, 51, "250[ms]"},
        {dly, 4, 29, 98, "487[ms]"},
        {dly, 4, 29, 99, "500[ms]"},
    });
}

TEST (DispCenter, TypesChooseTheScaleAtEveryBoundary)
{
    // Value 2 reads differently on every scale.
    expectShows ({
        {dyn, 0, 18, 2, "1.7"},
        {dyn, 2, 18, 2, "1.7"},
        {dyn, 7, 18, 2, "1.7"},
        {dyn, 9, 18, 2, "1.7"},
        {dyn, 17, 18, 2, "1.7"},
        {dyn, 19, 18, 2, "1.7"},
        {dyn, 20, 18, 2, "1.7"},
        {dyn, 21, 18, 2, "1.7"},
        {dyn, 1, 18, 2, "0.7"},
        {dyn, 8, 18, 2, "0.7"},
        {dyn, 18, 18, 2, "0.7"},
        {dyn, 22, 18, 2, "0.7"},
        {dyn, 26, 18, 2, "0.7"},

        {mod, 0, 21, 2, "0.14"},
        {mod, 8, 21, 2, "0.14"},
        {mod, 9, 21, 2, "1.6"},
        {mod, 13, 21, 2, "1.6"},
        {mod, 14, 21, 2, "0.14"},
        {mod, 15, 21, 2, "0.14"},
        {mod, 16, 21, 2, "1.7"},
        {mod, 18, 21, 2, "1.7"},
        {mod, 19, 21, 2, "-12"},
        {mod, 21, 21, 2, "-12"},
        {mod, 22, 21, 2, " D "},
        {mod, 28, 21, 2, " D "},
        {mod, 29, 21, 2, "0.7"},
        {mod, 32, 21, 2, "0.7"},
        {mod, 33, 21, 2, "1.7"},
        {mod, 34, 21, 2, "0.7"},
        {mod, 41, 21, 2, "0.7"},
        {mod, 42, 21, 2, "0.14"},
        {mod, 45, 21, 2, "0.14"},

        {ampT, 14, 24, 2, "0.7"},
        {ampT, 15, 24, 2, "3"},
        {ampT, 21, 24, 2, "3"},
        {ampT, 22, 24, 2, "0.7"},
        {ampT, 24, 24, 2, "0.7"},
        {ampT, 25, 24, 2, "1.7"},
        {ampT, 25, 25, 2, "-1 SIN"},
        {ampT, 24, 25, 2, "0.7"},
        {ampT, 15, 25, 2, "0.7"},

        // The amp type changes only gain and treble; one type changes only its knob.
        {ampT, 25, 26, 2, "0.7"},
        {ampT, 25, 19, 2, "0.7"},
        {ampT, 18, 26, 2, "0.7"},
        {mod, 19, 22, 2, "0.7"},
        {dyn, 0, 19, 2, "0.7"},
        {dly, 2, 22, 2, "0.7"},
    });

    expectParses ({
        {dyn, 0, 18, "4", 9},   {dyn, 1, 18, "4", 12},  {mod, 0, 21, "4", 23},    {mod, 10, 21, "4", 10},
        {mod, 17, 21, "4", 9},  {mod, 20, 21, "4", 19}, {mod, 27, 21, "4", 0},    {mod, 30, 21, "4", 12},
        {mod, 33, 21, "4", 9},  {mod, 42, 21, "4", 23}, {ampT, 14, 24, "4", 12},  {ampT, 15, 24, "4", 3},
        {ampT, 25, 24, "4", 9}, {ampT, 25, 25, "4", 8}, {ampT, 24, 25, "4", 12},  {ampT, 25, 26, "4", 12},
        {mod, 19, 22, "4", 12}, {dly, 6, 29, "4", 1},   {noType, 0, 27, "4", 12},
    });
}

TEST (DispCenter, EveryShownTextParsesBackToItsValue)
{
    struct Scale
    {
        int typeByte, type, parameter, first, last;
    };
    const Scale scales[] = {
        {noType, 0, 22, 0, 30},                                             // thirds
        {dyn, 0, 18, 0, 27},                                                // thirds from one
        {mod, 16, 21, 0, 27},   {ampT, 25, 24, 0, 27}, {mod, 0, 21, 0, 30}, // rate
        {mod, 11, 21, 0, 30},                                               // tenths
        {mod, 20, 21, 0, 29},                                               // pitch
        {mod, 24, 21, 0, 11},                                               // note
        {ampT, 25, 25, 0, 15},                                              // oscillator
        {ampT, 17, 24, 0, 4},                                               // 1-5
        {dly, 7, 29, 0, 99},                                                // delay
        {dly, 3, 29, 0, 99},                                                // short delay
    };
    for (const auto& s : scales)
    {
        Display d (s.typeByte, s.type);
        for (int v = s.first; v <= s.last; ++v)
        {
            const auto text = d.disp.valueToText (s.parameter, v);
            EXPECT_EQ (d.disp.textToValue (s.parameter, text), v)
                << "type byte " << s.typeByte << " = " << s.type << ", parameter " << s.parameter
                << ", text \"" << text << "\"";
        }
    }
}

// A typed number goes to the nearest value the box can show, never to a raw
// knob position; a comma is a decimal point; a text with no number is no value.
TEST (DispCenter, ThirdsTakeTheNearestValueTheBoxShows)
{
    expectParses ({
        {noType, 0, 22, "0", 0},
        {noType, 0, 22, "0.14", 0},
        {noType, 0, 22, "0.15", 1}, // halfway: either neighbour would do
        {noType, 0, 22, "0.16", 1},
        {noType, 0, 22, "0.44", 1},
        {noType, 0, 22, "0.5", 2},
        {noType, 0, 22, "0.56", 2},
        {noType, 0, 22, "1.14", 3},
        {noType, 0, 22, "2.5", 8},
        {noType, 0, 22, "7.5", 23},
        {noType, 0, 22, "5,5", 17},
        {noType, 0, 22, "9.84", 29},
        {noType, 0, 22, "9.86", 30},
        {noType, 0, 22, "9.99", 30},
        {noType, 0, 22, "10", 30},
        {noType, 0, 22, "250", 30},
        {noType, 0, 22, "-3", 0}, // a negative number is the minimum
        {noType, 0, 22, "3 dB", 9},
        {noType, 0, 22, "(4.3)", 13},
        {noType, 0, 22, "", DispCenter::noValue},
        {noType, 0, 22, "abc", DispCenter::noValue},
        {noType, 0, 22, "*5", 0},
        // thirds from one: 28 entries, 1.0 to 10.0
        {dyn, 0, 18, "0", 0},
        {dyn, 0, 18, "0.5", 0},
        {dyn, 0, 18, "0.9", 0},
        {dyn, 0, 18, "1.0", 0},
        {dyn, 0, 18, "1.7", 2},
        {dyn, 0, 18, "2.5", 5},
        {dyn, 0, 18, "5.5", 14},
        {dyn, 0, 18, "9.7", 26},
        {dyn, 0, 18, "9.86", 27},
        {dyn, 0, 18, "10", 27},
        {dyn, 0, 18, "30", 27},
        {mod, 33, 21, "10.0", 27},
        {ampT, 25, 24, "99", 27},
    });
}

TEST (DispCenter, MidpointParserPicksTheNearestEntryTiesGoingUp)
{
    expectParses ({
        // rate
        {mod, 0, 21, "0", 0},
        {mod, 0, 21, "0.05", 0},
        {mod, 0, 21, "0.109", 0},
        {mod, 0, 21, "0.11", 1},
        {mod, 0, 21, "0.46", 9},
        {mod, 0, 21, "0.47", 10},
        {mod, 0, 21, "1.1", 16},
        {mod, 0, 21, "9.49", 29},
        {mod, 0, 21, "9.5", 30},
        {mod, 0, 21, "10", 30},
        {mod, 0, 21, "50", 30},
        {mod, 0, 21, "", DispCenter::noValue},
        // tenths
        {mod, 12, 21, "0.5", 0},
        {mod, 12, 21, "1.14", 0},
        {mod, 12, 21, "1.15", 1},
        {mod, 12, 21, "5.5", 15},
        {mod, 12, 21, "9.84", 29},
        {mod, 12, 21, "9.85", 30},
        {mod, 12, 21, "10", 30},
    });
}

TEST (DispCenter, PitchParserKeepsSignAndDetune)
{
    expectParses ({
        {mod, 19, 21, "-d", 14},  {mod, 19, 21, "-D", 14},
        {mod, 19, 21, "d", 15},   {mod, 19, 21, "D", 15},
        {mod, 19, 21, " d ", 15}, {mod, 19, 21, "-24", 0},
        {mod, 19, 21, "-30", 0},  {mod, 19, 21, "-21", 0},
        {mod, 19, 21, "-20", 1},  {mod, 19, 21, "-5", 9},
        {mod, 19, 21, "-1", 13},  {mod, 19, 21, "-0", 14},
        {mod, 19, 21, "5-", 14},  // a minus anywhere means the lower half
        {mod, 19, 21, "-1.5", 1}, // the point is cleaned away: -15
        {mod, 19, 21, "0", 15},   {mod, 19, 21, "", DispCenter::noValue},
        {mod, 19, 21, "+5", 20},  {mod, 19, 21, "5 semitones", 20},
        {mod, 19, 21, "12", 27},  {mod, 19, 21, "15", 27},
        {mod, 19, 21, "16", 28},  {mod, 19, 21, "19", 28},
        {mod, 20, 21, "21", 28},  {mod, 21, 21, "22", 29},
        {mod, 21, 21, "24", 29},  {mod, 21, 21, "40", 29},
    });
}

TEST (DispCenter, NoteParserMatchesNamesWithSharps)
{
    expectParses ({
        {mod, 22, 21, "C", 0},
        {mod, 22, 21, "c#", 1},
        {mod, 23, 21, " g# ", 8},
        {mod, 24, 21, "A#", 10},
        {mod, 28, 21, "b", 11},
        {mod, 25, 21, "C4", 0},
        {mod, 25, 21, "D#5", 3},
        {mod, 25, 21, "E-", 4},
        {mod, 25, 21, "F(", 5},
        {mod, 25, 21, "H", 0},
        {mod, 25, 21, "Bb", 0},
        {mod, 25, 21, "C #", 0},
        {mod, 25, 21, "xyz", 0},
        {mod, 25, 21, "", 0},
        {mod, 25, 21, "#", 0},
    });
}

TEST (DispCenter, OscillatorParserCombinesWaveOctaveAndPulse)
{
    expectParses ({
        {ampT, 25, 25, "-2 SAW", 0},
        {ampT, 25, 25, "-1 saw", 1},
        {ampT, 25, 25, "-1 sin", 2},
        {ampT, 25, 25, "saw", 3},
        {ampT, 25, 25, "S A W", 3},
        {ampT, 25, 25, "sin", 4},
        {ampT, 25, 25, "+1 saw", 5},
        {ampT, 25, 25, "1 saw", 5},
        {ampT, 25, 25, "+1 sin", 6},
        {ampT, 25, 25, "+2 sin", 7},
        {ampT, 25, 25, "-2 saw p", 8},
        {ampT, 25, 25, "-1sawp", 9},
        {ampT, 25, 25, "-1 SIN P", 10},
        {ampT, 25, 25, "SAW P", 11},
        {ampT, 25, 25, "sin p", 12},
        {ampT, 25, 25, "+1 saw p", 13},
        {ampT, 25, 25, "+2 sin p", 15},
        // combinations the unit lacks fall back to the plain wave
        {ampT, 25, 25, "-2 sin", 4},
        {ampT, 25, 25, "-2 sin p", 12},
        {ampT, 25, 25, "+2 saw", 3},
        {ampT, 25, 25, "+2 saw p", 11},
        {ampT, 25, 25, "2 saw", 3},
        {ampT, 25, 25, "-saw", 3},
        {ampT, 25, 25, "+sin p", 12},
        // no wave named
        {ampT, 25, 25, "", 8},
        {ampT, 25, 25, "square", 8},
        {ampT, 25, 25, "-1 P", 8},
        {ampT, 25, 25, "S-AW", 8},
    });
}

TEST (DispCenter, GainOneToFiveParserLimitsToFourSteps)
{
    expectParses ({
        {ampT, 15, 24, "1", 0},
        {ampT, 15, 24, "3", 2},
        {ampT, 16, 24, "3.9", 2},
        {ampT, 21, 24, "5", 4},
        {ampT, 21, 24, "6", 4},
        {ampT, 18, 24, "-3", 0},
        {ampT, 18, 24, "", DispCenter::noValue},
        {ampT, 18, 24, "0.5", 0},
        {ampT, 18, 24, "99999999999999999999999", 4},
    });
}

TEST (DispCenter, DelayParserTakesSecondsUpToTwoAndStepsByType)
{
    expectParses ({
        {dly, 6, 29, "0", 0},
        {dly, 6, 29, "0.5", 26},
        {dly, 6, 29, "1.95", 98},
        {dly, 6, 29, "2.0", 99},
        {dly, 6, 29, "2.1", 1}, // above two it is milliseconds
        {dly, 6, 29, "19", 1},
        {dly, 6, 29, "20", 2},
        {dly, 6, 29, "500ms", 26},
        {dly, 6, 29, "1920", 97},
        {dly, 6, 29, "1960", 99},
        {dly, 6, 29, "5000", 99},
        {dly, 6, 29, "", DispCenter::noValue},
        {dly, 6, 29, "99999999999999999999999", 99},
        {dly, 5, 29, "100", 6},
        {dly, 200, 29, "100", 6},
        // types 0-4 step by 5 ms
        {dly, 4, 29, "100", 21},
        {dly, 0, 29, "5", 2},
        {dly, 2, 29, "487", 98},
        {dly, 2, 29, "500", 99},
        {dly, 2, 29, "0.1", 21},
        {dly, 2, 29, "2", 99},
    });
}

TEST (DispCenter, DelayUnitsReadAsTheBoxShowsThem)
{
    expectParses ({
        // types 0-4: "2[ms]" is 2 ms, not 2 s, and "0[ms]" no delay at all
        {dly, 0, 29, "2[ms]", 1},
        {dly, 4, 29, "0[ms]", 0},
        {dly, 4, 29, "2 ms", 1},
        {dly, 1, 29, "0.5s", 99},
        {dly, 1, 29, "1[MS]", 1},
        // the others
        {dly, 6, 29, "1[ms]", 1},
        {dly, 6, 29, "2ms", 1},
        {dly, 6, 29, "1500 ms", 76},
        {dly, 6, 29, "1.5s", 76},
        {dly, 6, 29, "1.50[s]", 76},
        {dly, 6, 29, "0.02 s", 2},
        {dly, 6, 29, "3 s", 99},
        {dly, 6, 29, "0 s", 0},
    });
}

TEST (DispCenter, NegativeNumbersMeanTheKnobsMinimum)
{
    // Every numeric scale; the pitch scale has negative values of its own.
    const std::vector<std::pair<int, int>> scales = {
        {noType, 0}, {dyn, 0}, {mod, 0}, {mod, 11}, {mod, 17}, {mod, 30}, {ampT, 15}, {dly, 2}, {dly, 6},
    };
    for (const auto& [typeByte, type] : scales)
        for (int parameter = 18; parameter <= 29; ++parameter)
            for (const char* text : {"-5", "-0.3", "-1.5s", "-1500ms", " - 7", "-99999999999999999999999"})
                EXPECT_EQ (parse (typeByte, type, parameter, text), 0)
                    << "type byte " << typeByte << " = " << type << ", parameter " << parameter << ", text \""
                    << text << "\"";
}

// Return on a box's own text keeps every value a knob can take, under every
// type of its section; the panel limits the parsed value to the knob's maximum.
TEST (DispCenter, EveryKnobReadsItsOwnTextBackUnderEveryType)
{
    for (int k = 0; k < kNumKnobs; ++k)
    {
        const int section = sectionOfKnob (k);
        const int typeCount = section < 0 ? 1 : effectTypes (section).size;
        const int parameter = kFirstKnobParameter + k;
        for (int type = 0; type < typeCount; ++type)
        {
            DataCenter store;
            if (section >= 0)
                store.current[static_cast<size_t> (RecordByte::firstType + section)] =
                    static_cast<std::uint8_t> (type);
            const DispCenter disp (store);
            const int maximum = knobMaximum (store.current, k);
            const int last = juce::jmin (maximum, k == 11 ? 99 : 30);
            for (int v = 0; v <= last; ++v)
            {
                const auto text = disp.valueToText (parameter, v);
                ASSERT_EQ (juce::jmin (disp.textToValue (parameter, text), maximum), v)
                    << "knob " << k << ", type " << type << ", text \"" << text << "\"";
            }
        }
    }
}

TEST (DispCenter, OutOfRangeValuesShowTheNearestEndOfTheirTable)
{
    expectShows ({
        {noType, 0, 22, -5, "0.0"},
        {noType, 0, 22, 31, "10.0"},
        {noType, 0, 22, 100, "10.0"},
        {noType, 0, 22, 255, "10.0"},
        {noType, 0, 22, INT_MAX, "10.0"},
        {noType, 0, 22, INT_MIN, "0.0"},
        {dyn, 0, 18, -5, "1.0"},
        {dyn, 0, 18, 31, "***"},
        {mod, 0, 21, -5, "0.10"},
        {mod, 0, 21, 255, "10.0"},
        {mod, 10, 21, 100, "10.0"},
        {mod, 19, 21, 31, "---"},
        {mod, 19, 21, -5, "-24"},
        {mod, 22, 21, 13, "---"},
        {mod, 22, 21, 100, "---"},
        {mod, 22, 21, -5, " C "},
        {ampT, 25, 25, 17, "---"},
        {ampT, 25, 25, 255, "---"},
        {ampT, 25, 25, -5, "-2 SAW"},
        {ampT, 15, 24, -5, "1"},
        {ampT, 15, 24, 31, "2"}, // the stored value, not limited first
        {ampT, 18, 24, 42, "3"},
        {ampT, 21, 24, 127, "3"},
        {ampT, 15, 24, INT_MIN, "1"},
        {dly, 6, 29, -5, "0[ms]"},
        {dly, 6, 29, 100, "2.00[s]"},
        {dly, 6, 29, 255, "2.00[s]"},
        {dly, 1, 29, INT_MAX, "500[ms]"},
        // Unknown types take the scale the type lists give "all other" types.
        {dyn, 200, 18, 2, "0.7"},
        {ampT, 200, 24, 2, "0.7"},
        {ampT, 200, 25, 2, "0.7"},
        {mod, 200, 21, 2, "0.14"},
        {mod, 255, 21, 31, "10.0"},
        {dly, 200, 29, 99, "2.00[s]"},
        // Parameters that address no knob show thirds.
        {noType, 0, 0, 2, "0.7"},
        {noType, 0, -1, 2, "0.7"},
        {noType, 0, 300, 2, "0.7"},
    });
}

TEST (DispCenter, AnyTextGivesAValueInTheKnobRangeOrNone)
{
    const char* const texts[] = {"",      " ",     "\t",       "abc",
                                 "-",     ".",     "--5",      "nan",
                                 "inf",   "-inf",  "1e400",    "-d-d",
                                 "##",    "[]",    "0x1F",     "SAWSIN",
                                 "1.2.3", "+-+-2", "\xc3\x84", "-99999999999999999999999999999999999999999"};
    const int types[] = {0, 15, 19, 22, 25, 200, 255};
    for (const int type : types)
    {
        DataCenter store;
        for (int b = RecordByte::firstType; b <= RecordByte::reverbType; ++b)
            store.current[static_cast<size_t> (b)] = static_cast<std::uint8_t> (type);
        const DispCenter disp (store);
        for (int parameter = -1; parameter <= 31; ++parameter)
            for (const auto* text : texts)
            {
                const int value = disp.textToValue (parameter, juce::String (juce::CharPointer_UTF8 (text)));
                if (value == DispCenter::noValue)
                    continue;
                EXPECT_GE (value, 0) << "type " << type << ", parameter " << parameter << ", text " << text;
                EXPECT_LE (value, parameter == 29 ? 99 : 30)
                    << "type " << type << ", parameter " << parameter << ", text " << text;
            }
    }
}
} // namespace vr
