#include "app/SingleInstance.h"

#include <gtest/gtest.h>

#include <mutex>

namespace vr
{
// Two programs in one process: the second finds the name taken and hands
// its text over; when the holder ends, the name is free again at once.
TEST (SingleInstance, ALaterStartHandsItsTextToTheHolder)
{
    const auto name = "vr-test-" + juce::String (juce::Time::currentTimeMillis()) + "-" +
                      juce::String (juce::Random::getSystemRandom().nextInt());
    auto holder = std::make_unique<SingleInstance> (name);
    ASSERT_EQ (holder->claim(), SingleInstance::Claim::first);

    std::mutex lock;
    juce::StringArray received;
    juce::WaitableEvent arrived;
    holder->startListening (
        [&] (const juce::String& text)
        {
            const std::scoped_lock guard (lock);
            received.add (text);
            arrived.signal();
        });

    SingleInstance later (name);
    EXPECT_EQ (later.claim(), SingleInstance::Claim::alreadyTaken);

    const juce::String texts[] = {
        juce::String::fromUTF8 ("\"/tmp/B\xc3\xa4nke/live set.vrm\" \"/tmp/x.syx\""), ""};
    for (const auto& text : texts)
    {
        ASSERT_TRUE (SingleInstance::sendToHolder (name, text));
        ASSERT_TRUE (arrived.wait (2000)) << text;
    }
    {
        const std::scoped_lock guard (lock);
        EXPECT_EQ (received, juce::StringArray (texts, 2));
    }

    holder.reset();
    EXPECT_FALSE (SingleInstance::sendToHolder (name, "nobody listens"));
    EXPECT_EQ (later.claim(), SingleInstance::Claim::first);
}
} // namespace vr
