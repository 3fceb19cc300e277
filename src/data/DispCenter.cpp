#include "DispCenter.h"

#include "DataCenter.h"

#include <array>
#include <cmath>
#include <cstddef>

namespace vr
{
namespace
{
template <std::size_t N>
using TextTable = std::array<const char*, N>;

constexpr TextTable<31> thirdsTexts{"0.0", "0.3", "0.7", "1.0", "1.3", "1.7", "2.0", "2.3",
                                    "2.7", "3.0", "3.3", "3.7", "4.0", "4.3", "4.7", "5.0",
                                    "5.3", "5.7", "6.0", "6.3", "6.7", "7.0", "7.3", "7.7",
                                    "8.0", "8.3", "8.7", "9.0", "9.3", "9.7", "10.0"};

// Only entries 0-27 are values; the knob cannot reach 28-30 on these types.
constexpr int kThirdsFromOneValues = 28;
constexpr TextTable<31> thirdsFromOneTexts{"1.0", "1.3", "1.7", "2.0",  "2.3", "2.7", "3.0", "3.3",
                                           "3.7", "4.0", "4.3", "4.7",  "5.0", "5.3", "5.7", "6.0",
                                           "6.3", "6.7", "7.0", "7.3",  "7.7", "8.0", "8.3", "8.7",
                                           "9.0", "9.3", "9.7", "10.0", "---", "---", "***"};

constexpr TextTable<31> rateTexts{"0.10", "0.12", "0.14", "0.16", "0.18", "0.20", "0.26", "0.32",
                                  "0.38", "0.44", "0.5",  "0.6",  "0.7",  "0.8",  "0.9",  "1.0",
                                  "1.2",  "1.4",  "1.6",  "1.8",  "2.0",  "2.6",  "3.2",  "3.8",
                                  "4.4",  "5.0",  "6.0",  "7.0",  "8.0",  "9.0",  "10.0"};

constexpr TextTable<31> tenthsTexts{"1.0", "1.3", "1.6", "1.9", "2.2", "2.5", "2.8", "3.1",
                                    "3.4", "3.7", "4.0", "4.3", "4.6", "4.9", "5.2", "5.5",
                                    "5.8", "6.1", "6.4", "6.7", "7.0", "7.3", "7.6", "7.9",
                                    "8.2", "8.5", "8.8", "9.1", "9.4", "9.7", "10.0"};

// Semitones; "-d" and " d" sit either side of zero and both read as 0.
constexpr int kPitchNegativeLast = 14;
constexpr int kPitchPositiveFirst = 15;
constexpr int kPitchPositiveLast = 29;
constexpr TextTable<31> pitchTexts{"-24", "-17", "-12", "-11", "-10", "-9", "-8", "-7", "-6", "-5", "-4",
                                   "-3",  "-2",  "-1",  "-d",  " d",  " 1", " 2", " 3", " 4", " 5", " 6",
                                   " 7",  " 8",  " 9",  "10",  "11",  "12", "19", "24", "---"};

constexpr int kNoteNames = 12;
constexpr TextTable<13> noteTexts{" C ", " C# ", " D ", " D# ", " E ", " F ", " F# ",
                                  " G ", " G# ", " A ", " A# ", " B ", "---"};

constexpr int kOscillatorWaves = 16;
constexpr int kOscillatorUnknown = 8;
constexpr TextTable<17> oscillatorTexts{"-2 SAW", "-1 SAW",   "-1 SIN",   " SAW ",    " SIN ",    "+1 SAW",
                                        "+1 SIN", "+2 SIN",   "-2 SAW P", "-1 SAW P", "-1 SIN P", " SAW P",
                                        " SIN P", "+1 SAW P", "+1 SIN P", "+2 SIN P", "---"};

constexpr int kDelaySteps = 100;
constexpr std::array<int, kDelaySteps> delayMilliseconds = []
{
    std::array<int, kDelaySteps> ms{};
    ms[1] = 10;
    for (std::size_t v = 2; v <= 97; ++v)
        ms[v] = 20 * (static_cast<int> (v) - 1);
    ms[98] = 1950;
    ms[99] = 2000;
    return ms;
}();

// The numbers the parsers compare against are read from the table texts, so a
// typed value matches what the box shows.
constexpr double decimalOf (const char* text)
{
    while (*text == ' ')
        ++text;
    const bool negative = *text == '-';
    if (negative)
        ++text;
    double number = 0.0;
    for (; *text >= '0' && *text <= '9'; ++text)
        number = number * 10.0 + (*text - '0');
    if (*text == '.')
    {
        double scale = 0.1;
        for (++text; *text >= '0' && *text <= '9'; ++text, scale /= 10.0)
            number += (*text - '0') * scale;
    }
    return negative ? -number : number;
}

template <std::size_t N>
constexpr std::array<double, N> numbersOf (const TextTable<N>& texts)
{
    std::array<double, N> numbers{};
    for (std::size_t i = 0; i < N; ++i)
        numbers[i] = decimalOf (texts[i]);
    return numbers;
}

constexpr auto thirdsNumbers = numbersOf (thirdsTexts);
constexpr auto thirdsFromOneNumbers = numbersOf (thirdsFromOneTexts);
constexpr auto rateNumbers = numbersOf (rateTexts);
constexpr auto tenthsNumbers = numbersOf (tenthsTexts);
constexpr auto pitchNumbers = numbersOf (pitchTexts);

// Typed decimals and table numbers are inexact in binary; this slack keeps a
// number typed exactly on a window edge or a midpoint on the side the rule puts it.
constexpr double kSlack = 1e-9;
constexpr double kTopOfScale = 10.0;

// The minus sign stays: a negative number means the knob's minimum.
const char* const numberJunk = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                               "<!#$%&'()=~|+^?_,/>";
// Keeps D/d for the detune entries and the minus sign for the lower half.
const char* const pitchJunk = "ABCEFGHIJKLMNOPQRSTUVWXYZabcefghijklmnopqrstuvwxyz"
                              "<!#$%&'()=~|^?_+.,/>";
const char* const noteJunk = "0123456789HIJKLMNOPQRSTUVWXYZhijklmnopqrstuvwxyz"
                             "<!$%&'()=~|^?_.-+,/>";
const char* const oscillatorKeep = "AINPSWainpsw12-+";

enum class Scale
{
    thirds,
    thirdsFromOne,
    rate,
    tenths,
    pitch,
    note,
    midFrequency,
    oscillator,
    delayTime
};

// Parameter numbers whose display depends on a type; all others show thirds.
namespace Param
{
constexpr int dynamicsKnob = 18;
constexpr int modulationKnob = 21;
constexpr int gain = 24;
constexpr int treble = 25;
constexpr int delayTime = 29;
} // namespace Param

constexpr int kSynthAmp = 25;

bool isMidFrequencyAmp (int ampType) noexcept
{
    return ampType >= 15 && ampType <= 21;
}

// Delay types 0-4 run at a quarter of the time of the others.
bool isShortDelay (int delayType) noexcept
{
    return delayType <= 4;
}

Scale modulationScale (int type) noexcept
{
    if (type >= 9 && type <= 13)
        return Scale::tenths;
    if ((type >= 16 && type <= 18) || type == 33)
        return Scale::thirdsFromOne;
    if (type >= 19 && type <= 21)
        return Scale::pitch;
    if (type >= 22 && type <= 28)
        return Scale::note;
    if (type >= 29 && type <= 41)
        return Scale::thirds;
    return Scale::rate; // 0-8, 14, 15 and 42 up, so unknown types too
}

Scale scaleOf (int parameter, const DataCenter& store) noexcept
{
    switch (parameter)
    {
        case Param::dynamicsKnob:
            return dynamicsTypeIsLimited (store.getType (dynamics)) ? Scale::thirdsFromOne : Scale::thirds;
        case Param::modulationKnob:
            return modulationScale (store.getType (modulation));
        case Param::gain:
        {
            const int ampType = store.getType (amp);
            if (ampType == kSynthAmp)
                return Scale::thirdsFromOne;
            return isMidFrequencyAmp (ampType) ? Scale::midFrequency : Scale::thirds;
        }
        case Param::treble:
            return store.getType (amp) == kSynthAmp ? Scale::oscillator : Scale::thirds;
        case Param::delayTime:
            return Scale::delayTime;
        default:
            return Scale::thirds;
    }
}

// Values outside a table (only reachable through bad data) show as its nearest
// end, so every value has a text and no lookup leaves the table.
template <std::size_t N>
juce::String textOf (const TextTable<N>& table, int value)
{
    return table[static_cast<std::size_t> (juce::jlimit (0, static_cast<int> (N) - 1, value))];
}

juce::String delayText (int milliseconds)
{
    if (milliseconds >= 2000)
        return "2.00[s]";
    if (milliseconds >= 1000)
        return "1." + juce::String ((milliseconds - 1000) / 10).paddedLeft ('0', 2) + "[s]";
    return juce::String (milliseconds) + "[ms]";
}

double readNumber (const juce::String& cleaned) noexcept
{
    const double number = cleaned.getDoubleValue();
    return std::isnan (number) ? 0.0 : number;
}

double cleanNumber (const juce::String& text)
{
    return readNumber (text.removeCharacters (numberJunk).trim());
}

// The nearest of numbers[first..last], ties going up; numbers beyond the ends
// give the ends.
int nearestOf (const double* numbers, int first, int last, double number) noexcept
{
    for (int i = first; i < last; ++i)
        if (number < (numbers[i] + numbers[i + 1]) / 2.0 - kSlack)
            return i;
    return last;
}

int midpointParse (const double* numbers, int count, double number) noexcept
{
    if (number <= 0.0)
        return 0;
    if (number >= kTopOfScale)
        return count - 1;
    return nearestOf (numbers, 0, count - 1, number);
}

int parsePitch (const juce::String& text)
{
    const auto cleaned = text.removeCharacters (pitchJunk).trim();
    if (cleaned == "-D" || cleaned == "-d")
        return kPitchNegativeLast;
    if (cleaned == "D" || cleaned == "d")
        return kPitchPositiveFirst;

    const double number = readNumber (cleaned);
    if (cleaned.containsChar ('-'))
    {
        if (number <= pitchNumbers.front())
            return 0;
        return nearestOf (pitchNumbers.data(), 0, kPitchNegativeLast, number);
    }
    if (number >= pitchNumbers[kPitchPositiveLast])
        return kPitchPositiveLast;
    return nearestOf (pitchNumbers.data(), kPitchPositiveFirst, kPitchPositiveLast, number);
}

int parseNote (const juce::String& text)
{
    const auto cleaned = text.removeCharacters (noteJunk).trim().toUpperCase();
    for (int i = 0; i < kNoteNames; ++i)
        if (cleaned == juce::String (noteTexts[static_cast<std::size_t> (i)]).trim())
            return i;
    return 0;
}

int findOscillator (const juce::String& compactName)
{
    for (int i = 0; i < kOscillatorWaves; ++i)
        if (juce::String (oscillatorTexts[static_cast<std::size_t> (i)]).removeCharacters (" ") ==
            compactName)
            return i;
    return -1;
}

int parseOscillator (const juce::String& text)
{
    const auto kept = text.retainCharacters (oscillatorKeep).toUpperCase();
    const bool saw = kept.contains ("SAW");
    if (!saw && !kept.contains ("SIN"))
        return kOscillatorUnknown;

    const juce::String wave = saw ? "SAW" : "SIN";
    const juce::String pulse = kept.containsChar ('P') ? "P" : "";
    const juce::String octave = kept.containsChar ('2') ? "2" : (kept.containsChar ('1') ? "1" : "");
    const juce::String shift =
        octave.isEmpty() ? juce::String() : (kept.containsChar ('-') ? "-" : "+") + octave;

    const int exact = findOscillator (shift + wave + pulse);
    return exact >= 0 ? exact : findOscillator (wave + pulse);
}

// "ms" after the number means milliseconds and "s" seconds, as the box shows
// them; a bare number up to two is seconds, a larger one milliseconds.
double delayMillisecondsOf (const juce::String& text)
{
    const double number = cleanNumber (text);
    const auto unit = text.toLowerCase();
    if (unit.contains ("ms"))
        return number;
    if (unit.containsChar ('s') || number <= 2.0)
        return number * 1000.0;
    return number;
}

int parseDelay (const juce::String& text, bool shortDelay)
{
    const double milliseconds = delayMillisecondsOf (text);
    // Only value 0 has no delay at all; every other step lies above it.
    if (milliseconds <= 0.0)
        return 0;
    const double step = shortDelay ? 5.0 : 20.0;
    const double value = std::floor ((milliseconds + step) / step + kSlack);
    return value > kDelaySteps - 1 ? kDelaySteps - 1 : static_cast<int> (value);
}

int parseMidFrequency (const juce::String& text)
{
    const double number = cleanNumber (text);
    if (number < 1.0)
        return 0;
    if (number >= 5.0)
        return 4;
    return static_cast<int> (number) - 1;
}
} // namespace

juce::String DispCenter::valueToText (int parameter, int value) const
{
    switch (scaleOf (parameter, dataCenter))
    {
        case Scale::thirds:
            return textOf (thirdsTexts, value);
        case Scale::thirdsFromOne:
            return textOf (thirdsFromOneTexts, value);
        case Scale::rate:
            return textOf (rateTexts, value);
        case Scale::tenths:
            return textOf (tenthsTexts, value);
        case Scale::pitch:
            return textOf (pitchTexts, value);
        case Scale::note:
            return textOf (noteTexts, value);
        case Scale::oscillator:
            return textOf (oscillatorTexts, value);
        case Scale::midFrequency:
            // The stored value as it is, not first limited to the knob's range.
            return juce::String (juce::jmax (0, value) % 5 + 1);
        case Scale::delayTime:
        {
            const int entry =
                delayMilliseconds[static_cast<std::size_t> (juce::jlimit (0, kDelaySteps - 1, value))];
            return delayText (isShortDelay (dataCenter.getType (delay)) ? entry / 4 : entry);
        }
    }
    return {};
}

int DispCenter::textToValue (int parameter, const juce::String& typed) const
{
    // A comma is a decimal point too: "5,5" is five and a half, not 55.
    const auto text = typed.replaceCharacter (',', '.');
    const auto scale = scaleOf (parameter, dataCenter);
    // A text with no number in it names no value (notes, oscillators and the
    // pitch detune "d" are names).
    const bool named = scale == Scale::note || scale == Scale::oscillator ||
                       (scale == Scale::pitch && text.containsAnyOf ("dD"));
    if (!named && !text.containsAnyOf ("0123456789"))
        return noValue;

    // A number between two values the box shows goes to the nearer one.
    switch (scale)
    {
        case Scale::thirds:
            return midpointParse (thirdsNumbers.data(), static_cast<int> (thirdsNumbers.size()),
                                  cleanNumber (text));
        case Scale::thirdsFromOne:
            return midpointParse (thirdsFromOneNumbers.data(), kThirdsFromOneValues, cleanNumber (text));
        case Scale::rate:
            return midpointParse (rateNumbers.data(), static_cast<int> (rateNumbers.size()),
                                  cleanNumber (text));
        case Scale::tenths:
            return midpointParse (tenthsNumbers.data(), static_cast<int> (tenthsNumbers.size()),
                                  cleanNumber (text));
        case Scale::pitch:
            return parsePitch (text);
        case Scale::note:
            return parseNote (text);
        case Scale::oscillator:
            return parseOscillator (text);
        case Scale::midFrequency:
            return parseMidFrequency (text);
        case Scale::delayTime:
            return parseDelay (text, isShortDelay (dataCenter.getType (delay)));
    }
    return 0;
}
} // namespace vr
