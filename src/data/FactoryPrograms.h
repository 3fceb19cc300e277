#pragma once

#include "ProgramRecord.h"

namespace vr
{
// The unit's 200 factory programs (numbers 200-399), carried as constant data.
const std::array<ProgramRecord, kNumFactoryPrograms>& factoryTable() noexcept;

// Factory program n, 200 <= n <= 399; callers check the range.
const ProgramRecord& factoryProgram (int programNumber) noexcept;
} // namespace vr
