// A deterministic simulation of the whole program: a simulated player and a
// simulated unit (with every fault it can show) drive the window's objects
// on a simulated clock, from a seed, and the invariants are checked whenever
// the wire is idle and no transfer runs.
//
//   vr_simulate N [STEPS] [--seed S] [--without KIND,...] [--regressions FILE] [--shrink REPLAYS]
//   vr_simulate --replay "SEQUENCE" --seed S
//
// The last line is "simulations N steps S violations V"; each violation is
// printed with its seed, the invariant and the shortest action sequence
// found that still breaks it. KIND is an action name (see SimActions.cpp)
// or "known" for every kind marked as triggering a known defect.

#include "SimActions.h"
#include "Simulation.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <unistd.h>

// The hooks exist only in a sanitizer build.
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#define VR_HAVE_SANITIZER_HOOKS 1
#endif

namespace vr::test
{
void installForgivingXErrorHandlers();
}

namespace
{
using namespace vr::sim;

// Where a crash happened, for the report the signal handler writes.
char crashContext[160] = "vr_simulate: crashed before the first seed\n";

void noteContext (std::uint32_t seed, int step)
{
    std::snprintf (crashContext, sizeof (crashContext), "vr_simulate: crashed in seed %u at step %d\n", seed,
                   step);
}

void reportCrash()
{
    const auto written = ::write (2, crashContext, std::strlen (crashContext));
    (void) written;
}

extern "C" void onFatalSignal (int signal)
{
    reportCrash();
    std::signal (signal, SIG_DFL);
    std::raise (signal);
}

// JUCE itself, set up again after a run that quit the program (a quit
// leaves the message loop refusing every later message).
class Juce
{
public:
    explicit Juce (AssertionCounter& counter)
        : assertions (counter)
    {
        start();
    }
    ~Juce() { juce::Logger::setCurrentLogger (nullptr); }

    void restartIfQuit()
    {
        if (!juce::MessageManager::getInstance()->hasStopMessageBeenSent())
            return;
        juce::Logger::setCurrentLogger (nullptr);
        initialiser.reset();
        start();
    }

private:
    void start()
    {
        initialiser = std::make_unique<juce::ScopedJuceInitialiser_GUI>();
        juce::Logger::setCurrentLogger (&assertions);
    }

    AssertionCounter& assertions;
    std::unique_ptr<juce::ScopedJuceInitialiser_GUI> initialiser;
};

struct Outcome
{
    std::optional<Violation> violation;
    std::vector<Action> actions; // up to and including the one after which it showed
};

struct Runner
{
    const FilePool& files;
    AssertionCounter& assertions;
    Juce& juce;
    bool trace{false};
    int shrinkBudget{100}; // replays per violation

    // A fresh run of `steps` generated actions.
    Outcome explore (std::uint32_t seed, int steps, const KindSet& allowed)
    {
        Outcome outcome;
        {
            noteContext (seed, -1);
            World world (seed, files, assertions);
            std::mt19937 random (seed * 2654435761u + 1u);
            outcome.violation = world.check();
            for (int step = 0; step < steps && !outcome.violation.has_value() && !world.hasQuit(); ++step)
            {
                noteContext (seed, step);
                outcome.actions.push_back (world.generate (random, allowed));
                world.perform (outcome.actions.back());
                outcome.violation = world.check();
                if (trace)
                    std::fprintf (stderr, "%u/%d %s | %s\n", seed, step,
                                  toText (outcome.actions.back()).c_str(), world.status().c_str());
            }
        }
        juce.restartIfQuit();
        return outcome;
    }

    // The same seed with the given actions; the first violation.
    std::optional<Violation> replay (std::uint32_t seed, const std::vector<Action>& actions)
    {
        std::optional<Violation> violation;
        {
            noteContext (seed, -1);
            World world (seed, files, assertions);
            violation = world.check();
            for (size_t i = 0; i < actions.size() && !violation.has_value() && !world.hasQuit(); ++i)
            {
                noteContext (seed, static_cast<int> (i));
                world.perform (actions[i]);
                violation = world.check();
                if (trace)
                    std::fprintf (stderr, "%u/%zu %s | %s\n", seed, i, toText (actions[i]).c_str(),
                                  world.status().c_str());
            }
        }
        juce.restartIfQuit();
        return violation;
    }

