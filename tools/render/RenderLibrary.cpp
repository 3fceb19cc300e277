#include "Renderers.h"

#include "app/Dialogs.h"
#include "data/DataCenter.h"
#include "data/FactoryPrograms.h"
#include "library/LibraryFile.h"
#include "library/VRLibComponent.h"
#include "midi/MidiReceiver.h"

namespace vr::render
{
namespace
{
// Names a user might give programs kept in a library of their own.
constexpr const char* kUserNames[] = {
    "SUNDAY SET", "WARM RHY", "BRIT CRNCH", "SOLO BOOST", "AMBIENT", "SLAP BACK", "FUNK CLEAN",
    "DRIVE 2",    "DOOM",     "SURF",       "BALLAD",     "STADIUM", "ACOUSTIC",  "OCTAVE",
    "TREM CLEAN", "LOFI",     "BLUES",      "HI GAIN",    "SHIMMER", "BASS DI",
};

// A library of factory sounds renamed, as a user's own file would hold.
bool writeSampleLibrary (const juce::File& file)
{
    DataCenter store;
    UnitProgramList programs (store);
    programs.fill();
    constexpr int numNames = static_cast<int> (std::size (kUserNames));
    for (int slot = 0; slot < kNumUserPrograms; ++slot)
    {
        const auto& source = factoryProgram (kNumUserPrograms + (slot * 7) % kNumFactoryPrograms);
        auto& row = programs.rows[static_cast<size_t> (slot)];
        row = CProgParamColumn (source.data());
        row.setName (juce::String (kUserNames[slot % numNames]).substring (0, kNameLength));
    }

    std::array<std::uint8_t, LibraryFormat::kFileSize> bytes{};
    encodeLibrary (programs, bytes.data());
    return writeFileAtomically (file, bytes.data(), bytes.size()) == FileWriteResult::ok;
}
} // namespace

juce::Image renderLibraryView()
{
    const auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                            .getNonexistentChildFile ("vr-render-library", {}, false);
    if (!folder.createDirectory())
        return {};
    const auto libraryFile = folder.getChildFile ("Live Set.vrm");

    juce::Image image;
    if (writeSampleLibrary (libraryFile))
    {
        DataCenter store;
        MidiReceiver engine (store); // no ports: nothing is sent
        juce::ChangeBroadcaster programSelection;
        JuceDialogs dialogs;
        VRLibComponent view (store, engine, programSelection, dialogs);
        engine.setProgramLists (&view.getUnitList(), &view.getRomList());

        if (view.openCommandLineFile (libraryFile))
        {
            // Show where the factory programs end and the file begins, with
            // the file's first program chosen.
            auto& romTable = view.getRomTable();
            romTable.recallRow (kNumFactoryPrograms);
            romTable.selectRow (kNumFactoryPrograms);
            romTable.getViewport()->setViewPosition (0, (kNumFactoryPrograms - 6) * romTable.getRowHeight());
            image = view.createComponentSnapshot (view.getLocalBounds());
        }
    }

    folder.deleteRecursively();
    return image;
}
} // namespace vr::render
