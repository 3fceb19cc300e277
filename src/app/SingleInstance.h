#pragma once

#include <juce_core/juce_core.h>

#include <functional>
#include <thread>

namespace vr
{
// One running program per user: the first start holds a local socket under
// a fixed name, and a later start hands its parameters to it over that
// socket instead of opening a second window. The name lives in the
// abstract socket namespace, so it goes away with the process that held it
// and a crash leaves nothing stale behind. Both sides check that the other
// is the same user's process.
//
// The listening thread only reads and hands the text on; the receiver
// passes it to the message thread.
class SingleInstance
{
public:
    enum class Claim
    {
        first,        // we hold the name now
        alreadyTaken, // another process holds it
        unavailable   // no socket could be had; run without the check
    };

    explicit SingleInstance (juce::String channelName);
    ~SingleInstance();

    Claim claim();

    // Hands the text to whoever holds the name; false when nobody took it
    // or the holder is another user's process.
    static bool sendToHolder (const juce::String& channelName, const juce::String& text);

    // Starts reading what later starts send; each message goes to onMessage
    // on the listening thread. Only after a successful claim.
    void startListening (std::function<void (const juce::String&)> onMessage);
    // Ends the listening thread; nothing is delivered after it returns.
    void stopListening();

    // The name for this user, or the one in VR_INSTANCE_CHANNEL (the
    // whole-program checks keep theirs apart from a program already running).
    static juce::String defaultChannelName();

    static constexpr int kMaxMessageBytes = 64 * 1024;

private:
    void serve();
    void readOneMessage (int connection);

    juce::String name;
    int listenFd{-1};
    int wakeFd{-1};
    std::function<void (const juce::String&)> deliver;
    std::thread listener;

    JUCE_DECLARE_NON_COPYABLE (SingleInstance)
};
} // namespace vr
