// Runs the seeded interleavings of stray messages and user commands during
// transfers against the virtual unit and prints how many broke an invariant:
//
//   interleavings N violations V
//
// Usage: vr_interleavings [N [first-seed]]

#include "support/Interleaving.h"

#include <cstdio>
#include <cstdlib>

int main (int argc, char** argv)
{
    const juce::ScopedJuceInitialiser_GUI juce;
    const int runs = argc > 1 ? std::atoi (argv[1]) : 1000;
    const auto first = static_cast<std::uint32_t> (argc > 2 ? std::atoi (argv[2]) : 1);

    int violations = 0;
    for (int i = 0; i < runs; ++i)
    {
        const auto seed = first + static_cast<std::uint32_t> (i);
        const auto result = vr::test::runInterleaving (seed);
        if (result.violations > 0)
        {
            ++violations;
            std::fprintf (stderr, "seed %u: %s\n", seed, result.detail.c_str());
        }
    }
    std::printf ("interleavings %d violations %d\n", runs, violations);
    return violations == 0 ? 0 : 1;
}
