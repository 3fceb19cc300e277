#pragma once

#include "ProgramRecord.h"

namespace vr
{
// Source numbers tell where a row's program came from.
namespace Source
{
constexpr int empty = -1;
constexpr int firstFactory = 200;
constexpr int firstFile = 400;
constexpr int perFile = 200;
constexpr int maxFiles = 3;
} // namespace Source

// One program of a list. Cells hold the record bytes as they were stored, so
// a byte above 127 read from a file survives until the row is re-encoded.
class CProgParamColumn
{
public:
    // An empty row: the default record, source number -1.
    CProgParamColumn() noexcept;
    // A row from 32 bytes; the caller sets the source number.
    explicit CProgParamColumn (const std::uint8_t* bytes32) noexcept;

    juce::String getName() const;
    void setName (const juce::String& text) noexcept;
    // Reads the name and writes it back, turning every out-of-range cell into a space.
    void reencodeName() noexcept;

    // The record as bytes (each cell's low 8 bits).
    ProgramRecord toRecord() const noexcept;

    int sourceNumber{Source::empty};
    std::array<int, kRecordSize> data{};
};
} // namespace vr
