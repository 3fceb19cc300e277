#include "Renderers.h"

#include "data/DataCenter.h"
#include "data/FactoryPrograms.h"
#include "editor/EditParamComponent.h"
#include "editor/PGNameEditComponent.h"
#include "library/ProgramLists.h"
#include "midi/MidiReceiver.h"

namespace vr::render
{
namespace
{
// The main window's content: black where no view covers it.
class BlackContent : public juce::Component
{
public:
    void paint (juce::Graphics& g) override { g.fillAll (juce::Colours::black); }
};
} // namespace

juce::Image renderEditorView (int programNumber)
{
    if (programNumber < 0 || programNumber >= kNumPrograms)
        return {};

    DataCenter store;
    MidiReceiver engine (store);
    UnitProgramList unitList (store);
    unitList.fill();
    juce::ChangeBroadcaster programSelection;

    BlackContent content;
    content.setSize (800, 600);
    EditParamComponent panel (store, engine);
    PGNameEditComponent strip (store, engine, unitList, programSelection);
    content.addAndMakeVisible (panel);
    content.addAndMakeVisible (strip);
    panel.setBounds (0, 0, 800, 592);
    strip.setBounds (136, 46, 290, 40);

    store.setCurrentData (isUserProgram (programNumber) ? unitList.recordAt (programNumber)
                                                        : factoryProgram (programNumber));
    store.setCurrentProgramNumber (programNumber);
    store.setSelectedProgram (programNumber);
    panel.changeListenerCallback (&engine);
    strip.changeListenerCallback (&engine);

    // Combo selections and text notifications land asynchronously.
    juce::MessageManager::getInstance()->runDispatchLoopUntil (50);

    return content.createComponentSnapshot (content.getLocalBounds());
}
} // namespace vr::render
