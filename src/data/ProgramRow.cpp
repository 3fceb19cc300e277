#include "ProgramRow.h"

namespace vr
{
CProgParamColumn::CProgParamColumn() noexcept
    : CProgParamColumn (defaultRecord().data())
{
}

CProgParamColumn::CProgParamColumn (const std::uint8_t* bytes32) noexcept
{
    std::copy (bytes32, bytes32 + kRecordSize, data.begin());
}

juce::String CProgParamColumn::getName() const
{
    juce::String name;
    for (int i = 0; i < kNameLength; ++i)
        name += juce::String::charToString (decodeNameChar (data[static_cast<size_t> (i)]));
    return name;
}

void CProgParamColumn::setName (const juce::String& text) noexcept
{
    std::array<std::uint8_t, kNameLength> encoded{};
    encodeName (text, encoded.data());
    std::copy (encoded.begin(), encoded.end(), data.begin());
}

void CProgParamColumn::reencodeName() noexcept
{
    setName (getName());
}

ProgramRecord CProgParamColumn::toRecord() const noexcept
{
    ProgramRecord record{};
    for (size_t i = 0; i < record.size(); ++i)
        record[i] = static_cast<std::uint8_t> (data[i] & 0xff);
    return record;
}
} // namespace vr
