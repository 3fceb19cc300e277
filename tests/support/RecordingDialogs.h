#pragma once

#include "data/DialogInterface.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <utility>
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
        const Showing showing (*this);
        if (answers.empty())
            return 0;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    juce::File chooseFileToOpen (const juce::String& title, const juce::File&, const juce::String&) override
    {
        chooserTitles.push_back (title);
        const Showing showing (*this);
        return next (filesToOpen);
    }

    juce::File chooseFileToSave (const juce::String& title, const juce::File&, const juce::String&) override
    {
        chooserTitles.push_back (title);
        const Showing showing (*this);
        return next (filesToSave);
    }

    std::vector<AlertText> shown;
    std::vector<juce::String> chooserTitles;
    std::deque<int> answers;
    std::deque<juce::File> filesToOpen;
    std::deque<juce::File> filesToSave;
    // What happens while the next dialog is up, as the message loop a real
    // one runs would let it (a file handed over by another start); once.
    std::function<void()> meanwhile;
    // The most dialogs up at once: more than one is a dialog stacked on another.
    int mostAtOnce{0};

private:
    struct Showing
    {
        explicit Showing (RecordingDialogs& d)
            : dialogs (d)
        {
            dialogs.mostAtOnce = std::max (dialogs.mostAtOnce, ++dialogs.upNow);
            if (auto step = std::exchange (dialogs.meanwhile, {}))
                step();
        }
        ~Showing() { --dialogs.upNow; }
        RecordingDialogs& dialogs;
    };

    int upNow{0};

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
