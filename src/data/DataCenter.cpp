#include "DataCenter.h"

#include <algorithm>

namespace vr
{
DataCenter::DataCenter()
    : current (defaultRecord())
    , loaded (defaultRecord())
{
}

void DataCenter::setCurrentProgramNumber (int n) noexcept
{
    bank = bankOf (n);
    programInBank = vr::programInBank (n);
    currentProgramNumber = bank * 100 + programInBank;
}

void DataCenter::setSelectedProgram (int n) noexcept
{
    selectedProgram = n % kNumPrograms;
}

void DataCenter::setCurrentData (const std::uint8_t* bytes32) noexcept
{
    ProgramRecord record;
    std::copy (bytes32, bytes32 + kRecordSize, record.begin());
    setCurrentData (record);
}

void DataCenter::setCurrentData (const ProgramRecord& record) noexcept
{
    current = loaded = record;
    comparedAside.reset();
    ++programSerial;
}

void DataCenter::saveCurrent() noexcept
{
    saved = current;
    savedLoaded = loaded;
    savedSerial = programSerial;
    bulkTransfer = true;
}

void DataCenter::restoreSaved() noexcept
{
    current = saved;
    loaded = savedLoaded;
    programSerial = savedSerial;
    bulkTransfer = false;
}

void DataCenter::setName (const juce::String& text) noexcept
{
    encodeName (text, current.data());
}

juce::String DataCenter::getName() const
{
    return decodeName (current.data());
}

int DataCenter::getType (int section) const noexcept
{
    jassert (section >= 0 && section < numSections);
    return current[static_cast<size_t> (RecordByte::firstType + section)];
}

void DataCenter::setType (int byteOffset, int value) noexcept
{
    applyTypeChoice (current, byteOffset, value);
}

int DataCenter::getKnob (int knobIndex) const noexcept
{
    return current[static_cast<size_t> (knobIndexToByte (knobIndex))];
}

void DataCenter::setKnob (int value, int knobIndex) noexcept
{
    current[static_cast<size_t> (knobIndexToByte (knobIndex))] = static_cast<std::uint8_t> (value);
}

void DataCenter::unitNowHolds (int slot, const ProgramRecord& record) noexcept
{
    if (slot < 0 || slot >= kNumUserPrograms)
        return;
    unitHolds[static_cast<size_t> (slot)] = record;
    unitHoldsKnown[static_cast<size_t> (slot)] = true;
}

void DataCenter::unitHoldsUnknown (int slot) noexcept
{
    if (slot >= 0 && slot < kNumUserPrograms)
        unitHoldsKnown[static_cast<size_t> (slot)] = false;
}

void DataCenter::markAgainstUnit (int slot, const ProgramRecord& row) noexcept
{
    if (slot < 0 || slot >= kNumUserPrograms)
        return;
    const auto i = static_cast<size_t> (slot);
    modified[i] = unitHoldsKnown[i] && unitHolds[i] == row ? 0 : 1;
}

int DataCenter::countModified (int first) const noexcept
{
    return static_cast<int> (std::count_if (modified.begin() + juce::jlimit (0, kNumUserPrograms, first),
                                            modified.end(), [] (std::uint8_t flag) { return flag != 0; }));
}
} // namespace vr
