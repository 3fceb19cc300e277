#include "EditorTestSupport.h"
#include "data/DataCenter.h"
#include "editor/EditParamComponent.h"
#include "editor/EditSession.h"
#include "editor/PGNameEditComponent.h"
#include "midi/MidiReceiver.h"
#include "support/RecordingPorts.h"

#include <gtest/gtest.h>

#include <functional>

namespace vr
{
namespace
{
using test::bytesOf;
using test::pump;

constexpr int kSlot = 5;

using test::mouseAt;

// Presses knob k, drags it down in steps, as a hand would, and lets go.
void dragDown (juce::Component& knob, float pixels)
{
    const juce::Point<float> start (32.0f, 32.0f);
    knob.mouseDown (mouseAt (knob, start, start, false));
    for (float dy = 10.0f; dy <= pixels; dy += 10.0f)
    {
        knob.mouseDrag (mouseAt (knob, start.translated (0.0f, dy), start, true));
        pump (5);
    }
    knob.mouseUp (mouseAt (knob, start.translated (0.0f, pixels), start, true));
}

struct Fixture
{
    Fixture()
    {
        unitList.fill();
        engine.pause = [] (int) {};
        engine.setProgramLists (&unitList, nullptr);
        panel.setSession (&session);
        strip.setSession (&session);
        session.onApplied = [this] (bool)
        {
            panel.showCurrentProgram();
            strip.showCurrentProgram();
        };

        // Slot 5, with an amp model that narrows no knob, is the current
        // program, shown before any port is open.
        unitList.storeByte (kSlot, RecordByte::ampType, 5);
        store.setCurrentProgramNumber (kSlot);
        store.setSelectedProgram (kSlot);
        store.setCurrentData (unitList.recordAt (kSlot));
        unitList.finishReceive();
        panel.changeListenerCallback (nullptr);
        strip.changeListenerCallback (nullptr);
        pump();
        engine.setOutput (std::make_unique<test::RecordingOutputPort> (sent));
        engine.addChangeListener (&panel);
    }
    ~Fixture() { engine.removeChangeListener (&panel); }

    // What a step must put back exactly.
    struct State
    {
        ProgramRecord current;
        CProgParamColumn row;
        std::uint8_t modified;
        bool operator== (const State& o) const
        {
            return current == o.current && row.data == o.row.data && row.sourceNumber == o.row.sourceNumber &&
                   modified == o.modified;
        }
    };
    State state() const { return {store.current, unitList.rows[kSlot], store.modified[kSlot]}; }

