#include "ProgramCompare.h"

#include "../data/DataCenter.h"

namespace vr
{
void ProgramCompare::showStored (DataCenter& store, const ProgramRecord& storedRecord)
{
    if (isComparing())
        return;
    edited = store.current;
    stored = storedRecord;
    // The baseline stays: the edit is still an edit of the same program.
    store.current = storedRecord;
}

bool ProgramCompare::showEdited (DataCenter& store)
{
    if (!isComparing())
        return false;
    store.current = *edited;
    edited.reset();
    return true;
}

const ProgramRecord& ProgramCompare::editedVersion (const DataCenter& store) const noexcept
{
    return isComparing() ? *edited : store.current;
}

std::array<bool, kNumKnobs> ProgramCompare::differingKnobs (const ProgramRecord& a,
                                                            const ProgramRecord& b) noexcept
{
    std::array<bool, kNumKnobs> differ{};
    for (int k = 0; k < kNumKnobs; ++k)
    {
        const auto at = static_cast<size_t> (knobIndexToByte (k));
        differ[static_cast<size_t> (k)] = a[at] != b[at];
    }
    return differ;
}
} // namespace vr
