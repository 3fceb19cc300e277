#include "app/AlertBox.h"
#include "app/CAboutDialogComponent.h"
#include "app/TransferProgressComponent.h"
#include "data/DataCenter.h"
#include "midi/CMidiSetupComponent.h"
#include "midi/MidiReceiver.h"

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

//==============================================================================
// Ports whose devices a test plugs in and out; every open and close is logged.
class FakePortDirectory : public MidiPortDirectory
{
public:
    juce::StringArray inputNames, outputNames;
    juce::StringArray log;
    std::vector<juce::MidiMessage> sent;

protected:
    juce::Array<MidiPortChoice> listInputDevices() const override { return choices (inputNames); }
    juce::Array<MidiPortChoice> listOutputDevices() const override { return choices (outputNames); }

    std::unique_ptr<MidiInputPort> openInputDevice (const MidiPortChoice& choice) override
    {
        log.add ("open in " + choice.name);
        return std::make_unique<Input> (choice.name, log);
    }
    std::unique_ptr<MidiOutputPort> openOutputDevice (const MidiPortChoice& choice) override
    {
        log.add ("open out " + choice.name);
        return std::make_unique<Output> (choice.name, log, sent);
    }

private:
    static juce::Array<MidiPortChoice> choices (const juce::StringArray& names)
    {
        juce::Array<MidiPortChoice> result;
        for (const auto& name : names)
            result.add ({name, "id:" + name, -1});
        return result;
    }

    struct Input : MidiInputPort
    {
        Input (juce::String n, juce::StringArray& l)
            : name (std::move (n))
            , log (l)
        {
        }
        ~Input() override { log.add ("close in " + name); }
        juce::String getName() const override { return name; }
        void start (MidiMessageSink&) override {}
        void stop() override {}
        juce::String name;
        juce::StringArray& log;
    };
    struct Output : MidiOutputPort
    {
        Output (juce::String n, juce::StringArray& l, std::vector<juce::MidiMessage>& s)
            : name (std::move (n))
            , log (l)
            , sent (s)
        {
        }
        ~Output() override { log.add ("close out " + name); }
        juce::String getName() const override { return name; }
        void sendMessageNow (const juce::MidiMessage& m) override { sent.push_back (m); }
        juce::String name;
        juce::StringArray& log;
        std::vector<juce::MidiMessage>& sent;
    };
};

class SetupPanelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ports.inputNames = {"USB A"};
        ports.outputNames = {"USB A"};
        engine.pause = [] (int) {};
        panel = std::make_unique<CMidiSetupComponent> (engine, ports);
        panel->onLinkProblem = [this] (const juce::String& message) { problems.add (message); };
        pump(); // the preselection opens its ports
    }

    static void pump() { juce::MessageManager::getInstance()->runDispatchLoopUntil (50); }
    static double now() { return juce::Time::getMillisecondCounterHiRes(); }
    int identityRequests() const
    {
        return (int) std::count_if (ports.sent.begin(), ports.sent.end(),
                                    [] (const juce::MidiMessage& m)
                                    { return m.getRawDataSize() == 6 && m.getRawData()[4] == 0x01; });
    }

    FakePortDirectory ports; // outlives the engine, whose ports log into it
    DataCenter store;
    MidiReceiver engine{store};
    std::unique_ptr<CMidiSetupComponent> panel;
    juce::StringArray problems;
};