    DataCenter store;
    UnitProgramList unitList{store};
    MidiReceiver engine{store};
    juce::ChangeBroadcaster programSelection;
    EditParamComponent panel{store, engine};
    PGNameEditComponent strip{store, engine, unitList, programSelection};
    EditSession session{store, engine, unitList};
    EditHistory& history{session.history()};
    std::vector<juce::MidiMessage> sent;
};

// What undo and redo tell the unit: one parameter change, or the program.
constexpr int kWholeProgram = -1;

struct EditKind
{
    const char* step;
    int parameter;
    std::function<void (Fixture&)> edit;
};

const EditKind kEditKinds[] = {
    {"Gain", 24,
     // One gesture, many values on the way: one step.
     [] (Fixture& f) { dragDown (f.panel.knob (6), 30.0f); }},
    {"Level", 27,
     [] (Fixture& f)
     {
         f.panel.valueBox (9).setText ({}, false);
         test::typeInto (f.panel.valueBox (9), "2.0");
         test::pressReturn (f.panel.valueBox (9));
     }},
    // The amp model narrows the gain knob: two bytes change, so the program goes.
    {"Amp Type", kWholeProgram, [] (Fixture& f) { f.panel.typeBox (amp).setSelectedId (19); }},
    {"Modulation On", RecordByte::onOffMask,
     [] (Fixture& f) { f.panel.onOffButton (modulation).triggerClick(); }},
    {"Name", kWholeProgram,
     [] (Fixture& f)
     {
         f.strip.nameBox().setText ({}, true);
         test::typeInto (f.strip.nameBox(), "RIFF");
         test::pressReturn (f.strip.nameBox());
     }},
    {"Category", RecordByte::category, [] (Fixture& f) { f.strip.categoryBox().setSelectedId (3); }},
};

// The unit heard exactly the one parameter, or the whole program, as `record` has it.
void expectUnitTold (const std::vector<juce::MidiMessage>& sent, int parameter, const ProgramRecord& record,
                     const char* step)
{
    ASSERT_EQ (sent.size(), 1u) << step;
    const auto b = bytesOf (sent[0]);
    if (parameter == kWholeProgram)
    {
        ASSERT_EQ (test::makerCode (sent[0]), sysex::Code::currentProgramDump) << step;
        EXPECT_TRUE (std::equal (record.begin(), record.end(), b.begin() + 7)) << step;
        return;
    }
    ASSERT_EQ (test::makerCode (sent[0]), sysex::Code::parameterChange) << step;
    EXPECT_EQ (b[8], parameter) << step;
    EXPECT_EQ (b[10], record[static_cast<size_t> (parameterToByte (parameter))]) << step;
}
} // namespace

TEST (EditHistoryTest, EveryKindOfEditIsOneStepThatUndoAndRedoTellTheUnit)
{
    for (const auto& kind : kEditKinds)
    {
        Fixture f;
        const auto before = f.state();
        kind.edit (f);
        pump();
        const auto after = f.state();
        ASSERT_FALSE (before == after) << kind.step;
        EXPECT_TRUE (f.store.isEdited()) << kind.step;
        EXPECT_EQ (f.history.undoMenuText(), juce::String ("Undo ") + kind.step);
        EXPECT_FALSE (f.history.canRedo()) << kind.step;

        f.sent.clear();
        ASSERT_TRUE (f.history.undo()) << kind.step;
        pump();
        EXPECT_TRUE (f.state() == before) << kind.step;
        EXPECT_FALSE (f.store.isEdited()) << kind.step;
        EXPECT_FALSE (f.history.canUndo()) << kind.step << ": the whole edit was one step";
        EXPECT_EQ (f.history.redoMenuText(), juce::String ("Redo ") + kind.step);
        expectUnitTold (f.sent, kind.parameter, before.current, kind.step);
        // The views follow the store without echoing anything.
        EXPECT_EQ (f.panel.knob (6).getValue(), f.store.getKnob (6)) << kind.step;
        EXPECT_EQ (f.strip.nameBox().getText(), f.store.getName()) << kind.step;

        f.sent.clear();
        ASSERT_TRUE (f.history.redo()) << kind.step;
        pump();
        EXPECT_TRUE (f.state() == after) << kind.step;
        expectUnitTold (f.sent, kind.parameter, after.current, kind.step);
    }
}

TEST (EditHistoryTest, TwoGesturesOnOneKnobAreTwoStepsAndARefreshIsNone)
{
    Fixture f;
    const auto first = f.store.getKnob (6);
    dragDown (f.panel.knob (6), 20.0f);
    pump();
    const auto second = f.store.getKnob (6);
    dragDown (f.panel.knob (6), 20.0f);
    pump();
    ASSERT_NE (f.store.getKnob (6), second);

    // The unit changes a knob itself: the refresh echoes it back, and that is no step.
    f.engine.handleMessage (
        test::messageOf ({0xf0, 0x7d, 0x30, 0x00, 0x01, 0x0f, 0x41, 0x01, 20, 0x00, 3, 0xf7}));
    pump();

    f.history.undo();
    EXPECT_EQ (f.store.getKnob (6), second);
    f.history.undo();
    EXPECT_EQ (f.store.getKnob (6), first);
    EXPECT_FALSE (f.history.canUndo());
    EXPECT_EQ (f.store.getKnob (2), 3) << "undo takes back only what the steps changed";

    // Ctrl+Z and a message from the unit while the knob is held: the rest of
    // the gesture is still a step that undo takes back.
    auto& knob = f.panel.knob (6);
    const juce::Point<float> start (32.0f, 32.0f);
    knob.mouseDown (mouseAt (knob, start, start, false));
    knob.mouseDrag (mouseAt (knob, start.translated (0.0f, 10.0f), start, true));
    pump (5);
    f.history.undo();
    f.engine.handleMessage (
        test::messageOf ({0xf0, 0x7d, 0x30, 0x00, 0x01, 0x0f, 0x41, 0x01, 20, 0x00, 4, 0xf7}));
    pump();
    const auto held = f.store.getKnob (6);
    knob.mouseDrag (mouseAt (knob, start.translated (0.0f, 30.0f), start, true));
    pump (5);
    knob.mouseUp (mouseAt (knob, start.translated (0.0f, 30.0f), start, true));
    ASSERT_NE (f.store.getKnob (6), held);
    ASSERT_TRUE (f.history.canUndo());
    f.history.undo();
    EXPECT_EQ (f.store.getKnob (6), held);
}
} // namespace vr