    // Drops chunks of actions, then single actions, as long as the same
    // invariant still breaks.
    std::vector<Action> shrink (std::uint32_t seed, std::vector<Action> actions, int invariant)
    {
        int budget = shrinkBudget;
        auto stillFails = [&] (const std::vector<Action>& candidate)
        {
            --budget;
            const auto v = replay (seed, candidate);
            return v.has_value() && v->invariant == invariant;
        };
        for (size_t chunk = std::max<size_t> (1, actions.size() / 2); budget > 0;)
        {
            bool removed = false;
            for (size_t start = 0; start < actions.size() && budget > 0;)
            {
                auto candidate = actions;
                const auto end = std::min (actions.size(), start + chunk);
                candidate.erase (candidate.begin() + static_cast<std::ptrdiff_t> (start),
                                 candidate.begin() + static_cast<std::ptrdiff_t> (end));
                if (stillFails (candidate))
                {
                    actions = std::move (candidate);
                    removed = true;
                }
                else
                {
                    start += chunk;
                }
            }
            if (chunk == 1 && !removed)
                break;
            if (!removed || chunk > 1)
                chunk = std::max<size_t> (1, chunk / 2);
        }
        return actions;
    }
};

void report (std::uint32_t seed, const Violation& violation, const std::vector<Action>& shortest)
{
    std::printf ("seed %u: invariant %d: %s\n", seed, violation.invariant, violation.detail.c_str());
    std::printf ("  shortest sequence (%zu actions): %s\n", shortest.size(), toText (shortest).c_str());
    std::fflush (stdout);
}

bool parseKinds (const std::string& list, KindSet& allowed)
{
    size_t start = 0;
    while (start <= list.size())
    {
        auto end = list.find (',', start);
        if (end == std::string::npos)
            end = list.size();
        const auto name = list.substr (start, end - start);
        if (name == "known")
        {
            for (size_t k = 0; k < allowed.size(); ++k)
                if (infoOf (static_cast<Kind> (k)).known != nullptr)
                    allowed.reset (k);
        }
        else if (const auto kind = kindNamed (name))
        {
            allowed.reset (static_cast<size_t> (*kind));
        }
        else if (!name.empty())
        {
            std::fprintf (stderr, "unknown action kind '%s'\n", name.c_str());
            return false;
        }
        start = end + 1;
    }
    return true;
}

// Lines "SEED<tab>TAG<tab>SEQUENCE"; '#' starts a comment. Entries tagged
// "known: ..." (mended by a later change) or "open: ..." (not mended yet) are
// skipped; every other one must now run clean.
int runRegressions (Runner& runner, const std::string& path, int& entries, int& skipped)
{
    std::ifstream in (path);
    if (!in)
    {
        std::fprintf (stderr, "cannot read %s\n", path.c_str());
        return 1;
    }
    int failures = 0;
    std::string line;
    while (std::getline (in, line))
    {
        if (line.empty() || line[0] == '#')
            continue;
        const auto tab1 = line.find ('\t');
        const auto tab2 = tab1 == std::string::npos ? tab1 : line.find ('\t', tab1 + 1);
        if (tab2 == std::string::npos)
        {
            std::fprintf (stderr, "bad regression line: %s\n", line.c_str());
            ++failures;
            continue;
        }
        const auto seed = static_cast<std::uint32_t> (std::strtoul (line.c_str(), nullptr, 10));
        const auto tag = line.substr (tab1 + 1, tab2 - tab1 - 1);
        const auto actions = actionsFromText (line.substr (tab2 + 1));
        if (!actions.has_value())
        {
            std::fprintf (stderr, "bad regression sequence: %s\n", line.c_str());
            ++failures;
            continue;
        }
        if (tag.rfind ("known", 0) == 0 || tag.rfind ("open", 0) == 0)
        {
            ++skipped;
            continue;
        }
        ++entries;
        if (const auto v = runner.replay (seed, *actions))
        {
            ++failures;
            std::printf ("regression seed %u (%s) fails again: invariant %d: %s\n", seed, tag.c_str(),
                         v->invariant, v->detail.c_str());
        }
    }
    return failures;
}
} // namespace

