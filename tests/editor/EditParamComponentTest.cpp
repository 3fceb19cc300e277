#include "editor/EditParamComponent.h"
#include "EditorTestSupport.h"
#include "data/DataCenter.h"
#include "data/DispCenter.h"
#include "data/EffectTypes.h"
#include "midi/MidiReceiver.h"
#include "support/RecordingPorts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace vr
{
namespace
{
constexpr int kDelayTimeKnob = 11;

// A parameter change as sent: parameter number, hundreds, remainder.
struct Change
{
    int parameter, hundreds, value;
    bool operator== (const Change& o) const
    {
        return parameter == o.parameter && hundreds == o.hundreds && value == o.value;
    }
    bool operator<(const Change& o) const
    {
        return std::tie (parameter, hundreds, value) < std::tie (o.parameter, o.hundreds, o.value);
    }
};

std::ostream& operator<< (std::ostream& os, const Change& c)
{
    return os << "{" << c.parameter << ", " << c.hundreds << ", " << c.value << "}";
}

std::vector<Change> changesIn (const std::vector<juce::MidiMessage>& sent)
{
    std::vector<Change> changes;
    for (const auto& m : sent)
    {
        const auto b = test::bytesOf (m);
        EXPECT_EQ (b.size(), 12u);
        EXPECT_EQ (test::makerCode (m), sysex::Code::parameterChange);
        if (b.size() == 12)
            changes.push_back ({b[8], b[9], b[10]});
    }
    return changes;
}

// Keeps the time of each message, to see the pause after an on/off change.
class TimedPort : public MidiOutputPort
{
public:
    TimedPort (std::vector<juce::MidiMessage>& m, std::vector<double>& t)
        : messages (m)
        , times (t)
    {
    }
    juce::String getName() const override { return "timed"; }
    void sendMessageNow (const juce::MidiMessage& message) override
    {
        messages.push_back (message);
        times.push_back (juce::Time::getMillisecondCounterHiRes());
    }

private:
    std::vector<juce::MidiMessage>& messages;
    std::vector<double>& times;
};

using test::pressReturn;
using test::pump;

using test::mouseAt;

// Presses the knob and drags it upwards in steps, as a hand would.
void dragUp (juce::Component& knob, float pixels)
{
    const juce::Point<float> start (32.0f, 32.0f);
    knob.mouseDown (mouseAt (knob, start, start, false));
    for (float dy = 10.0f; dy <= pixels; dy += 10.0f)
        knob.mouseDrag (mouseAt (knob, start.translated (0.0f, -dy), start, true));
    knob.mouseUp (mouseAt (knob, start.translated (0.0f, -pixels), start, true));
}

void typeInto (juce::TextEditor& editor, const juce::String& text)
{
    editor.setText ({}, false);
    test::typeInto (editor, text);
}

class EditParamComponentTest : public ::testing::Test
{
protected:
    EditParamComponentTest() { engine.addChangeListener (&panel); }
    ~EditParamComponentTest() override { engine.removeChangeListener (&panel); }

    // Shows a program with no port attached, so setting up sends nothing.
    void showQuietly (const ProgramRecord& record)
    {
        ASSERT_FALSE (engine.hasOutput());
        store.setCurrentData (record);
        panel.changeListenerCallback (&engine);
        pump();
    }

    void attachPort() { engine.setOutput (std::make_unique<test::RecordingOutputPort> (sent)); }

    juce::String display (int knobIndex, int value) const
    {
        return DispCenter (store).valueToText (kFirstKnobParameter + knobIndex, value);
    }

    DataCenter store;
    MidiReceiver engine{store};
    EditParamComponent panel{store, engine};
    std::vector<juce::MidiMessage> sent;
};
} // namespace

TEST_F (EditParamComponentTest, BuildsEveryControlWithItsNameAndItems)
{
    const char* buttonNames[] = {"onoff_dyn", "onoff_amp",   "onoff_cab",
                                 "onoff_mod", "onoff_delay", "onoff_rev"};
    const char* boxNames[] = {"comboxdyntype", "m_VRAmpType", "m_VRCabType",
                              "m_VRModType",   "m_VRDlyType", "m_VRRevType"};
    const int itemCounts[] = {27, 26, 23, 46, 25, 10};
    for (int s = 0; s < numSections; ++s)
    {
        EXPECT_EQ (panel.onOffButton (s).getName(), buttonNames[s]);
        EXPECT_EQ (panel.typeBox (s).getName(), boxNames[s]);
        EXPECT_EQ (panel.typeBox (s).getNumItems(), itemCounts[s]) << s;
        EXPECT_EQ (panel.typeBox (s).getSelectedId(), 0);
    }
    EXPECT_EQ (panel.getWidth(), 800);
    EXPECT_EQ (panel.getHeight(), 600);

    for (int k = 0; k < kNumKnobs; ++k)
    {
        EXPECT_EQ (panel.knob (k).getName(), "vrknob");
        EXPECT_EQ (panel.valueBox (k).getName(), "new texteditor");
        EXPECT_TRUE (panel.valueBox (k).isEmpty());
        EXPECT_EQ (panel.knob (k).getValue(), 0.0);
        // Each box lies above its knob, which reaches into it.
        EXPECT_GT (panel.getIndexOfChildComponent (&panel.valueBox (k)),
                   panel.getIndexOfChildComponent (&panel.knob (k)))
            << k;
        EXPECT_EQ (panel.knob (k).m_EditorID, panel.valueBox (k).getComponentID().getIntValue());
    }
}

TEST_F (EditParamComponentTest, EveryTypeNameFitsItsBox)
{
    EditorLookAndFeel look;
    for (int s = 0; s < numSections; ++s)
    {
        auto& box = panel.typeBox (s);
        juce::Label label;
        look.positionComboBoxText (box, label);
        const auto font = look.getComboBoxFont (box);
        for (int id = 1; id <= box.getNumItems(); ++id)
            EXPECT_LE (font.getStringWidthFloat (box.getItemText (id - 1)),
                       static_cast<float> (label.getWidth() - label.getBorderSize().getLeftAndRight()))
                << box.getItemText (id - 1).toStdString();
    }
}

TEST_F (EditParamComponentTest, AmpCaptionsFollowTheAmpType)
{
    const juce::StringArray gain{"GAIN", "TREBLE", "MIDDLE", "BASS"};
    const juce::StringArray midFreq{"MIDFREQ", "TREBLE", "MIDDLE", "BASS"};
    const juce::StringArray synth{"THRESHOLD", "OSC TYPE", " VCF ", "SYN LEVEL"};
    for (const int type : {0, 14, 22, 24, 26})
        EXPECT_EQ (EditParamComponent::ampCaptions (type), gain) << type;
    for (const int type : {15, 18, 21})
        EXPECT_EQ (EditParamComponent::ampCaptions (type), midFreq) << type;
    EXPECT_EQ (EditParamComponent::ampCaptions (25), synth);
}

TEST_F (EditParamComponentTest, RefreshShowsTheStoredProgram)
{
    auto record = defaultRecord();
    record[RecordByte::ampType] = 18;
    record[RecordByte::ampGain] = 3;
    record[RecordByte::delayType] = 6;
    record[RecordByte::delayTime] = 76;
    showQuietly (record);

    for (int s = 0; s < numSections; ++s)
    {
        EXPECT_EQ (panel.typeBox (s).getSelectedId(),
                   record[static_cast<size_t> (RecordByte::firstType + s)] + 1);
        EXPECT_EQ (panel.onOffButton (s).getToggleState(), ((record[RecordByte::onOffMask] >> s) & 1) != 0);
    }
    for (int k = 0; k < kNumKnobs; ++k)
    {
        EXPECT_EQ (panel.knob (k).getValue(), store.getKnob (k)) << k;
        EXPECT_EQ (panel.valueBox (k).getText(), display (k, store.getKnob (k))) << k;
    }
    EXPECT_EQ (panel.knob (6).m_MaxValue, 4);
    EXPECT_EQ (panel.valueBox (6).getText(), "4");
    EXPECT_EQ (panel.valueBox (kDelayTimeKnob).getText(), "1.50[s]");
    EXPECT_EQ (store.current, record);
}

TEST_F (EditParamComponentTest, DraggingGainPastItsNarrowedMaximumEndsAtTheMaximum)
{
    auto record = defaultRecord();
    record[RecordByte::ampType] = 18; // gain works as MIDFREQ, 0-4
    record[RecordByte::ampGain] = 1;
    showQuietly (record);
    attachPort();

    dragUp (panel.knob (6), 120.0f); // far enough for about 15 on the 0-30 range
    pump();

    EXPECT_EQ (panel.knob (6).getValue(), 4.0);
    EXPECT_EQ (store.getKnob (6), 4);
    EXPECT_EQ (panel.valueBox (6).getText(), display (6, 4));
    const auto changes = changesIn (sent);
    ASSERT_FALSE (changes.empty());
    EXPECT_EQ (changes.back(), (Change{24, 0, 4}));
    for (const auto& c : changes)
        EXPECT_EQ (c.parameter, 24);
}

TEST_F (EditParamComponentTest, NewTypeForAnEffectThatIsOffSwitchesItOnFirst)
{
    showQuietly (defaultRecord()); // modulation off
    ASSERT_FALSE (panel.onOffButton (modulation).getToggleState());
    std::vector<double> times;
    engine.setOutput (std::make_unique<TimedPort> (sent, times));

    panel.typeBox (modulation).setSelectedId (20); // type 19: pitch, knob stops at 29
    pump();
    engine.flushOutput(); // the type waits on the wire for the unit to switch the effect

    const int mask = defaultRecord()[RecordByte::onOffMask] | (1 << modulation);
    ASSERT_EQ (changesIn (sent), (std::vector<Change>{{11, 0, mask}, {15, 1, 19}}));
    EXPECT_GE (times[1] - times[0], 95.0);
    EXPECT_TRUE (panel.onOffButton (modulation).getToggleState());
    EXPECT_EQ (store.getType (modulation), 19);
    EXPECT_EQ (store.current[RecordByte::onOffMask], mask);
    EXPECT_EQ (panel.knob (3).m_MaxValue, 29);
}

TEST_F (EditParamComponentTest, NewTypeNarrowsItsKnobsAndRewritesTheirBoxes)
{
    auto record = defaultRecord();
    record[RecordByte::ampType] = 3;
    record[RecordByte::ampGain] = 30;
    record[RecordByte::ampTreble] = 22;
    showQuietly (record);
    attachPort();

    panel.typeBox (amp).setSelectedId (26); // the synthesizer model
    pump();

    // The amp was on: the type goes out, then the two knobs its limits lowered.
    EXPECT_EQ (changesIn (sent), (std::vector<Change>{{13, 1, 25}, {24, 0, 27}, {25, 0, 15}}));
    EXPECT_EQ (panel.knob (6).m_MaxValue, 27);
    EXPECT_EQ (panel.knob (7).m_MaxValue, 15);
    EXPECT_EQ (store.getKnob (6), 27);
    EXPECT_EQ (store.getKnob (7), 15);
    EXPECT_EQ (panel.valueBox (6).getText(), display (6, 27));
    EXPECT_EQ (panel.valueBox (7).getText(), display (7, 15));
}

TEST_F (EditParamComponentTest, TheTypeAlreadyStoredSendsNothing)
{
    auto record = defaultRecord();
    record[RecordByte::onOffMask] = 0; // everything off
    showQuietly (record);
    attachPort();

    auto& box = panel.typeBox (dynamics);
    box.setSelectedId (box.getSelectedId());
    pump();
    // Also when the box reports a change for the stored type.
    panel.comboBoxChanged (&box);

    EXPECT_TRUE (sent.empty());
    EXPECT_FALSE (panel.onOffButton (dynamics).getToggleState());
    EXPECT_EQ (store.current[RecordByte::onOffMask], 0);
}

TEST_F (EditParamComponentTest, RefreshSendsBackOnlyWhatDiffers)
{
    const auto shown = defaultRecord();
    showQuietly (shown);
    attachPort();

    auto changed = shown;
    changed[static_cast<size_t> (knobIndexToByte (1))] = 5;
    changed[static_cast<size_t> (knobIndexToByte (8))] = 9;
    changed[static_cast<size_t> (knobIndexToByte (kDelayTimeKnob))] = 64;
    changed[RecordByte::onOffMask] = static_cast<std::uint8_t> (shown[RecordByte::onOffMask] | (1 << delay));
    store.setCurrentData (changed);
    engine.sendChangeMessage();
    pump();
    engine.flushOutput();

    auto changes = changesIn (sent);
    std::sort (changes.begin(), changes.end());
    EXPECT_EQ (changes, (std::vector<Change>{
                            {11, 0, changed[RecordByte::onOffMask]}, {19, 0, 5}, {26, 0, 9}, {29, 0, 64}}));
    EXPECT_EQ (store.current, changed);

    sent.clear();
    engine.sendChangeMessage();
    pump();
    EXPECT_TRUE (sent.empty());
}

TEST_F (EditParamComponentTest, RefreshIsDroppedDuringABulkTransfer)
{
    showQuietly (defaultRecord());
    attachPort();
    engine.pause = [] (int) {};
    engine.startReceiveAll();
    sent.clear();

    auto other = defaultRecord();
    other[RecordByte::reverbKnob] = 3;
    store.setCurrentData (other);
    panel.changeListenerCallback (&engine);
    pump();

    EXPECT_EQ (panel.knob (5).getValue(), defaultRecord()[RecordByte::reverbKnob]);
    EXPECT_TRUE (sent.empty());
}

TEST_F (EditParamComponentTest, ReturnConfirmsATypedValueAndFocusLossDropsIt)
{
    auto record = defaultRecord();
    record[RecordByte::cabinetKnob] = 4;
    showQuietly (record);
    attachPort();
    auto& box = panel.valueBox (2);

    typeInto (box, "5.7");
    pressReturn (box);
    EXPECT_EQ (panel.knob (2).getValue(), 17.0);
    EXPECT_EQ (store.getKnob (2), 17);
    EXPECT_EQ (box.getText(), "5.7");
    EXPECT_EQ (changesIn (sent), (std::vector<Change>{{20, 0, 17}}));

    // Unconfirmed text gives way to the knob's value when the box loses focus.
    sent.clear();
    typeInto (box, "1.0");
    box.focusLost (juce::Component::focusChangedByMouseClick);
    pump();
    EXPECT_EQ (box.getText(), "5.7");
    EXPECT_TRUE (box.getHighlightedRegion().isEmpty());
    EXPECT_EQ (store.getKnob (2), 17);
    EXPECT_TRUE (sent.empty());

    // A text meaning the value already set changes nothing; the box shows the value's own text.
    typeInto (box, "5.8");
    pressReturn (box);
    EXPECT_EQ (box.getText(), "5.7");
    EXPECT_TRUE (sent.empty());
}

TEST_F (EditParamComponentTest, TypedTextThatChangesNothingGivesWayToTheValue)
{
    auto record = defaultRecord();
    record[RecordByte::reverbKnob] = 0; // unreadable text and negative numbers mean 0 as well
    record[RecordByte::delayType] = 2;
    record[RecordByte::delayTime] = 1; // "2[ms]"
    showQuietly (record);
    attachPort();
    const auto before = store.current;

    struct Ending
    {
        const char* name;
        std::function<void (juce::TextEditor&)> end;
    };
    const juce::Point<float> spot (10.0f, 10.0f);
    const Ending endings[] = {
        {"Return", [] (juce::TextEditor& box) { pressReturn (box); }},
        {"Escape",
         [] (juce::TextEditor& box)
         {
             box.keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
             pump();
         }},
        {"a click on the background",
         [&] (juce::TextEditor&) { panel.mouseDown (mouseAt (panel, spot, spot, false)); }},
        {"a click into another box",
         [&] (juce::TextEditor&) { panel.mouseDown (mouseAt (panel.valueBox (2), spot, spot, false)); }},
    };
    const std::pair<int, juce::StringArray> typed[] = {
        {5, {"abc", "", "0.0", "-4", "0.1"}},
        {kDelayTimeKnob, {"2[ms]", "1 ms", "0.002 s"}},
    };
    for (const auto& [k, texts] : typed)
    {
        auto& box = panel.valueBox (k);
        const auto shown = box.getText();
        ASSERT_EQ (shown, display (k, store.getKnob (k)));
        for (const auto& ending : endings)
            for (const auto& text : texts)
            {
                typeInto (box, text);
                ending.end (box);
                EXPECT_EQ (box.getText(), shown) << "knob " << k << ", \"" << text << "\", " << ending.name;
            }
    }
    EXPECT_TRUE (sent.empty());
    EXPECT_EQ (store.current, before);

    // Escape and a click also drop text that would have changed the value.
    typeInto (panel.valueBox (5), "5.0");
    panel.mouseDown (mouseAt (panel, spot, spot, false));
    typeInto (panel.valueBox (kDelayTimeKnob), "400");
    panel.valueBox (kDelayTimeKnob).keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
    pump();
    EXPECT_EQ (panel.valueBox (5).getText(), "0.0");
    EXPECT_EQ (panel.valueBox (kDelayTimeKnob).getText(), "2[ms]");
    EXPECT_TRUE (sent.empty());
}

TEST_F (EditParamComponentTest, AClickIntoABoxSelectsItsTextSoTypingReplacesIt)
{
    auto record = defaultRecord();
    record[RecordByte::cabinetKnob] = 4;
    showQuietly (record);
    auto& box = panel.valueBox (2);

    box.focusGained (juce::Component::focusChangedByMouseClick);
    EXPECT_EQ (box.getHighlightedText(), "1.3");
    test::typeInto (box, "9.0");
    pressReturn (box);
    EXPECT_EQ (store.getKnob (2), 27);

    // After Return the value's text is selected again.
    EXPECT_EQ (box.getHighlightedText(), "9.0");
    test::typeInto (box, "2");
    pressReturn (box);
    EXPECT_EQ (box.getText(), "2.0");
    EXPECT_EQ (store.getKnob (2), 6);
}

TEST_F (EditParamComponentTest, KnobsOfASectionThatIsOffAreDimmed)
{
    const auto expectDimmedExactly = [this] (std::initializer_list<int> dimmed)
    {
        for (int k = 0; k < kNumKnobs; ++k)
        {
            const bool dim = std::find (dimmed.begin(), dimmed.end(), k) != dimmed.end();
            EXPECT_EQ (panel.knob (k).getAlpha() < 1.0f, dim) << "knob " << k;
        }
    };
    // Nothing shown yet: every section reads as off.
    expectDimmedExactly ({0, 1, 2, 3, 4, 5, 6, 7, 8, 11});

    showQuietly (defaultRecord()); // modulation and delay off
    expectDimmedExactly ({3, 4, 11});

    panel.onOffButton (delay).triggerClick();
    panel.onOffButton (amp).triggerClick();
    pump();
    expectDimmedExactly ({1, 3, 6, 7, 8});

    // Choosing a type switches its section on.
    panel.typeBox (modulation).setSelectedId (defaultRecord()[RecordByte::modulationType] + 2);
    pump();
    expectDimmedExactly ({1, 6, 7, 8});
}

TEST_F (EditParamComponentTest, DelayTimeRunsTo99WhileOtherKnobsStopAt30)
{
    auto record = defaultRecord();
    record[RecordByte::ampType] = 3; // no narrowed gain
    record[RecordByte::delayType] = 6;
    showQuietly (record);
    attachPort();

    EXPECT_EQ (panel.knob (kDelayTimeKnob).getMaximum(), 99.0);
    EXPECT_EQ (panel.knob (kDelayTimeKnob).m_MaxValue, 99);
    typeInto (panel.valueBox (kDelayTimeKnob), "2");
    pressReturn (panel.valueBox (kDelayTimeKnob));
    EXPECT_EQ (store.getKnob (kDelayTimeKnob), 99);
    EXPECT_EQ (panel.valueBox (kDelayTimeKnob).getText(), "2.00[s]");

    for (int k = 0; k < kNumKnobs; ++k)
    {
        if (k == kDelayTimeKnob)
            continue;
        panel.knob (k).setKnobValue (99, true, false);
        pump (5);
        EXPECT_EQ (panel.knob (k).getValue(), 30.0) << k;
        EXPECT_EQ (store.getKnob (k), 30) << k;
    }
    EXPECT_EQ (changesIn (sent).front(), (Change{29, 0, 99}));
}

TEST_F (EditParamComponentTest, WithoutAPortChangesAreOnlyStored)
{
    showQuietly (defaultRecord());
    panel.onOffButton (delay).triggerClick();
    pump();
    panel.knob (9).setKnobValue (12, true, false);
    pump();

    EXPECT_TRUE ((store.current[RecordByte::onOffMask] >> delay) & 1);
    EXPECT_EQ (store.getKnob (9), 12);
}
} // namespace vr
