#include "app/CommandLine.h"

#include "app/Application.h"
#include "app/Host.h"
#include "app/MainComponent.h"
#include "data/DataCenter.h"
#include "library/LibraryFile.h"
#include "midi/MidiPortDirectory.h"
#include "midi/MidiReceiver.h"
#include "support/RecordingDialogs.h"

#include <gtest/gtest.h>

namespace vr
{
namespace
{
const juce::File workingFolder ("/work/folder");
}

TEST (CommandLine, TokensFollowQuotesAndSpaces)
{
    struct Case
    {
        const char* parameters;
        juce::StringArray tokens;
    };
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"ab\"c d\"", {"abc d"}},
        {"a  b", {"a", "", "b"}},
        {"\"\" x", {"", "", "x"}},
        {"\"my bank.vrm\" -v", {"my bank.vrm", "", "-v"}},
        {"trailing ", {"trailing"}},
        {"\"unterminated quote", {"unterminated quote"}},
    };

    for (const auto& c : cases)
        EXPECT_EQ (tokeniseCommandLine (c.parameters), c.tokens) << '[' << c.parameters << ']';
}

TEST (CommandLine, FirstTokenThatIsNoOptionNamesTheFile)
{
    EXPECT_EQ (commandLineFile ("\"/tmp/my bank.vrm\" -x", workingFolder), juce::File ("/tmp/my bank.vrm"));
    EXPECT_EQ (commandLineFile ("-opt /a/one.vrm /a/two.vrm", workingFolder), juce::File ("/a/one.vrm"));
    EXPECT_EQ (commandLineFile ("  /a/one.vrm", workingFolder), juce::File ("/a/one.vrm"));
    EXPECT_EQ (commandLineFile ("ab\"c d\"", workingFolder), workingFolder.getChildFile ("abc d"));
    EXPECT_EQ (commandLineFile ("bank.vrm", workingFolder), juce::File ("/work/folder/bank.vrm"));
}

TEST (CommandLine, OptionsAloneOrNothingNameNoFile)
{
    EXPECT_EQ (commandLineFile ("-psn_0_1234", workingFolder), juce::File());
    EXPECT_EQ (commandLineFile ("", workingFolder), juce::File());
    EXPECT_EQ (commandLineFile ("   ", workingFolder), juce::File());
    EXPECT_EQ (commandLineFile ("\"\"", workingFolder), juce::File());
}

TEST (CommandLine, HelpVersionAndUnknownOptionsComeBeforeAnyFile)
{
    struct Case
    {
        juce::StringArray arguments;
        StartRequest request;
    };
    const Case cases[] = {
        {{}, StartRequest::run},
        {{"bank.vrm"}, StartRequest::run},
        {{"my bank.vrm", "other.vrm"}, StartRequest::run},
        {{"--help"}, StartRequest::help},
        {{"-h", "--bogus"}, StartRequest::help},
        {{"bank.vrm", "--version"}, StartRequest::version},
        {{"--bogus", "--help"}, StartRequest::unknownOption},
        {{"-"}, StartRequest::unknownOption},
        {{"-psn_0_1234"}, StartRequest::unknownOption},
        {{"--", "-x.vrm", "--help"}, StartRequest::run},
        {{"--bogus", "--", "bank.vrm"}, StartRequest::unknownOption},
        {{"bank.vrm", "--version", "--"}, StartRequest::version},
    };
    for (const auto& c : cases)
        EXPECT_EQ (startRequest (c.arguments), c.request) << c.arguments.joinIntoString (" ");
}

// The files a start names, read from main()'s arguments as UTF-8, are
// absolute paths that mean the same in the running program, whatever its
// working folder: spaces, quotes, accents, relative paths, several files and
// names after "--" that look like options.
TEST (CommandLine, TheRunningInstanceReadsTheFileTheLaterStartWasGiven)
{
    struct Case
    {
        std::vector<const char*> argv; // after the program's name
        std::vector<const char*> files;
    };
    const Case cases[] = {
        {{"bank.vrm"}, {"/work/folder/bank.vrm"}},
        {{"my banks/live set.vrm"}, {"/work/folder/my banks/live set.vrm"}},
        {{"../up.vrm", "second.vrm"}, {"/work/up.vrm", "/work/folder/second.vrm"}},
        {{"/abs/olute.vrm"}, {"/abs/olute.vrm"}},
        {{"", "after empty.vrm"}, {"/work/folder/after empty.vrm"}},
        {{"q\"x.vrm"}, {"/work/folder/q\"x.vrm"}},
        {{"'80s sounds.vrm"}, {"/work/folder/'80s sounds.vrm"}},
        {{"Caf\xc3\xa9.vrm", "/tmp/B\xc3\xa4nke.syx"},
         {"/work/folder/Caf\xc3\xa9.vrm", "/tmp/B\xc3\xa4nke.syx"}},
        {{"~draft.vrm"}, {"/work/folder/~draft.vrm"}},
        {{"caf\xe9.vrm"}, {"/work/folder/caf\xe9.vrm"}}, // not UTF-8: kept byte for byte
        {{"--", "-x.vrm", "--", "--help"}, {"/work/folder/-x.vrm", "/work/folder/--", "/work/folder/--help"}},
        {{}, {}},
    };
    for (const auto& c : cases)
    {
        std::vector<const char*> argv{"vr-soundeditor"};
        argv.insert (argv.end(), c.argv.begin(), c.argv.end());
        juce::StringArray expected;
        for (const auto* file : c.files)
            expected.add (juce::String (juce::CharPointer_UTF8 (file)));
        const auto arguments = commandLineArguments (static_cast<int> (argv.size()), argv.data());
        const auto files = filesNamed (arguments, workingFolder);
        ASSERT_EQ (files.size(), expected.size()) << arguments.joinIntoString (" | ");
        for (int i = 0; i < files.size(); ++i)
            EXPECT_STREQ (files[i].toRawUTF8(), expected[i].toRawUTF8());
    }
}