int main (int argc, char** argv)
{
    std::signal (SIGSEGV, onFatalSignal);
    std::signal (SIGABRT, onFatalSignal);
#if VR_HAVE_SANITIZER_HOOKS
    __sanitizer_set_death_callback (reportCrash);
#endif

    int runs = -1;
    int steps = 200;
    std::uint32_t firstSeed = 1;
    KindSet allowed;
    allowed.set();
    std::string regressions;
    std::string replaySequence;
    int shrinkBudget = 100;
    bool haveReplay = false;

    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (arg == "--seed")
            firstSeed = static_cast<std::uint32_t> (std::strtoul (value().c_str(), nullptr, 10));
        else if (arg == "--without")
        {
            if (!parseKinds (value(), allowed))
                return 2;
        }
        else if (arg == "--shrink")
            shrinkBudget = std::atoi (value().c_str());
        else if (arg == "--regressions")
            regressions = value();
        else if (arg == "--replay")
        {
            replaySequence = value();
            haveReplay = true;
        }
        else if (runs < 0 && std::isdigit (static_cast<unsigned char> (arg[0])) != 0)
            runs = std::atoi (arg.c_str());
        else if (std::isdigit (static_cast<unsigned char> (arg[0])) != 0)
            steps = std::atoi (arg.c_str());
        else
        {
            std::fprintf (
                stderr, "usage: vr_simulate N [STEPS] [--seed S] [--without KIND,...] [--regressions FILE]\n"
                        "       vr_simulate --replay SEQUENCE --seed S\n");
            return 2;
        }
    }

    vr::test::installForgivingXErrorHandlers();
    AssertionCounter assertions;
    Juce juce (assertions);
    const FilePool files;
    Runner runner{files, assertions, juce};
    runner.trace = std::getenv ("VR_SIM_TRACE") != nullptr;
    runner.shrinkBudget = shrinkBudget;

    if (haveReplay)
    {
        const auto actions = actionsFromText (replaySequence);
        if (!actions.has_value())
        {
            std::fprintf (stderr, "cannot read the sequence\n");
            return 2;
        }
        const auto v = runner.replay (firstSeed, *actions);
        if (v.has_value())
            std::printf ("seed %u: invariant %d: %s\n", firstSeed, v->invariant, v->detail.c_str());
        std::printf ("simulations 1 steps %zu violations %d\n", actions->size(), v.has_value() ? 1 : 0);
        return v.has_value() ? 1 : 0;
    }

    int violations = 0;
    int regressionEntries = 0;
    int regressionsSkipped = 0;
    if (!regressions.empty())
        violations += runRegressions (runner, regressions, regressionEntries, regressionsSkipped);

    runs = std::max (runs, 0);
    for (int i = 0; i < runs; ++i)
    {
        const auto seed = firstSeed + static_cast<std::uint32_t> (i);
        auto outcome = runner.explore (seed, steps, allowed);
        if (!outcome.violation.has_value())
            continue;
        ++violations;
        const auto shortest = runner.shrink (seed, outcome.actions, outcome.violation->invariant);
        const auto confirmed = runner.replay (seed, shortest);
        report (seed, confirmed.has_value() ? *confirmed : *outcome.violation, shortest);
    }

    if (!regressions.empty())
        std::printf ("regressions %d skipped %d\n", regressionEntries, regressionsSkipped);
    std::printf ("simulations %d steps %d violations %d\n", runs, steps, violations);
    return violations == 0 ? 0 : 1;
}
