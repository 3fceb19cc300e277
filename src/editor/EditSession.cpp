#include "EditSession.h"

#include "../data/DataCenter.h"
#include "../midi/MidiReceiver.h"

namespace vr
{
EditSession::EditSession (DataCenter& store, MidiReceiver& engine, UnitProgramList& unitList)
    : dataCenter (store)
    , midiReceiver (engine)
    , steps (store, engine, unitList)
{
    steps.onApplied = [this] (bool programReplaced)
    {
        if (onApplied)
            onApplied (programReplaced);
    };
    midiReceiver.onReceiveStarted = [this]
    {
        restoreEdited();
        steps.clear();
    };
    midiReceiver.aroundProgramReplacement = [this] (const std::function<void()>& replace)
    { recordProgramChoice (replace); };
    midiReceiver.aroundUnitEdit = [this] (const std::function<void()>& apply)
    {
        // The unit changed what it plays, the stored version while it is
        // compared: the change lands on the edited version, which the unit
        // then gets whole.
        if (!restoreEdited())
        {
            apply();
            return;
        }
        apply();
        midiReceiver.sendCurrentProgram();
    };
}

EditSession::~EditSession()
{
    midiReceiver.onReceiveStarted = nullptr;
    midiReceiver.aroundProgramReplacement = nullptr;
    midiReceiver.aroundUnitEdit = nullptr;
}

void EditSession::recordProgramEdit (const juce::String& what, int mergeKey,
                                     const std::function<void()>& edit)
{
    steps.recordProgramEdit (what, mergeKey, edit);
}

void EditSession::recordProgramChoice (const std::function<void()>& choose)
{
    // The edit comes back first, so the choice is a step that keeps it.
    restoreEdited();
    steps.recordProgramChoice (choose);
}

void EditSession::recordListEdit (const juce::String& what, const std::function<void()>& edit)
{
    steps.recordListEdit (what, edit);
}

bool EditSession::isEdited() const noexcept
{
    return dataCenter.isEdited();
}

bool EditSession::isComparing() const noexcept
{
    return dataCenter.comparedAside.has_value();
}

const ProgramRecord& EditSession::storedVersion() const noexcept
{
    return dataCenter.loaded;
}

const ProgramRecord& EditSession::editedVersion() const noexcept
{
    return dataCenter.editedRecord();
}

bool EditSession::toggleCompare()
{
    if (isComparing())
        return endCompare();
    // Nothing to compare while a transfer parks the edit buffer.
    if (dataCenter.bulkTransfer || midiReceiver.isTransferRunning())
        return false;
    dataCenter.comparedAside = dataCenter.current;
    dataCenter.current = dataCenter.loaded;
    steps.breakStep();
    midiReceiver.sendCurrentProgram();
    compareChanged();
    return true;
}

bool EditSession::endCompare()
{
    if (!restoreEdited())
        return false;
    midiReceiver.sendCurrentProgram();
    return true;
}

bool EditSession::restoreEdited()
{
    if (!isComparing())
        return false;
    dataCenter.current = *dataCenter.comparedAside;
    dataCenter.comparedAside.reset();
    compareChanged();
    return true;
}

void EditSession::compareChanged()
{
    // The stored version is not being edited: no steps are taken or undone on it.
    steps.setEditingLocked (isComparing());
    if (onCompareChanged)
        onCompareChanged (isComparing());
}

void EditSession::written()
{
    dataCenter.markWritten();
    steps.noteWritten();
    // The marks of values that differ from the stored version follow.
    compareChanged();
}
} // namespace vr
