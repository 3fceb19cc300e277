#pragma once

#include "../data/ProgramRecord.h"

#include <array>
#include <optional>

namespace vr
{
class DataCenter;

// Compare: the store's current program is swapped for the stored version of
// the same program (its list row), while the edited version waits here to
// be put back exactly. The store's current program is always what the unit
// plays, so everything that reads or sends it stays as it is.
class ProgramCompare
{
public:
    // Puts the stored version in the store; the edited one is kept aside.
    // Does nothing while already comparing.
    void showStored (DataCenter& store, const ProgramRecord& stored);
    // Puts the edited version back; false when not comparing.
    bool showEdited (DataCenter& store);
    // The store's program was replaced from elsewhere while comparing (the
    // unit changed program, say): there is nothing to go back to.
    void forget() noexcept { edited.reset(); }

    bool isComparing() const noexcept { return edited.has_value(); }
    // The version the player edits, whichever is shown.
    const ProgramRecord& editedVersion (const DataCenter& store) const noexcept;
    const ProgramRecord& storedVersion() const noexcept { return stored; }

    // Knobs whose value differs between the two records.
    static std::array<bool, kNumKnobs> differingKnobs (const ProgramRecord& a,
                                                       const ProgramRecord& b) noexcept;

private:
    std::optional<ProgramRecord> edited;
    ProgramRecord stored{};
};
} // namespace vr
