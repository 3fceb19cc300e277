#pragma once

namespace vr
{
// The program's own name and version, as shown in its title and About box.
inline constexpr const char* kApplicationName = "VORANTE wren & heron SoundEditor";
inline constexpr const char* kApplicationVersion = "1.1.0";
} // namespace vr
