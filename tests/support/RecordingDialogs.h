#pragma once

#include "data/DialogInterface.h"

#include <deque>
#include <vector>

namespace vr::test
{
// Records every alert and answers from a script: the next queued answer, or
// the first button when none is queued.
class RecordingDialogs : public Dialogs
{
public:
    int show (const AlertText& alert) override
    {
        shown.push_back (alert);
        if (answers.empty())
            return 0;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    juce::File chooseFileToOpen (const juce::String&, const juce::File&, const juce::String&) override
    {
        return next (filesToOpen);
    }

    juce::File chooseFileToSave (const juce::String&, const juce::File&, const juce::String&) override
    {
        return next (filesToSave);
    }

    std::vector<AlertText> shown;
    std::deque<int> answers;
    std::deque<juce::File> filesToOpen;
    std::deque<juce::File> filesToSave;

private:
    static juce::File next (std::deque<juce::File>& files)
    {
        if (files.empty())
            return {};
        auto f = files.front();
        files.pop_front();
        return f;
    }
};
} // namespace vr::test
