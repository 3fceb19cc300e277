// The ".syx" reader over arbitrary bytes: it must never read outside them,
// and whatever it takes from a file must survive our own export unchanged.
#include "FuzzCheck.h"

#include "library/SysexFile.h"
#include "midi/SysexMessages.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, size_t size)
{
    using namespace vr;
    const auto got = readSysexPrograms (data, size, "fuzz.syx");

    VR_FUZZ_CHECK (got.programsRead == std::count (got.filled.begin(), got.filled.end(), true));
    VR_FUZZ_CHECK (got.skipped >= 0);
    VR_FUZZ_CHECK (got.error.isEmpty() == (got.usable() && !got.truncated));

    std::vector<SysexEntry> entries;
    for (int slot = 0; slot < kNumUserPrograms; ++slot)
    {
        const auto& record = got.records[static_cast<size_t> (slot)];
        if (!got.filled[static_cast<size_t> (slot)])
        {
            VR_FUZZ_CHECK (record == defaultRecord());
            continue;
        }
        VR_FUZZ_CHECK (std::all_of (record.begin(), record.end(), [] (std::uint8_t b) { return b < 0x80; }));
        entries.push_back ({slot, record});
    }

    const auto bytes = encodeSysexPrograms (entries, sysex::kModelHeron);
    const auto again = readSysexPrograms (bytes.data(), bytes.size(), "again.syx");
    VR_FUZZ_CHECK (again.records == got.records);
    VR_FUZZ_CHECK (again.filled == got.filled);
    VR_FUZZ_CHECK (again.skipped == 0 && !again.truncated);
    return 0;
}