TEST_F (SetupPanelTest, ListsFollowTheDevicesAndAPortInUseThatGoesIsClosedAndNamed)
{
    EXPECT_EQ (ports.log, juce::StringArray ({"open in USB A", "open out USB A"}));
    panel->setVisible (true);
    EXPECT_EQ (panel->getTickInterval(), 100) << "shown: the focus and the lists";
    const double t = now();

    ports.inputNames.add ("USB B");
    panel->watchLink (t + 1000);
    auto& in = panel->getInputBox();
    EXPECT_EQ (in.getNumItems(), 4) << "USB A, USB B and the two virtual units";
    EXPECT_EQ (in.getText(), "USB A") << "the choice stays";

    // A new choice: the old device is closed before the new one opens.
    in.setSelectedId (2, juce::sendNotificationSync);
    EXPECT_EQ (ports.log.joinIntoString (", "),
               "open in USB A, open out USB A, close in USB A, open in USB B");

    ports.inputNames.add ("USB C");
    panel->watchLink (t + 1500);
    EXPECT_EQ (in.getNumItems(), 4) << "read at most once a second";

    // Unplugged during a transfer: it ends, the port is closed, and the user is told.
    engine.startReceiveAll();
    ASSERT_TRUE (engine.isReceiving());
    ports.inputNames = {"USB C"};
    panel->watchLink (t + 2100);
    EXPECT_FALSE (engine.isReceiving());
    EXPECT_EQ (ports.log[ports.log.size() - 1], "close in USB B");
    EXPECT_EQ (in.getSelectedId(), 0);
    EXPECT_EQ (in.getNumItems(), 3);
    ASSERT_EQ (problems.size(), 1);
    EXPECT_TRUE (problems[0].startsWith ("The MIDI input USB B went away.")) << problems[0];

    // Hidden, with only the output's device in use, the output is still
    // watched, once a second; with no device in use, nothing is.
    panel->setVisible (false);
    EXPECT_EQ (panel->getTickInterval(), 1000);
    ports.outputNames.clear();
    panel->watchLink (t + 3200);
    ASSERT_EQ (problems.size(), 2);
    EXPECT_TRUE (problems[1].startsWith ("The MIDI output USB A went away.")) << problems[1];
    EXPECT_FALSE (engine.hasOutput());
    EXPECT_EQ (panel->getTickInterval(), 0);
}

TEST_F (SetupPanelTest, ConfirmAsksWhoIsThereAndSaysSoWhenNobodyAnswersInTwoSeconds)
{
    const std::vector<std::uint8_t> reply{0xf0, 0x7e, 0x03, 0x06, 0x02, 0x7d, 0x0f, 0x01,
                                          0x08, 0x00, 0x05, 0x00, 0x01, 0x00, 0xf7};
    for (const bool answered : {true, false})
    {
        SCOPED_TRACE (answered ? "answered" : "silent");
        problems.clear();
        const int before = identityRequests();
        // Return confirms as the button does.
        EXPECT_TRUE (panel->keyPressed (juce::KeyPress (juce::KeyPress::returnKey)));
        EXPECT_EQ (identityRequests(), before + 1);
        EXPECT_FALSE (panel->isFirstShow());
        EXPECT_EQ (panel->getTickInterval(), 100) << "the answer's deadline is watched closely";

        const double t = now();
        if (answered)
            engine.handleMessage (juce::MidiMessage (reply.data(), (int) reply.size()));
        panel->watchLink (t + 1900);
        EXPECT_TRUE (problems.isEmpty());
        panel->watchLink (t + 2100);
        if (answered)
            EXPECT_TRUE (problems.isEmpty());
        else
            EXPECT_EQ (problems, juce::StringArray (CMidiSetupComponent::noAnswerText ("USB A", "USB A")));
        panel->watchLink (t + 5000);
        EXPECT_LE (problems.size(), 1) << "said once";
        EXPECT_EQ (panel->getTickInterval(), 1000) << "then only the device in use";
    }
    EXPECT_EQ (CMidiSetupComponent::noAnswerText ("Virtual wren unit", "Virtual heron unit"),
               juce::String::fromUTF8 (
                   "No unit answered on Virtual wren unit / Virtual heron unit. Check the "
                   "cable and the ports, then choose MIDI Setup\xe2\x80\xa6 again. Option > MIDI "
                   "Monitor\xe2\x80\xa6 shows what goes in and out."));
}

// At rest on the virtual unit, with the panel and the progress bar hidden,
// neither runs a timer.
TEST_F (SetupPanelTest, AtRestOnTheVirtualUnitNoTimerRuns)
{
    for (auto* box : {&panel->getInputBox(), &panel->getOutputBox()})
    {
        ASSERT_EQ (box->getItemText (1), MidiPortDirectory::kVirtualWrenName);
        box->setSelectedId (2, juce::sendNotificationSync);
    }
    EXPECT_EQ (panel->getTickInterval(), 0);
    panel->setVisible (true);
    EXPECT_EQ (panel->getTickInterval(), 100);
    panel->setVisible (false);
    EXPECT_EQ (panel->getTickInterval(), 0);

    TransferProgressComponent progress (engine);
    auto* bar = progress.getChildComponent (0);
    ASSERT_NE (dynamic_cast<juce::ProgressBar*> (bar), nullptr);
    EXPECT_FALSE (progress.isFollowing());
    EXPECT_FALSE (bar->isVisible()) << "the bar's own timer runs while it is visible";

    // Told before the transfer starts, as when the views grey out: the next
    // round finds it running, and the one after its end stops.
    progress.followTransfer();
    EXPECT_TRUE (progress.isFollowing());
    ASSERT_TRUE (engine.startReceiveAll());
    progress.update();
    EXPECT_TRUE (progress.isVisible());
    EXPECT_TRUE (bar->isVisible());
    EXPECT_TRUE (progress.isFollowing());
    engine.stopTransfer();
    progress.update();
    EXPECT_FALSE (progress.isVisible());
    EXPECT_FALSE (bar->isVisible());
    EXPECT_FALSE (progress.isFollowing());
}

