#include "ProgramLists.h"

#include "../data/DataCenter.h"
#include "../data/FactoryPrograms.h"

namespace vr
{
namespace
{
// The engine passes row and element numbers straight from the wire, so every
// accessor checks both rather than trusting the caller.
bool validElement (int element) noexcept
{
    return element >= 0 && element < kRecordSize;
}

template <typename Rows>
bool validRow (const Rows& rows, int row) noexcept
{
    return row >= 0 && static_cast<size_t> (row) < rows.size();
}

template <typename Rows>
ProgramRecord recordOf (const Rows& rows, int row) noexcept
{
    return validRow (rows, row) ? rows[static_cast<size_t> (row)].toRecord() : ProgramRecord{};
}
} // namespace

//==============================================================================
void UnitProgramList::fill()
{
    if (rows.empty())
        rows.resize (static_cast<size_t> (kNumUserPrograms));

    for (auto& row : rows)
        row.reencodeName();

    changed();
}

void UnitProgramList::storeByte (int row, int element, int value) noexcept
{
    if (validRow (rows, row) && validElement (element))
        rows[static_cast<size_t> (row)].data[static_cast<size_t> (element)] = value;
}

int UnitProgramList::readByte (int row, int element) const noexcept
{
    if (validRow (rows, row) && validElement (element))
        return rows[static_cast<size_t> (row)].data[static_cast<size_t> (element)];
    return 0;
}

void UnitProgramList::setRowName (int row, const juce::String& text) noexcept
{
    if (validRow (rows, row))
        rows[static_cast<size_t> (row)].setName (text);
}

juce::String UnitProgramList::readRowName (int row) const
{
    if (validRow (rows, row))
        return rows[static_cast<size_t> (row)].getName();
    return juce::String::repeatedString (" ", kNameLength);
}

ProgramRecord UnitProgramList::recordAt (int row) const noexcept
{
    return recordOf (rows, row);
}

void UnitProgramList::storeFromUnit (int slot, const ProgramRecord& record)
{
    for (int i = 0; i < kRecordSize; ++i)
        storeByte (slot, i, record[static_cast<size_t> (i)]);
    setRowName (slot, decodeName (record.data()));
}

void UnitProgramList::markReceived (int slot) noexcept
{
    if (!validRow (rows, slot) || slot >= kNumUserPrograms)
        return;
    auto& row = rows[static_cast<size_t> (slot)];
    row.sourceNumber = slot;
    row.reencodeName();
    dataCenter.modified[static_cast<size_t> (slot)] = 0;
    dataCenter.unitNowHolds (slot, recordAt (slot));
}

void UnitProgramList::finishReceive()
{
    const auto slots = juce::jmin (rows.size(), static_cast<size_t> (kNumUserPrograms));
    for (size_t slot = 0; slot < slots; ++slot)
    {
        rows[slot].sourceNumber = static_cast<int> (slot);
        rows[slot].reencodeName();
    }

    // The unit now holds exactly what the list shows, missing rows included.
    dataCenter.modified.fill (0);
    for (int slot = 0; slot < kNumUserPrograms; ++slot)
        dataCenter.unitNowHolds (slot, recordAt (slot));
    changed();
    if (onReceiveFinished)
        onReceiveFinished();
}

//==============================================================================
void RomFileProgramList::fill()
{
    if (rows.empty())
    {
        const auto& table = factoryTable();
        rows.reserve (table.size());
        for (size_t k = 0; k < table.size(); ++k)
        {
            rows.emplace_back (table[k].data());
            rows.back().sourceNumber = Source::firstFactory + static_cast<int> (k);
        }
    }

    changed();
}

ProgramRecord RomFileProgramList::recordAt (int row) const noexcept
{
    return recordOf (rows, row);
}

int RomFileProgramList::appendFileBlock()
{
    if (fileCount < 0 || fileCount >= Source::maxFiles)
        return -1;

    // The block's place follows the rows actually present, so a list that
    // lost rows cannot make it read past the last file slot.
    constexpr int lastStart = Source::perFile * (Source::maxFiles - 1);
    const int start =
        juce::jlimit (0, lastStart, juce::jmin (fileCount * Source::perFile, size() - kNumFactoryPrograms));

    const int firstNewRow = size();
    rows.reserve (rows.size() + static_cast<size_t> (Source::perFile));
    for (int k = 0; k < Source::perFile; ++k)
    {
        const auto offset = static_cast<size_t> ((start + k) * kRecordSize);
        rows.emplace_back (dataCenter.fileBuffers.data() + offset);
        rows.back().sourceNumber = start + k + Source::firstFile;
        rows.back().reencodeName();
    }

    changed();
    return firstNewRow;
}

void RomFileProgramList::closeAllFiles()
{
    if (rows.size() > static_cast<size_t> (kNumFactoryPrograms))
        rows.erase (rows.begin() + kNumFactoryPrograms, rows.end());

    fileCount = 0;
    changed();
}

juce::String RomFileProgramList::fileNameForSource (int sourceNumber) const
{
    constexpr int endOfFiles = Source::firstFile + Source::perFile * Source::maxFiles;
    if (sourceNumber < Source::firstFile || sourceNumber >= endOfFiles)
        return {};
    return fileNames[static_cast<size_t> ((sourceNumber - Source::firstFile) / Source::perFile)];
}

//==============================================================================
juce::String fromColumnText (int sourceNumber, const RomFileProgramList* romList)
{
    if (sourceNumber == Source::empty)
        return "--- : ---";

    auto text = juce::String::formatted ("%03d : ", sourceNumber);
    if (sourceNumber >= 0 && sourceNumber < Source::firstFactory)
        text << "RAM";
    else if (sourceNumber >= Source::firstFactory && sourceNumber < Source::firstFile)
        text << "ROM";
    else if (romList != nullptr)
        text << romList->fileNameForSource (sourceNumber);
    return text;
}
} // namespace vr
