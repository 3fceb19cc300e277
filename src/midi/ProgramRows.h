#pragma once

#include "data/ProgramRecord.h"

namespace vr
{
// What the engine needs of the program lists, which live in the library
// layer above it: the unit's 200 slots...
class UnitRows
{
public:
    virtual ~UnitRows() = default;
    // Zeros for a slot that does not exist.
    virtual ProgramRecord recordAt (int slot) const noexcept = 0;
    // A program arrived from the unit: the slot holds it, name and all.
    virtual void storeFromUnit (int slot, const ProgramRecord& record) = 0;
    // One slot of a Receive All arrived: it is the unit's own program now,
    // whether or not the receive runs to its end.
    virtual void markReceived (int slot) noexcept = 0;
    // Every slot of a Receive All arrived.
    virtual void finishReceive() = 0;
};

// ...and the factory programs and open files after them (row 0 is program 200).
class StoredRows
{
public:
    virtual ~StoredRows() = default;
    virtual ProgramRecord recordAt (int row) const noexcept = 0;
};
} // namespace vr