TEST_F (SetupPanelTest, ShowsCentredAndInFrontEveryTime)
{
    juce::Component parent; // the main component below the menu bar
    parent.setSize (800, 578);
    juce::Component view;
    parent.addAndMakeVisible (view);
    parent.addChildComponent (*panel);
    view.setBounds (parent.getLocalBounds());

    for (const auto closeKey : {juce::KeyPress::returnKey, juce::KeyPress::escapeKey})
    {
        view.toFront (false);
        panel->setAlpha (0.0f); // what a finished fade-out leaves
        panel->show();
        EXPECT_TRUE (panel->isVisible());
        EXPECT_EQ (panel->getAlpha(), 1.0f);
        EXPECT_EQ (parent.getIndexOfChildComponent (panel.get()), parent.getNumChildComponents() - 1);
        EXPECT_EQ (panel->getBounds().getCentre(), parent.getLocalBounds().getCentre());

        panel->keyPressed (juce::KeyPress (closeKey));
        EXPECT_FALSE (panel->isVisible());
    }
    parent.removeChildComponent (panel.get());
}

TEST (AlertBox, KeepsEachLineWholeWhereItFitsAndASmallIconInside)
{
    struct Case
    {
        AlertText alert;
        juce::StringArray lines;
    };
    const juce::String longLine =
        CMidiSetupComponent::noAnswerText ("Virtual wren unit", "Virtual heron unit");
    const Case cases[] = {
        {{AlertText::Icon::warning,
          "Receive:",
          "This command will overwrite current list. \nAre you sure?",
          {"  OK  ", "Cancel"}},
         {"This command will overwrite current list.", "Are you sure?"}},
        {{AlertText::Icon::question,
          "Update:",
          "Transmit all modified programs before quitting?",
          {"  Yes ", "  No  "}},
         {"Transmit all modified programs before quitting?"}},
        {{AlertText::Icon::none, "Quit:", "Are you sure?", {"  OK  ", "Cancel"}}, {"Are you sure?"}},
        {{AlertText::Icon::warning, "MIDI Setup:", longLine, {"  OK  "}}, {}},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.alert.title);
        AlertBox box (c.alert);
        const auto& layout = box.getLayout();
        if (!c.lines.isEmpty())
        {
            EXPECT_EQ (layout.lines, c.lines);
        }
        // Nothing is lost in the wrapping, and no line is wider than its room.
        const auto words = [] (const juce::String& text)
        { return juce::StringArray::fromTokens (text, " \n", {}).joinIntoString ("|").replace ("||", "|"); };
        EXPECT_EQ (words (layout.lines.joinIntoString (" ")), words (c.alert.message));
        for (const auto& line : layout.lines)
            EXPECT_LE (juce::Font (14.0f).getStringWidthFloat (line), (float) layout.text.getWidth() + 0.5f)
                << line;

        const auto bounds = box.getLocalBounds();
        EXPECT_EQ (bounds, layout.bounds);
        EXPECT_LE (layout.text.getWidth(), AlertBox::kMaxTextWidth);
        EXPECT_TRUE (bounds.contains (layout.text));
        if (c.alert.icon == AlertText::Icon::none)
            EXPECT_TRUE (layout.icon.isEmpty());
        else
        {
            EXPECT_TRUE (bounds.reduced (4).contains (layout.icon)) << "drawn whole, not clipped";
            EXPECT_LE (layout.icon.getWidth(), 32);
        }
        for (auto* child : box.getChildren())
            if (dynamic_cast<juce::TextButton*> (child) != nullptr)
            {
                EXPECT_TRUE (bounds.contains (child->getBounds()));
                EXPECT_GE (child->getY(), layout.text.getBottom());
            }
        box.createComponentSnapshot (bounds); // paints without a window
    }
}
} // namespace vr
