#include "app/CAboutDialogComponent.h"
#include "data/DataCenter.h"
#include "midi/CMidiSetupComponent.h"

#include <gtest/gtest.h>

namespace vr
{
TEST (AboutDialog, TextsFollowTheUnit)
{
    DataCenter store;
    EXPECT_EQ (CAboutDialogComponent::connectionText (store), "Target : Not Connected");
    EXPECT_EQ (CAboutDialogComponent::versionText(), "version 1.1.0");
    EXPECT_EQ (CAboutDialogComponent::unitVersionText (store), "Target : version -.--");

    struct Case
    {
        std::uint8_t model;
        int major, minor;
        const char* text;
    };
    const Case cases[] = {
        {0, 1, 5, "VORANTE wren : version 1.05"},
        {8, 2, 10, "VORANTE heron : version 2.10"},
        {3, 0, 0, "Target : version 0.00"},
        {0, 1, 123, "VORANTE wren : version 2.23"},
    };
    store.connected = true;
    for (const auto& c : cases)
    {
        store.modelCode = c.model;
        store.versionMajor = c.major;
        store.versionMinor = c.minor;
        EXPECT_EQ (CAboutDialogComponent::unitVersionText (store), c.text);
    }
    EXPECT_EQ (CAboutDialogComponent::connectionText (store), "Target : Connected");
}

TEST (AboutDialog, PaintShowsTheStateAndEscapeCloses)
{
    DataCenter store;
    store.connected = true;
    store.modelCode = 8;
    store.versionMajor = 1;
    store.versionMinor = 2;
    CAboutDialogComponent about (store);
    about.setVisible (true);
    about.createComponentSnapshot (about.getLocalBounds());
    EXPECT_EQ (about.getConnectionLabel().getText(), "Target : Connected");
    EXPECT_EQ (about.getUnitVersionLabel().getText(), "VORANTE heron : version 1.02");

    EXPECT_FALSE (about.keyPressed (juce::KeyPress (juce::KeyPress::escapeKey)));
    EXPECT_FALSE (about.isVisible());
}

TEST (MidiSetup, PreselectionPrefersTheLastPortNamingAModel)
{
    EXPECT_EQ (CMidiSetupComponent::preselectedIndex ({"Thru", "VR wren MIDI 1", "VR wren MIDI 2"}), 2);
    EXPECT_EQ (CMidiSetupComponent::preselectedIndex ({"Thru", "vr wren lower case"}), 0);
    EXPECT_EQ (CMidiSetupComponent::preselectedIndex ({"Thru", "USB VR heron", "Other"}), 1);
    EXPECT_EQ (CMidiSetupComponent::preselectedIndex ({"Virtual wren unit", "Virtual heron unit"}), 0)
        << "the virtual units never win over a real unit's port";
    EXPECT_EQ (CMidiSetupComponent::preselectedIndex ({}), 0);
}
} // namespace vr
