#include "data/DataCenter.h"
#include "editor/EditParamComponent.h"
#include "editor/PGNameEditComponent.h"
#include "editor/VRKnob.h"
#include "library/ProgramLists.h"
#include "midi/MidiReceiver.h"
#include "midi/VirtualUnit.h"

#include <gtest/gtest.h>

namespace vr
{
// The editor against the virtual unit: what is turned on the unit's own
// panel shows in the editor, through the real threads and the message loop.
TEST (EditorAndUnit, AKnobTurnedOnTheUnitAppearsOnThePanel)
{
    DataCenter store;
    UnitProgramList unitList (store);
    juce::ChangeBroadcaster programSelection;
    unitList.fill();
    MidiReceiver engine (store);
    auto unit = std::make_shared<VirtualUnit>();
    engine.setInput (unit->createInputPort());
    engine.setOutput (unit->createOutputPort());

    EditParamComponent panel (store, engine);
    PGNameEditComponent strip (store, engine, unitList, programSelection);
    engine.addChangeListener (&panel);
    engine.addChangeListener (&strip);

    auto pumpUntil = [] (auto done)
    {
        for (int i = 0; i < 500 && !done(); ++i)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
        return done();
    };

    unit->turnKnob (27, 11); // LEVEL, knob 9
    ASSERT_TRUE (pumpUntil ([&] { return static_cast<int> (panel.knob (9).getValue()) == 11; }));
    EXPECT_EQ (store.getKnob (9), 11);
    EXPECT_TRUE (pumpUntil ([&] { return panel.valueBox (9).getText() == "3.7"; }));

    unit->turnKnob (13, 25); // the synthesiser amp
    ASSERT_TRUE (pumpUntil ([&] { return panel.typeBox (1).getSelectedId() == 26; }));
    EXPECT_EQ (panel.knob (6).m_MaxValue, 27);

    engine.removeChangeListener (&panel);
    engine.removeChangeListener (&strip);
    engine.stopInput();
}
} // namespace vr