// The application object's own handler, with the real host and window: the
// files a start names open beside the unit list, each in turn, and so do a
// later start's.
TEST (CommandLine, AnotherStartOpensItsFileInTheRunningProgram)
{
    if (juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() == nullptr)
        GTEST_SKIP() << "needs a display";

    const juce::TemporaryFile first (".vrm"), second (".vrm");
    for (const auto* file : {&first, &second})
    {
        juce::MemoryBlock bytes (LibraryFormat::kFileSize, true);
        std::memcpy (bytes.getData(), LibraryFormat::kMagic, LibraryFormat::kMagicLength);
        auto* records = static_cast<std::uint8_t*> (bytes.getData()) + LibraryFormat::kHeaderSize;
        for (int i = 0; i < LibraryFormat::kRecordsSize; ++i)
            records[i] = static_cast<std::uint8_t> ((i + (file == &first ? 0 : 7)) % 59);
        ASSERT_TRUE (file->getFile().replaceWithData (bytes.getData(), bytes.getSize()));
    }
    const auto pump = [] { juce::MessageManager::getInstance()->runDispatchLoopUntil (300); };
    const auto path = [] (const juce::TemporaryFile& file) { return file.getFile().getFullPathName(); };

    // The framework expects an application object only in a program it starts.
    const auto startedBy = juce::JUCEApplicationBase::createInstance;
    juce::JUCEApplicationBase::createInstance = []() -> juce::JUCEApplicationBase* { return nullptr; };
    Application app (nullptr, {path (first)});
    juce::JUCEApplicationBase::createInstance = startedBy;
    EXPECT_FALSE (app.openFromAnotherStart ({path (second)})); // not started yet
    app.initialise ({});
    pump();
    auto& buffers = Host::getInstance()->getDataCenter().fileBuffers;
    constexpr int blockSize = DataCenter::kFileBufferSize;
    const auto fileBlock = [&buffers] (int slot)
    {
        const auto start = buffers.begin() + slot * blockSize;
        return std::vector<std::uint8_t> (start, start + blockSize);
    };
    const std::vector<std::uint8_t> nothing (blockSize, 0);
    const auto recordsOf = [] (const juce::TemporaryFile& file)
    {
        juce::MemoryBlock bytes;
        file.getFile().loadFileAsData (bytes);
        const auto* data = static_cast<const std::uint8_t*> (bytes.getData()) + LibraryFormat::kHeaderSize;
        return std::vector<std::uint8_t> (data, data + LibraryFormat::kRecordsSize);
    };
    EXPECT_EQ (fileBlock (0), recordsOf (first));
    EXPECT_EQ (fileBlock (1), nothing);

    EXPECT_TRUE (app.openFromAnotherStart ({})); // no file: only to the front
    EXPECT_TRUE (app.openFromAnotherStart ({path (second), path (first)}));
    pump();
    EXPECT_EQ (fileBlock (1), recordsOf (second));
    EXPECT_EQ (fileBlock (2), recordsOf (first));

    app.shutdown();
    EXPECT_FALSE (app.openFromAnotherStart ({path (first)}));
}

// Whatever a start's file brings up must appear over the main window, so
// nothing is opened while the window is still being built.
TEST (CommandLine, TheFileIsOpenedOnceTheWindowIsOnScreen)
{
    if (juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() == nullptr)
        GTEST_SKIP() << "needs a display";

    DataCenter store;
    MidiReceiver engine{store};
    engine.pause = [] (int) {};
    MidiPortDirectory ports;
    juce::ChangeBroadcaster selection;
    test::RecordingDialogs dialogs;
    const auto missing = juce::File::getSpecialLocation (juce::File::tempDirectory)
                             .getNonexistentChildFile ("no such bank", ".vrm", false);
    const auto pump = [] { juce::MessageManager::getInstance()->runDispatchLoopUntil (200); };

    MainComponent content (store, engine, ports, selection, dialogs);
    content.openFromAnotherStart ({missing.getFullPathName()});
    pump();
    EXPECT_TRUE (dialogs.shown.empty());

    juce::DocumentWindow window ("main", juce::Colours::black, 0);
    window.setContentNonOwned (&content, true);
    window.setVisible (true);
    pump();
    pump();

    ASSERT_EQ (dialogs.shown.size(), 1u);
    EXPECT_EQ (dialogs.shown[0].title, "File Open Error:");
    EXPECT_EQ (dialogs.shown[0].message, missing.getFullPathName() + "\n\rThere is no such file.");
    window.clearContentComponent();
}
} // namespace vr
