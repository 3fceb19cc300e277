// Repaint times of the editor view: the whole view with the name strip over
// it, and the area of one knob as the window repaints it when the knob turns.

#include "app/CZELKResource.h"
#include "data/DataCenter.h"
#include "data/FactoryPrograms.h"
#include "editor/EditParamComponent.h"
#include "editor/PGNameEditComponent.h"
#include "library/ProgramLists.h"
#include "midi/MidiReceiver.h"

#include <benchmark/benchmark.h>

namespace
{
using namespace vr;

constexpr int kRepetitions = 15;
constexpr int kBenchKnob = 6;

class BlackContent : public juce::Component
{
public:
    void paint (juce::Graphics& g) override { g.fillAll (juce::Colours::black); }
};

// The editor as the main window holds it, showing factory program 200.
struct EditorView
{
    EditorView()
    {
        unitList.fill();
        content.setSize (800, 600);
        content.addAndMakeVisible (panel);
        content.addAndMakeVisible (strip);
        panel.setBounds (0, 0, 800, 592);
        strip.setBounds (136, 46, 290, 40);

        store.setCurrentData (factoryProgram (200));
        store.setCurrentProgramNumber (200);
        store.setSelectedProgram (200);
        panel.changeListenerCallback (&engine);
        strip.changeListenerCallback (&engine);
        juce::MessageManager::getInstance()->runDispatchLoopUntil (50);
    }

    DataCenter store;
    MidiReceiver engine{store};
    UnitProgramList unitList{store};
    juce::ChangeBroadcaster programSelection;
    BlackContent content;
    EditParamComponent panel{store, engine};
    PGNameEditComponent strip{store, engine, unitList, programSelection};
};

// Made in main, inside the framework's lifetime, and gone before it ends.
std::unique_ptr<EditorView> theView;

EditorView& view()
{
    return *theView;
}

void BM_FullEditorRepaint (benchmark::State& state)
{
    auto& v = view();
    juce::Image image (juce::Image::ARGB, 800, 600, true);
    for (auto _ : state)
    {
        juce::Graphics g (image);
        v.content.paintEntireComponent (g, true);
        benchmark::DoNotOptimize (image.getPixelData());
    }
}

// What the window paints when one knob asks for a repaint: everything under
// the knob's bounds, the picture included.
void BM_KnobAreaRepaint (benchmark::State& state)
{
    auto& v = view();
    auto& knob = v.panel.knob (kBenchKnob);
    const auto area = knob.getBounds();
    juce::Image image (juce::Image::ARGB, 800, 600, true);
    int value = 0;
    for (auto _ : state)
    {
        knob.setKnobValue (value++ % 5, false, false);
        juce::Graphics g (image);
        g.reduceClipRegion (area);
        v.content.paintEntireComponent (g, true);
        benchmark::DoNotOptimize (image.getPixelData());
    }
}

// The knob's own drawing alone.
void BM_KnobPaint (benchmark::State& state)
{
    auto& knob = view().panel.knob (kBenchKnob);
    juce::Image image (juce::Image::ARGB, knob.getWidth(), knob.getHeight(), true);
    int value = 0;
    for (auto _ : state)
    {
        knob.setKnobValue (value++ % 5, false, false);
        juce::Graphics g (image);
        knob.paintEntireComponent (g, true);
        benchmark::DoNotOptimize (image.getPixelData());
    }
}

BENCHMARK (BM_FullEditorRepaint)
    ->Unit (benchmark::kMillisecond)
    ->Repetitions (kRepetitions)
    ->ReportAggregatesOnly (true);
BENCHMARK (BM_KnobAreaRepaint)
    ->Unit (benchmark::kMicrosecond)
    ->Repetitions (kRepetitions)
    ->ReportAggregatesOnly (true);
BENCHMARK (BM_KnobPaint)
    ->Unit (benchmark::kMicrosecond)
    ->Repetitions (kRepetitions)
    ->ReportAggregatesOnly (true);
} // namespace

int main (int argc, char** argv)
{
    const juce::ScopedJuceInitialiser_GUI juce;
    vr::CZELKResource::getInstance();
    theView = std::make_unique<EditorView>();

    benchmark::Initialize (&argc, argv);
    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    // The view goes before the images it paints with.
    theView.reset();
    vr::CZELKResource::release();
    return 0;
}
