#pragma once

#include "LibraryFile.h"

#include <juce_events/juce_events.h>

#include <memory>
#include <vector>

namespace vr
{
class DataCenter;
class Dialogs;
class MidiReceiver;

// The unit's programs as each completed Receive All left them: library
// files named "<model>-<YYYY-MM-DD-HHMMSS>.vrm" (a "-2", "-3" ... before the
// extension for more in the same second) in one folder, the newest
// kKeptPerModel of each model kept. Files of other names are never touched.
class BackupStore
{
public:
    static constexpr int kKeptPerModel = 100;

    explicit BackupStore (juce::File folderToUse);

    // $XDG_DATA_HOME/vr-soundeditor/backups, with ~/.local/share when the
    // variable is unset or not an absolute path.
    static juce::File defaultFolder();

    struct Outcome
    {
        enum class Kind
        {
            written,
            sameAsNewest, // the newest backup of the model holds these bytes: none written
            failed
        };
        Kind kind{Kind::failed};
        juce::File file;      // the file written, or the newest that made one needless
        juce::String problem; // why it failed, as a sentence for the user
    };

    // Keeps a whole library file for `model` ("wren", "heron") stamped with
    // `when` in local time, then removes the model's backups past the newest
    // kKeptPerModel.
    Outcome keep (const juce::String& model, const std::uint8_t* library, size_t size, juce::Time when);

    // The model's backups, oldest first.
    std::vector<juce::File> backupsOf (const juce::String& model) const;

    // Makes the folder, and each missing one above it, readable by the user alone.
    juce::Result makeFolder() const;

    const juce::File& getFolder() const noexcept { return folder; }

    // The write step; tests make the disk fail with it.
    StreamWriteStep writeStep;

private:
    void prune (const juce::String& model) const;
    juce::String whyNotWritten (FileWriteResult result, size_t size) const;

    juce::File folder;
};

// Keeps a backup of every Receive All that completes. The programs are taken
// as the last one arrives and written once the transfer is over, so the
// disk never holds up the wire. A backup that cannot be written is told once
// per run, from the message loop. Message thread only.
class ReceiveBackups : private juce::ChangeListener
{
public:
    ReceiveBackups (juce::File folder, const DataCenter& store, UnitProgramList& unitList,
                    MidiReceiver& engine, Dialogs& dialogs);
    ~ReceiveBackups() override;

private:
    void changeListenerCallback (juce::ChangeBroadcaster* source) override;
    void tellFailure (const juce::String& problem);

    BackupStore backups;
    const DataCenter& dataCenter;
    UnitProgramList& unit;
    MidiReceiver& midiReceiver;
    Dialogs& ui;
    // Completed receives not yet written: more than one when a transfer
    // began before the last one's backup was written.
    struct Received
    {
        std::vector<std::uint8_t> library;
        juce::String model;
        juce::Time at;
    };
    std::vector<Received> pending;
    bool failureTold{false};
    // Lets an alert queued on the message loop notice that this object went.
    std::shared_ptr<bool> alive{std::make_shared<bool> (true)};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ReceiveBackups)
};
} // namespace vr
