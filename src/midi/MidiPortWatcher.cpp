#include "MidiPortWatcher.h"

namespace vr
{
namespace
{
bool sameLists (const juce::Array<MidiPortChoice>& a, const juce::Array<MidiPortChoice>& b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i)
        if (!a.getReference (i).sameAs (b.getReference (i)) ||
            a.getReference (i).name != b.getReference (i).name)
            return false;
    return true;
}

// Moves a port in use that is no longer listed into `gone`.
void checkInUse (std::optional<MidiPortChoice>& inUse, const juce::Array<MidiPortChoice>& list,
                 std::optional<MidiPortChoice>& gone)
{
    if (inUse.has_value() && indexOfPort (list, *inUse) < 0)
    {
        gone = inUse;
        inUse.reset();
    }
}
} // namespace

MidiPortWatcher::MidiPortWatcher (const MidiPortDirectory& ports)
    : directory (ports)
    , inputs (ports.getInputs())
    , outputs (ports.getOutputs())
{
}

void MidiPortWatcher::expectAnswer (double nowMs, int answersSoFar)
{
    awaitingAnswer = true;
    requestMs = nowMs;
    answersAtRequest = answersSoFar;
}

bool MidiPortWatcher::platformPortInUse() const noexcept
{
    return (inputInUse.has_value() && !inputInUse->isVirtual()) ||
           (outputInUse.has_value() && !outputInUse->isVirtual());
}

MidiPortWatcher::Report MidiPortWatcher::poll (double nowMs, int answersNow, bool listsShown)
{
    Report report;
    if ((listsShown || platformPortInUse()) && nowMs - lastReadMs >= kPollIntervalMs)
        report = refresh (nowMs);

    if (awaitingAnswer)
    {
        if (answersNow != answersAtRequest)
            awaitingAnswer = false;
        else if (nowMs - requestMs >= kAnswerTimeoutMs)
        {
            awaitingAnswer = false;
            report.noAnswer = true;
        }
    }
    return report;
}

MidiPortWatcher::Report MidiPortWatcher::refresh (double nowMs)
{
    lastReadMs = nowMs;
    Report report;

    auto newInputs = directory.getInputs();
    auto newOutputs = directory.getOutputs();
    report.inputsChanged = !sameLists (inputs, newInputs);
    report.outputsChanged = !sameLists (outputs, newOutputs);
    inputs = std::move (newInputs);
    outputs = std::move (newOutputs);

    checkInUse (inputInUse, inputs, report.goneInput);
    checkInUse (outputInUse, outputs, report.goneOutput);
    // No answer can come over a port that went; that is reported instead.
    if (report.goneInput.has_value() || report.goneOutput.has_value())
        awaitingAnswer = false;
    return report;
}
} // namespace vr
