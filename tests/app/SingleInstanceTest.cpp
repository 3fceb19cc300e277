#include "app/SingleInstance.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <limits>
#include <mutex>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace vr
{
namespace
{
juce::String uniqueName()
{
    return "vr-test-" + juce::String (juce::Time::currentTimeMillis()) + "-" +
           juce::String (juce::Random::getSystemRandom().nextInt (1000000));
}

// A folder like $XDG_RUNTIME_DIR: only its owner may enter.
struct RuntimeFolder
{
    RuntimeFolder() { chmod (folder.getFullPathName().toRawUTF8(), 0700); }
    ~RuntimeFolder() { folder.deleteRecursively(); }
    juce::File folder = juce::File::createTempFile ("run");
    const bool made = folder.createDirectory().wasOk();
};

// A start that does not follow the rules: connected to a socket path, it
// sends one byte every 100 ms, or nothing at all, or the bytes given at once
// (and then shuts its side), until it ends.
class RawSender
{
public:
    enum class Way
    {
        trickle,
        silent,
        whole
    };

    RawSender (const juce::String& path, Way way, const juce::MemoryBlock& bytes = {})
        : fd (socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy (address.sun_path, path.toRawUTF8(), sizeof (address.sun_path) - 1);
        connected = connect (fd, reinterpret_cast<const sockaddr*> (&address), sizeof (address)) == 0;
        if (way == Way::whole)
        {
            connected = connected && send (fd, bytes.getData(), bytes.getSize(), MSG_NOSIGNAL) > 0;
            shutdown (fd, SHUT_WR);
        }
        thread = std::thread (
            [this, way]
            {
                while (running)
                {
                    if (way == Way::trickle) [[maybe_unused]]
                        const auto n = send (fd, "/", 1, MSG_NOSIGNAL);
                    std::this_thread::sleep_for (std::chrono::milliseconds (100));
                }
            });
    }
    ~RawSender()
    {
        running = false;
        thread.join();
        close (fd);
    }

    bool connected{false};

private:
    const int fd;
    std::atomic<bool> running{true};
    std::thread thread;
};

sockaddr_un addressOf (const juce::String& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy (address.sun_path, path.toRawUTF8(), sizeof (address.sun_path) - 1);
    return address;
}

// The one answer byte on fd, or -1 when none comes within the time.
int answerOn (int fd, int timeoutMs)
{
    pollfd ready{fd, POLLIN, 0};
    char answer = 0;
    return poll (&ready, 1, timeoutMs) == 1 && recv (fd, &answer, 1, 0) == 1 ? answer : -1;
}

int millisecondsSince (std::chrono::steady_clock::time_point start)
{
    return static_cast<int> (
        std::chrono::duration_cast<std::chrono::milliseconds> (std::chrono::steady_clock::now() - start)
            .count());
}
} // namespace

// Two programs in one process: the second finds the channel taken and hands
// its paths over, whatever characters they hold; when the holder stops
// listening, the channel is free again at once. In a runtime folder that is
// so even when another process squats on the abstract name.
TEST (SingleInstance, ALaterStartHandsItsPathsToTheHolder)
{
    RuntimeFolder runtime;
    ASSERT_TRUE (runtime.made);
    const auto name = uniqueName();
    const juce::String channels[] = {SingleInstance::channelIn (name, {}),
                                     SingleInstance::channelIn (name, runtime.folder.getFullPathName())};
    ASSERT_FALSE (channels[0].startsWithChar ('/'));
    ASSERT_TRUE (channels[1].startsWithChar ('/'));
    SingleInstance squatter (channels[0]);

    for (const auto& channel : channels)
    {
        SCOPED_TRACE (channel);
        if (&channel == &channels[1])
        {
            ASSERT_EQ (squatter.claim(), SingleInstance::Claim::first);
        }
        auto holder = std::make_unique<SingleInstance> (channel);
        ASSERT_EQ (holder->claim(), SingleInstance::Claim::first);
        std::mutex lock;
        std::vector<juce::StringArray> received;
        holder->startListening (
            [&] (const SingleInstance::HandOver& handOver)
            {
                ASSERT_TRUE (handOver.take());
                EXPECT_FALSE (handOver.take());
                const std::scoped_lock guard (lock);
                received.push_back (handOver.paths);
            });

        SingleInstance later (channel);
        EXPECT_EQ (later.claim(), SingleInstance::Claim::alreadyTaken);

        const std::vector<juce::StringArray> sent = {
            {juce::String::fromUTF8 ("/tmp/B\xc3\xa4nke/live set.vrm"), "/tmp/q\"x.vrm",
             "/tmp/'80s sounds.vrm", "/tmp/new\nline \"\" .syx"},
            {}};
        for (const auto& paths : sent)
            EXPECT_EQ (SingleInstance::sendToHolder (channel, paths), SingleInstance::Answer::taken);
        {
            const std::scoped_lock guard (lock);
            EXPECT_EQ (received, sent);
        }

        holder->stopListening();
        EXPECT_EQ (SingleInstance::sendToHolder (channel, {"/tmp/nobody.vrm"}), SingleInstance::Answer::gone);
        EXPECT_EQ (later.claim(), SingleInstance::Claim::first);
    }
}

// A runtime folder is used only when nobody else may enter it and the
// socket's path fits an address; otherwise the abstract name is.
TEST (SingleInstance, TheChannelIsInTheRuntimeFolderOnlyWhenThatIsPrivate)
{
    RuntimeFolder runtime;
    ASSERT_TRUE (runtime.made);
    const auto folder = runtime.folder.getFullPathName();
    const auto open = runtime.folder.getChildFile ("open");
    ASSERT_TRUE (open.createDirectory().wasOk());
    chmod (open.getFullPathName().toRawUTF8(), 0755);
    const auto deep = runtime.folder.getChildFile (juce::String::repeatedString ("d", 100));
    ASSERT_TRUE (deep.createDirectory().wasOk());
    const auto abstractName = "vr." + juce::String (static_cast<int> (getuid()));

    struct Case
    {
        juce::String runtimeFolder;
        juce::String channel;
    };
    const Case cases[] = {
        {folder, folder + "/vr.socket"},
        {folder + "/", folder + "/vr.socket"},
        {open.getFullPathName(), abstractName},
        {folder + "/missing", abstractName},
        {deep.getFullPathName(), abstractName},
        {"relative", abstractName},
        {{}, abstractName},
    };
    for (const auto& c : cases)
        EXPECT_EQ (SingleInstance::channelIn ("vr", c.runtimeFolder), c.channel) << c.runtimeFolder;
}

// The listener is held up neither by a message thread that does not take a
// hand-over nor by a sender that sends slowly or not at all: the start is
// told in time, a later start still gets through, and stopping does not
// wait for any of them.
TEST (SingleInstance, NoStartIsLeftWaitingOrHoldsTheListener)
{
    RuntimeFolder runtime;
    ASSERT_TRUE (runtime.made);
    const auto channel = SingleInstance::channelIn (uniqueName(), runtime.folder.getFullPathName());
    auto holder = std::make_unique<SingleInstance> (channel);
    ASSERT_EQ (holder->claim(), SingleInstance::Claim::first);

    std::mutex lock;
    std::vector<SingleInstance::HandOver> arrived;
    std::vector<bool> taken;
    bool takeThem = false;
    holder->startListening (
        [&] (const SingleInstance::HandOver& handOver)
        {
            const std::scoped_lock guard (lock);
            arrived.push_back (handOver);
            taken.push_back (takeThem && handOver.take());
        });

    // Not taken in time (the message loop is held up): the start hears so,
    // and a take after that is too late.
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ (SingleInstance::sendToHolder (channel, {"/tmp/late.vrm"}), SingleInstance::Answer::unanswered);
    EXPECT_GE (millisecondsSince (start), SingleInstance::kTakeDeadlineMs - 100);
    EXPECT_LT (millisecondsSince (start), SingleInstance::kAnswerDeadlineMs);
    {
        const std::scoped_lock guard (lock);
        ASSERT_EQ (arrived.size(), 1u);
        EXPECT_FALSE (arrived[0].take());
        takeThem = true;
    }

    // A start that gave up waiting before the holder read it (the holder
    // was stopped meanwhile) is not taken: it opens its files itself.
    {
        const RawSender stale (
            channel, RawSender::Way::whole,
            SingleInstance::encode ({SingleInstance::monotonicMilliseconds() - 1, {"/tmp/stale.vrm"}}));
        ASSERT_TRUE (stale.connected);
        const auto arrivals = [&]
        {
            const std::scoped_lock guard (lock);
            return arrived.size();
        };
        for (int i = 0; i < 100 && arrivals() < 2; ++i)
            std::this_thread::sleep_for (std::chrono::milliseconds (20));
        const std::scoped_lock guard (lock);
        ASSERT_EQ (taken.size(), 2u);
        EXPECT_FALSE (taken[1]);
    }

    // A start that trickles one byte at a time, and one that sends nothing:
    // a proper start after them is taken within the message deadline.
    {
        const RawSender trickle (channel, RawSender::Way::trickle), silent (channel, RawSender::Way::silent);
        ASSERT_TRUE (trickle.connected && silent.connected);
        start = std::chrono::steady_clock::now();
        EXPECT_EQ (SingleInstance::sendToHolder (channel, {"/tmp/after.vrm"}), SingleInstance::Answer::taken);
        EXPECT_LT (millisecondsSince (start), 3 * SingleInstance::kMessageDeadlineMs);
    }

    // Stopping wakes a listener that waits for a take, and one that reads a
    // trickle; the start that was waiting is told nobody is there.
    {
        const std::scoped_lock guard (lock);
        takeThem = false;
    }
    std::thread waiting (
        [&] {
            EXPECT_EQ (SingleInstance::sendToHolder (channel, {"/tmp/w.vrm"}), SingleInstance::Answer::gone);
        });
    std::this_thread::sleep_for (std::chrono::milliseconds (300));
    start = std::chrono::steady_clock::now();
    holder->stopListening();
    EXPECT_LT (millisecondsSince (start), 500);
    waiting.join();
    {
        const std::scoped_lock guard (lock);
        for (const auto& handOver : arrived)
            EXPECT_FALSE (handOver.take());
    }

    ASSERT_EQ (holder->claim(), SingleInstance::Claim::first);
    holder->startListening ([] (const SingleInstance::HandOver&) {});
    const RawSender trickle (channel, RawSender::Way::trickle);
    ASSERT_TRUE (trickle.connected);
    std::this_thread::sleep_for (std::chrono::milliseconds (300));
    start = std::chrono::steady_clock::now();
    holder->stopListening();
    EXPECT_LT (millisecondsSince (start), 500);
}

// What goes over the channel: the sender's deadline, then whole paths, each
// ended by a zero byte.
TEST (SingleInstance, PathsSurviveTheirBytes)
{
    const SingleInstance::Message message{0x0102030405060708,
                                          {"/a b/\"c\".vrm", juce::String::fromUTF8 ("/\xc3\xa9"), "/x\ny",
                                           juce::String (juce::CharPointer_UTF8 ("/caf\xe9.vrm"))}};
    const auto bytes = SingleInstance::encode (message);
    EXPECT_EQ (static_cast<const std::uint8_t*> (bytes.getData())[0], 0x08);
    const auto decoded = SingleInstance::decode (bytes);
    ASSERT_TRUE (decoded.has_value());
    EXPECT_EQ (decoded->answerBy, message.answerBy);
    ASSERT_EQ (decoded->paths.size(), message.paths.size());
    for (int i = 0; i < message.paths.size(); ++i) // byte for byte, valid UTF-8 or not
        EXPECT_STREQ (decoded->paths[i].toRawUTF8(), message.paths[i].toRawUTF8());

    juce::MemoryBlock cut = bytes;
    cut.setSize (cut.getSize() - 2); // the last path lost its end
    EXPECT_EQ (SingleInstance::decode (cut)->paths,
               juce::StringArray ("/a b/\"c\".vrm", juce::String::fromUTF8 ("/\xc3\xa9"), "/x\ny"));
    cut.setSize (7);
    EXPECT_FALSE (SingleInstance::decode (cut).has_value());

    SingleInstance::Message many;
    for (int i = 0; i < 2000; ++i)
        many.paths.add ("/" + juce::String::repeatedString ("x", 60) + juce::String (i));
    const auto kept = SingleInstance::decode (SingleInstance::encode (many))->paths;
    EXPECT_EQ (SingleInstance::pathsThatFit (many.paths), kept.size()); // the sender names the rest
    EXPECT_GT (kept.size(), 900);
    EXPECT_LT (kept.size(), many.paths.size());
    for (int i = 0; i < kept.size(); ++i)
        EXPECT_EQ (kept[i], many.paths[i]);
}

// The holder takes a hand-over only while its sender still waits, whatever
// deadline the bytes claim.
TEST (SingleInstance, AHandOverIsTakenOnlyWhileItsSenderWaits)
{
    constexpr std::int64_t now = 1'000'000;
    struct Case
    {
        std::int64_t answerBy;
        int takeWithinMs;
    };
    const Case cases[] = {
        {now + SingleInstance::kAnswerDeadlineMs, SingleInstance::kTakeDeadlineMs},
        {now + 2000, 2000 - SingleInstance::kAnswerMarginMs},
        {now + SingleInstance::kAnswerMarginMs, 0},
        {now - 1, 0},
        {now + SingleInstance::kAnswerDeadlineMs + 1, 0}, // no sender waits that long
        {std::numeric_limits<std::int64_t>::max(), 0},
        {std::numeric_limits<std::int64_t>::min(), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ (SingleInstance::takeWindowMs (c.answerBy, now), c.takeWithinMs) << c.answerBy - now;
}

// A start that had to wait to connect (the holder's backlog was full) gives
// the holder the deadline it set out with, not a later one: the holder must
// not take files the start has given up on and opened itself.
TEST (SingleInstance, AStartThatWaitedToConnectGivesItsOwnDeadline)
{
    RuntimeFolder runtime;
    ASSERT_TRUE (runtime.made);
    const auto channel = SingleInstance::channelIn (uniqueName(), runtime.folder.getFullPathName());
    const auto address = addressOf (channel);
    const auto* to = reinterpret_cast<const sockaddr*> (&address);
    const int holder = socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ (bind (holder, to, sizeof (address)), 0);
    ASSERT_EQ (listen (holder, 0), 0);
    std::vector<int> queued;
    for (;;)
    {
        const int fd = socket (AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (connect (fd, to, sizeof (address)) != 0)
        {
            close (fd);
            break;
        }
        queued.push_back (fd);
    }

    std::int64_t setOut = 0;
    auto answer = SingleInstance::Answer::gone;
    std::thread later (
        [&]
        {
            setOut = SingleInstance::monotonicMilliseconds();
            answer = SingleInstance::sendToHolder (channel, {"/tmp/w.vrm"});
        });
    std::this_thread::sleep_for (std::chrono::milliseconds (1000));
    for (const int fd : queued)
    {
        close (accept (holder, nullptr, nullptr));
        close (fd);
    }
    const int connection = accept (holder, nullptr, nullptr);
    const timeval patience{5, 0};
    setsockopt (connection, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof (patience));
    juce::MemoryBlock bytes;
    char buffer[256];
    for (ssize_t n; (n = recv (connection, buffer, sizeof (buffer), 0)) > 0;)
        bytes.append (buffer, static_cast<size_t> (n));
    const char taken = 0x06;
    EXPECT_EQ (send (connection, &taken, 1, MSG_NOSIGNAL), 1);
    later.join();

    const auto message = SingleInstance::decode (bytes);
    ASSERT_TRUE (message.has_value());
    // Give or take the start's first steps (the wait to connect was 1000 ms).
    EXPECT_GE (message->answerBy, setOut + SingleInstance::kAnswerDeadlineMs);
    EXPECT_LE (message->answerBy, setOut + SingleInstance::kAnswerDeadlineMs + 50);
    EXPECT_EQ (answer, SingleInstance::Answer::taken);
    close (connection);
    close (holder);
}

// Out of descriptors, the listener neither spins nor loses the start that
// waits in its backlog: that one is taken once descriptors are free again.
TEST (SingleInstance, ListeningOutOfDescriptorsWaitsWithoutSpinning)
{
    RuntimeFolder runtime;
    ASSERT_TRUE (runtime.made);
    const auto channel = SingleInstance::channelIn (uniqueName(), runtime.folder.getFullPathName());
    SingleInstance holder (channel);
    ASSERT_EQ (holder.claim(), SingleInstance::Claim::first);
    holder.startListening ([] (const SingleInstance::HandOver& handOver) { handOver.take(); });
    const int start = socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const auto address = addressOf (channel);

    // No descriptor left: every one below the lowest free one is taken.
    const int lowestFree = open ("/dev/null", O_RDONLY | O_CLOEXEC);
    close (lowestFree);
    rlimit limit{};
    ASSERT_EQ (getrlimit (RLIMIT_NOFILE, &limit), 0);
    const auto usual = limit;
    limit.rlim_cur = static_cast<rlim_t> (lowestFree);
    ASSERT_EQ (setrlimit (RLIMIT_NOFILE, &limit), 0);
    // Nothing is asserted until the limit is back.
    EXPECT_EQ (connect (start, reinterpret_cast<const sockaddr*> (&address), sizeof (address)), 0);
    const auto message = SingleInstance::encode (
        {SingleInstance::monotonicMilliseconds() + SingleInstance::kAnswerDeadlineMs, {"/tmp/fd.vrm"}});
    EXPECT_EQ (send (start, message.getData(), message.getSize(), MSG_NOSIGNAL),
               static_cast<ssize_t> (message.getSize()));
    shutdown (start, SHUT_WR);
    const auto cpuMs = []
    {
        timespec now{};
        clock_gettime (CLOCK_PROCESS_CPUTIME_ID, &now);
        return static_cast<int> (now.tv_sec * 1000 + now.tv_nsec / 1000000);
    };
    const int cpuBefore = cpuMs();
    std::this_thread::sleep_for (std::chrono::milliseconds (500));
    const int cpuUsed = cpuMs() - cpuBefore;
    ASSERT_EQ (setrlimit (RLIMIT_NOFILE, &usual), 0);

    EXPECT_LT (cpuUsed, 100);
    EXPECT_EQ (answerOn (start, SingleInstance::kAnswerDeadlineMs), 0x06);
    close (start);
}
} // namespace vr
