#pragma once

#include <juce_core/juce_core.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace vr
{
// One running program per user: the first start holds a local socket, and a
// later start hands the files it was given to it over that socket instead of
// opening a second window. The socket lies in $XDG_RUNTIME_DIR when that is a
// folder only its owner can enter (guarded by a file lock, so a crash leaves
// nothing that blocks the next start); elsewhere it is a name in the abstract
// namespace, where both sides check that the other is the same user's
// process.
//
// A hand-over (see Message) is sent whole, and the sender then shuts its
// side. The holder answers with one byte once the paths are taken on its
// message thread, or a refusal when they were not taken in time; it closes
// without an answer when it is ending.
class SingleInstance
{
public:
    enum class Claim
    {
        first,        // we hold the channel now
        alreadyTaken, // another process holds it
        unavailable   // no socket could be had; run without the check
    };

    // What a later start learns from sendToHolder.
    enum class Answer
    {
        taken,     // the holder has the paths
        gone,      // nobody holds the channel, or the holder is ending: claim it again
        unanswered // the holder did not take them in time (stopped or held up)
    };

private:
    struct Receipt;

public:
    // Paths that came in, passed on from the listening thread.
    class HandOver
    {
    public:
        juce::StringArray paths;

        // Tells the sender the paths were taken. False when it is too late
        // (the sender was told no, or listening ended): then the sender
        // opens them itself and they must be dropped here.
        bool take() const;

    private:
        friend class SingleInstance;
        std::shared_ptr<Receipt> receipt;
    };

    // channel: a socket path (it starts with '/') or an abstract name.
    explicit SingleInstance (juce::String channel);
    ~SingleInstance();

    Claim claim();

    // Hands the paths to whoever holds the channel (as many as fit a
    // message: pathsThatFit) and waits for its answer. Connecting, sending
    // and waiting take kAnswerDeadlineMs together, and that deadline is the
    // one the holder is given.
    static Answer sendToHolder (const juce::String& channel, const juce::StringArray& paths);

    // Starts reading what later starts send; each hand-over goes to onHandOver
    // on the listening thread, which then waits up to kTakeDeadlineMs (less
    // when the sender waits less) for its take(). Only after a successful
    // claim.
    void startListening (std::function<void (const HandOver&)> onHandOver);
    // Ends the listening thread and gives the channel up: from then on a
    // later start finds nobody, and nothing is delivered or taken.
    void stopListening();

    // This user's channel (see channelIn); its name is the one in
    // VR_INSTANCE_CHANNEL when set (the whole-program checks keep theirs apart
    // from a program already running).
    static juce::String defaultChannelName();
    // A socket named after `name` in the runtime folder when that is ours
    // alone (mode 0700) and the path fits, else the abstract name.
    static juce::String channelIn (const juce::String& name, const juce::String& runtimeFolder);

    // What goes over the channel: when the sender stops waiting for its
    // answer (milliseconds of the monotonic clock all processes share), in 8
    // bytes, lowest first, then the paths, each in UTF-8 and ended by a zero
    // byte.
    struct Message
    {
        std::int64_t answerBy{0};
        juce::StringArray paths;
    };
    // As many whole paths as fit kMaxMessageBytes (pathsThatFit, from the first).
    static juce::MemoryBlock encode (const Message& message);
    static int pathsThatFit (const juce::StringArray& paths);
    // Nothing when the bytes are too few; an unended last path is dropped.
    static std::optional<Message> decode (const juce::MemoryBlock& bytes);
    static std::int64_t monotonicMilliseconds();
    // How long the holder may take a hand-over that must be answered by
    // answerBy, at `now` (both monotonicMilliseconds): none when that is
    // past, or further off than any sender waits.
    static int takeWindowMs (std::int64_t answerBy, std::int64_t now);

    static constexpr int kMaxMessageBytes = 64 * 1024;
    static constexpr size_t kAnswerByBytes = 8;
    // A whole hand-over must arrive within this of the connection.
    static constexpr int kMessageDeadlineMs = 1000;
    // The message thread must take it within this of its arrival.
    static constexpr int kTakeDeadlineMs = 3000;
    // A later start waits this long for the answer; the holder takes nothing
    // later than kAnswerMarginMs before that, so the answer still arrives
    // (a holder that was stopped meanwhile takes nothing).
    static constexpr int kAnswerDeadlineMs = 5000;
    static constexpr int kAnswerMarginMs = 500;
    // Out of descriptors, the listener tries again after this.
    static constexpr int kAcceptRetryMs = 100;

private:
    void serve();
    void answerOne (int connection);
    void release();

    const juce::String channel;
    int listenFd{-1};
    int lockFd{-1};
    int wakeFd{-1};
    std::atomic<bool> stopping{false};
    std::function<void (const HandOver&)> deliver;
    std::thread listener;
    std::mutex pendingLock;
    std::shared_ptr<Receipt> pending; // the hand-over waiting to be taken

    JUCE_DECLARE_NON_COPYABLE (SingleInstance)
};
} // namespace vr
