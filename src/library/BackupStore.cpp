#include "BackupStore.h"

#include "../data/DataCenter.h"
#include "../data/DialogInterface.h"
#include "../midi/MidiReceiver.h"
#include "../midi/SysexMessages.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vr
{
namespace
{
// "YYYY-MM-DD-HHMMSS": fixed width, so the text sorts as the time does.
constexpr int kStampLength = 17;
constexpr char kStampFormat[] = "%Y-%m-%d-%H%M%S";

// Where a backup's name puts it among the model's backups.
struct Place
{
    juce::String stamp;
    int suffix{1}; // none is the first of its second
};

bool operator<(const Place& a, const Place& b)
{
    return a.stamp != b.stamp ? a.stamp < b.stamp : a.suffix < b.suffix;
}

// False for any name not of the model's backup pattern.
bool placeOf (const juce::String& name, const juce::String& model, Place& place)
{
    const auto prefix = model + "-";
    const juce::String extension (LibraryFormat::kExtension);
    if (!name.startsWith (prefix) || !name.endsWith (extension))
        return false;
    const auto rest = name.substring (prefix.length(), name.length() - extension.length());
    if (rest.length() < kStampLength)
        return false;
    for (int i = 0; i < kStampLength; ++i)
    {
        const bool dash = i == 4 || i == 7 || i == 10;
        if (dash ? rest[i] != '-' : !juce::CharacterFunctions::isDigit (rest[i]))
            return false;
    }
    const auto tail = rest.substring (kStampLength);
    int suffix = 1;
    if (tail.isNotEmpty())
    {
        const auto digits = tail.substring (1);
        if (!tail.startsWithChar ('-') || digits.isEmpty() || digits.length() > 6 ||
            !digits.containsOnly ("0123456789"))
            return false;
        suffix = digits.getIntValue();
        if (suffix < 2)
            return false;
    }
    place = {rest.substring (0, kStampLength), suffix};
    return true;
}

bool holds (const juce::File& file, const std::uint8_t* data, size_t size)
{
    juce::MemoryBlock onDisk;
    return file.getSize() == static_cast<juce::int64> (size) && file.loadFileAsData (onDisk) &&
           onDisk.getSize() == size && std::memcmp (onDisk.getData(), data, size) == 0;
}

juce::String lastError()
{
    return std::strerror (errno);
}

juce::Result makeFolders (const juce::File& folder)
{
    if (folder.isDirectory())
        return juce::Result::ok();
    const auto parent = folder.getParentDirectory();
    if (parent != folder)
    {
        const auto made = makeFolders (parent);
        if (made.failed())
            return made;
    }
    const auto path = folder.getFullPathName();
    if (mkdir (path.toRawUTF8(), 0700) != 0 && errno != EEXIST)
        return juce::Result::fail (path + ": " + lastError());
    return folder.isDirectory() ? juce::Result::ok() : juce::Result::fail (path + " is a file, not a folder");
}
} // namespace

//==============================================================================
BackupStore::BackupStore (juce::File folderToUse)
    : folder (std::move (folderToUse))
{
}

juce::File BackupStore::defaultFolder()
{
    const auto dataHome = juce::SystemStats::getEnvironmentVariable ("XDG_DATA_HOME", {});
    const auto base =
        juce::File::isAbsolutePath (dataHome)
            ? juce::File (dataHome)
            : juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (".local/share");
    return base.getChildFile ("vr-soundeditor/backups");
}

juce::Result BackupStore::makeFolder() const
{
    return makeFolders (folder);
}

std::vector<juce::File> BackupStore::backupsOf (const juce::String& model) const
{
    std::vector<std::pair<Place, juce::File>> found;
    for (const auto& entry : juce::RangedDirectoryIterator (
             folder, false, model + "-*" + LibraryFormat::kExtension, juce::File::findFiles))
    {
        Place place;
        if (placeOf (entry.getFile().getFileName(), model, place))
            found.emplace_back (place, entry.getFile());
    }
    std::sort (found.begin(), found.end(), [] (const auto& a, const auto& b) { return a.first < b.first; });

    std::vector<juce::File> files;
    for (const auto& [place, file] : found)
        files.push_back (file);
    return files;
}

BackupStore::Outcome BackupStore::keep (const juce::String& model, const std::uint8_t* library, size_t size,
                                        juce::Time when)
{
    const auto made = makeFolder();
    if (made.failed())
        return {Outcome::Kind::failed,
                {},
                "The folder " + folder.getFullPathName() + " cannot be made (" + made.getErrorMessage() +
                    ")."};

    const auto existing = backupsOf (model);
    if (!existing.empty() && holds (existing.back(), library, size))
    {
        prune (model);
        return {Outcome::Kind::sameAsNewest, existing.back(), {}};
    }

    // A second receive in the same second gets the next free number; a link
    // of that name counts as taken, whether or not it leads anywhere.
    const auto base = model + "-" + when.formatted (kStampFormat);
    auto target = folder.getChildFile (base + LibraryFormat::kExtension);
    for (int suffix = 2; target.exists() || target.isSymbolicLink(); ++suffix)
        target = folder.getChildFile (base + "-" + juce::String (suffix) + LibraryFormat::kExtension);

    const auto result = writeFileAtomically (target, library, size, writeStep);
    if (result != FileWriteResult::ok)
        return {Outcome::Kind::failed, {}, whyNotWritten (result, size)};
    prune (model);
    return {Outcome::Kind::written, target, {}};
}

void BackupStore::prune (const juce::String& model) const
{
    const auto files = backupsOf (model);
    const auto surplus = static_cast<int> (files.size()) - kKeptPerModel;
    for (int i = 0; i < surplus; ++i)
        files[static_cast<size_t> (i)].deleteFile();
}

juce::String BackupStore::whyNotWritten (FileWriteResult result, size_t size) const
{
    const auto path = folder.getFullPathName();
    if (access (path.toRawUTF8(), W_OK) != 0)
        return "Nothing can be written in " + path + " (" + lastError() + ").";
    // The temporary file and the backup may both need room for a moment.
    if (folder.getBytesFreeOnVolume() < static_cast<juce::int64> (2 * size))
        return "The disk that holds " + path + " is full.";
    return result == FileWriteResult::cannotOpen
               ? "No new file can be made in " + path + "."
               : "The file could not be written completely in " + path + ".";
}

//==============================================================================
ReceiveBackups::ReceiveBackups (juce::File folder, const DataCenter& store, UnitProgramList& unitList,
                                MidiReceiver& engine, Dialogs& dialogs)
    : backups (std::move (folder))
    , dataCenter (store)
    , unit (unitList)
    , midiReceiver (engine)
    , ui (dialogs)
{
    unit.onReceiveFinished = [this]
    {
        // What the unit sent, before anything here can change the list.
        Received received{std::vector<std::uint8_t> (static_cast<size_t> (LibraryFormat::kFileSize)),
                          sysex::modelName (dataCenter.modelCode), juce::Time::getCurrentTime()};
        encodeLibrary (unit, received.library.data());
        pending.push_back (std::move (received));
    };
    // What a Transmit All read first, the list untouched.
    midiReceiver.onUnitProgramsRead = [this] (const std::vector<ProgramRecord>& programs)
    {
        Received received{std::vector<std::uint8_t> (static_cast<size_t> (LibraryFormat::kFileSize)),
                          sysex::modelName (dataCenter.modelCode), juce::Time::getCurrentTime()};
        encodeLibrary (programs, received.library.data());
        pending.push_back (std::move (received));
    };
    midiReceiver.setBackupBeforeTransmit (true);
    midiReceiver.addChangeListener (this);
}

ReceiveBackups::~ReceiveBackups()
{
    *alive = false;
    midiReceiver.removeChangeListener (this);
    midiReceiver.setBackupBeforeTransmit (false);
    midiReceiver.onUnitProgramsRead = nullptr;
    unit.onReceiveFinished = nullptr;
}

void ReceiveBackups::changeListenerCallback (juce::ChangeBroadcaster*)
{
    // The engine broadcasts once more after a transfer's final step.
    if (pending.empty() || midiReceiver.isTransferRunning())
        return;
    for (const auto& received : std::exchange (pending, {}))
    {
        const auto outcome =
            backups.keep (received.model, received.library.data(), received.library.size(), received.at);
        if (outcome.kind == BackupStore::Outcome::Kind::failed && !std::exchange (failureTold, true))
            tellFailure (outcome.problem);
    }
}

void ReceiveBackups::tellFailure (const juce::String& problem)
{
    // From the message loop: a modal alert inside the engine's broadcast
    // would run its listeners' turn from within another.
    juce::MessageManager::callAsync (
        [this, token = std::weak_ptr<bool> (alive), problem]
        {
            if (token.expired())
                return;
            ui.show ({AlertText::Icon::warning,
                      "Backup:",
                      "The programs received from the unit were not kept as a backup.\n" + problem +
                          "\nLater backups that fail are not reported until the next start.",
                      {"  OK  "}});
        });
}
} // namespace vr
