#include "SingleInstance.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace vr
{
struct SingleInstance::Receipt
{
    enum class State
    {
        waiting,
        taken,
        abandoned
    };

    explicit Receipt (std::chrono::steady_clock::time_point takeBy)
        : deadline (takeBy)
    {
    }

    const std::chrono::steady_clock::time_point deadline;
    std::mutex lock;
    std::condition_variable changed;
    State state{State::waiting};
};

namespace
{
using Clock = std::chrono::steady_clock;

constexpr char kTakenByte = 0x06;
constexpr char kRefusedByte = 0x15;

bool isSocketPath (const juce::String& channel)
{
    return channel.startsWithChar ('/');
}

// False when the channel's name does not fit an address.
bool makeAddress (const juce::String& channel, sockaddr_un& address, socklen_t& length)
{
    std::memset (&address, 0, sizeof (address));
    address.sun_family = AF_UNIX;
    const auto utf8 = channel.toRawUTF8();
    const auto size = std::strlen (utf8);
    if (size == 0 || size >= sizeof (address.sun_path))
        return false;
    // A leading zero byte puts a name in the abstract namespace.
    const size_t start = isSocketPath (channel) ? 0 : 1;
    std::memcpy (address.sun_path + start, utf8, size);
    length = static_cast<socklen_t> (offsetof (sockaddr_un, sun_path) + start + size + (start == 0 ? 1 : 0));
    return true;
}

bool fromSameUser (int connection)
{
    ucred peer{};
    socklen_t size = sizeof (peer);
    return getsockopt (connection, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == getuid();
}

// The poll time-out until the deadline; none for the end of time.
int millisecondsUntil (Clock::time_point deadline)
{
    if (deadline == Clock::time_point::max())
        return -1;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds> (deadline - Clock::now()).count();
    return static_cast<int> (std::clamp<decltype (left)> (left + 1, 0, std::numeric_limits<int>::max()));
}

enum class Ready
{
    readable,
    woken,
    timedOut
};

// Waits until fd can be read, the wake descriptor (when there is one) is
// signalled, or the deadline passes.
Ready waitToRead (int fd, int wakeFd, Clock::time_point deadline)
{
    for (;;)
    {
        pollfd fds[] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        const int n = poll (fds, wakeFd >= 0 ? 2 : 1, millisecondsUntil (deadline));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Ready::timedOut;
        if (wakeFd >= 0 && fds[1].revents != 0)
            return Ready::woken;
        if (fds[0].revents != 0)
            return Ready::readable;
        if (Clock::now() >= deadline)
            return Ready::timedOut;
    }
}

// Blocking connects and sends on fd give up at the deadline; false when it
// has passed.
bool limitSendingTo (int fd, Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::microseconds> (deadline - Clock::now()).count();
    if (left <= 0)
        return false;
    // Never all zero: that would mean no limit.
    const timeval timeout{static_cast<time_t> (left / 1000000), static_cast<suseconds_t> (left % 1000000)};
    return setsockopt (fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof (timeout)) == 0;
}

class Descriptor
{
public:
    explicit Descriptor (int fdToOwn) noexcept
        : fd (fdToOwn)
    {
    }
    ~Descriptor()
    {
        if (fd >= 0)
            close (fd);
    }
    int get() const noexcept { return fd; }

private:
    int fd;
    JUCE_DECLARE_NON_COPYABLE (Descriptor)
};
} // namespace

bool SingleInstance::HandOver::take() const
{
    if (receipt == nullptr)
        return false;
    const std::scoped_lock guard (receipt->lock);
    if (receipt->state != Receipt::State::waiting || std::chrono::steady_clock::now() >= receipt->deadline)
        return false;
    receipt->state = Receipt::State::taken;
    receipt->changed.notify_all();
    return true;
}

SingleInstance::SingleInstance (juce::String channelToUse)
    : channel (std::move (channelToUse))
{
}

SingleInstance::~SingleInstance()
{
    stopListening();
}

SingleInstance::Claim SingleInstance::claim()
{
    if (listenFd >= 0)
        return Claim::first;

    sockaddr_un address{};
    socklen_t length = 0;
    if (!makeAddress (channel, address, length))
        return Claim::unavailable;

    // A socket file outlives a crash; the lock beside it does not.
    if (isSocketPath (channel))
    {
        const auto lockPath = channel + ".lock";
        lockFd = open (lockPath.toRawUTF8(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (lockFd < 0)
            return Claim::unavailable;
        if (flock (lockFd, LOCK_EX | LOCK_NB) != 0)
        {
            const bool taken = errno == EWOULDBLOCK;
            release();
            return taken ? Claim::alreadyTaken : Claim::unavailable;
        }
        unlink (channel.toRawUTF8());
    }

    listenFd = socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd < 0)
    {
        release();
        return Claim::unavailable;
    }
    if (bind (listenFd, reinterpret_cast<const sockaddr*> (&address), length) != 0)
    {
        const bool taken = errno == EADDRINUSE;
        release();
        return taken ? Claim::alreadyTaken : Claim::unavailable;
    }
    // Starts that come before the listening thread runs wait in the backlog.
    if (::listen (listenFd, 8) != 0)
    {
        release();
        return Claim::unavailable;
    }
    return Claim::first;
}

SingleInstance::Answer SingleInstance::sendToHolder (const juce::String& channel,
                                                     const juce::StringArray& paths)
{
    // One deadline for the whole hand-over, and the holder is told exactly
    // it: it takes nothing after this start has given up and opened them.
    const auto answerBy = monotonicMilliseconds() + kAnswerDeadlineMs;
    const auto deadline = Clock::time_point (std::chrono::milliseconds (answerBy));
    sockaddr_un address{};
    socklen_t length = 0;
    if (!makeAddress (channel, address, length))
        return Answer::gone;
    const Descriptor fd (socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.get() < 0)
        return Answer::gone;

    // Connecting and sending wait while the holder's backlog is full.
    if (!limitSendingTo (fd.get(), deadline))
        return Answer::unanswered;
    if (connect (fd.get(), reinterpret_cast<const sockaddr*> (&address), length) != 0)
        return errno == EAGAIN || errno == EINTR ? Answer::unanswered : Answer::gone;
    // An abstract name carries no permissions: whoever holds ours must be us.
    if (!fromSameUser (fd.get()))
        return Answer::gone;

    const auto message = encode ({answerBy, paths});
    const auto* bytes = static_cast<const char*> (message.getData());
    for (size_t done = 0; done < message.getSize();)
    {
        if (!limitSendingTo (fd.get(), deadline))
            return Answer::unanswered;
        const auto n = send (fd.get(), bytes + done, message.getSize() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno == EAGAIN ? Answer::unanswered : Answer::gone;
        done += static_cast<size_t> (n);
    }
    shutdown (fd.get(), SHUT_WR);

    while (waitToRead (fd.get(), -1, deadline) == Ready::readable)
    {
        char answer = 0;
        const auto n = recv (fd.get(), &answer, 1, MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n == 1)
            return answer == kTakenByte ? Answer::taken : Answer::unanswered;
        return Answer::gone; // closed unanswered: it is ending
    }
    return Answer::unanswered;
}

void SingleInstance::startListening (std::function<void (const HandOver&)> onHandOver)
{
    if (listenFd < 0 || listener.joinable())
        return;
    wakeFd = eventfd (0, EFD_CLOEXEC);
    if (wakeFd < 0)
        return;
    stopping = false;
    deliver = std::move (onHandOver);
    listener = std::thread ([this] { serve(); });
}

void SingleInstance::stopListening()
{
    if (listener.joinable())
    {
        stopping = true;
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = write (wakeFd, &one, sizeof (one));
        {
            const std::scoped_lock guard (pendingLock);
            if (pending != nullptr)
            {
                const std::scoped_lock receiptGuard (pending->lock);
                pending->changed.notify_all();
            }
        }
        listener.join();
    }
    release();
}

void SingleInstance::release()
{
    // The socket goes first: a later start that finds no listener claims anew.
    if (listenFd >= 0)
    {
        close (listenFd);
        listenFd = -1;
        if (lockFd >= 0)
            unlink (channel.toRawUTF8());
    }
    for (auto* fd : {&lockFd, &wakeFd})
        if (*fd >= 0)
        {
            close (*fd);
            *fd = -1;
        }
}

void SingleInstance::serve()
{
    for (;;)
    {
        if (waitToRead (listenFd, wakeFd, Clock::time_point::max()) != Ready::readable)
            return;
        const Descriptor connection (accept4 (listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (connection.get() < 0 &&
            (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM))
        {
            // Out of descriptors: the start stays in the backlog (and waits
            // its own deadline) while this thread waits, rather than spin
            // on a listener that stays readable.
            waitToRead (wakeFd, -1, Clock::now() + std::chrono::milliseconds (kAcceptRetryMs));
        }
        else if (connection.get() >= 0 && fromSameUser (connection.get()))
        {
            answerOne (connection.get());
        }
        if (stopping)
            return;
    }
}

void SingleInstance::answerOne (int connection)
{
    // One deadline for the whole message, however it comes in.
    const auto deadline = Clock::now() + std::chrono::milliseconds (kMessageDeadlineMs);
    juce::MemoryBlock bytes;
    for (;;)
    {
        if (waitToRead (connection, wakeFd, deadline) != Ready::readable)
            return; // a half message is no message
        char buffer[4096];
        const auto n = recv (connection, buffer, sizeof (buffer), 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n < 0)
            return;
        if (n == 0)
            break;
        if (bytes.getSize() + static_cast<size_t> (n) > static_cast<size_t> (kMaxMessageBytes))
            return;
        bytes.append (buffer, static_cast<size_t> (n));
    }

    auto message = decode (bytes);
    if (!message)
        return;
    const auto waitMs = takeWindowMs (message->answerBy, monotonicMilliseconds());
    HandOver handOver;
    handOver.paths = std::move (message->paths);
    handOver.receipt = std::make_shared<Receipt> (Clock::now() + std::chrono::milliseconds (waitMs));
    auto& receipt = *handOver.receipt;
    {
        const std::scoped_lock guard (pendingLock);
        pending = handOver.receipt;
    }
    deliver (handOver);

    using State = Receipt::State;
    State outcome;
    {
        std::unique_lock guard (receipt.lock);
        receipt.changed.wait_until (guard, receipt.deadline,
                                    [&] { return receipt.state != State::waiting || stopping; });
        if (receipt.state == State::waiting)
            receipt.state = State::abandoned;
        outcome = receipt.state;
    }
    {
        const std::scoped_lock guard (pendingLock);
        pending.reset();
    }
    // Listening ended without the paths taken: no answer, so the sender tries anew.
    if (outcome == State::abandoned && stopping)
        return;
    const char answer = outcome == State::taken ? kTakenByte : kRefusedByte;
    [[maybe_unused]] const auto sent = send (connection, &answer, 1, MSG_NOSIGNAL);
}

int SingleInstance::takeWindowMs (std::int64_t answerBy, std::int64_t now)
{
    // Taken only while the sender waits, with time for the answer to reach
    // it. No sender waits longer than kAnswerDeadlineMs: a deadline further
    // off is garbage, and is not waited for either.
    if (answerBy <= now || answerBy - now > kAnswerDeadlineMs)
        return 0;
    return static_cast<int> (std::clamp<std::int64_t> (answerBy - now - kAnswerMarginMs, 0, kTakeDeadlineMs));
}

int SingleInstance::pathsThatFit (const juce::StringArray& paths)
{
    size_t size = kAnswerByBytes;
    for (int i = 0; i < paths.size(); ++i)
    {
        size += std::strlen (paths[i].toRawUTF8()) + 1; // with its zero byte
        if (size > static_cast<size_t> (kMaxMessageBytes))
            return i;
    }
    return paths.size();
}

juce::MemoryBlock SingleInstance::encode (const Message& message)
{
    juce::MemoryBlock bytes;
    auto answerBy = static_cast<std::uint64_t> (message.answerBy);
    for (size_t i = 0; i < kAnswerByBytes; ++i, answerBy >>= 8)
    {
        const auto byte = static_cast<std::uint8_t> (answerBy & 0xff);
        bytes.append (&byte, 1);
    }
    const int fit = pathsThatFit (message.paths);
    for (int i = 0; i < fit; ++i)
    {
        const auto utf8 = message.paths[i].toRawUTF8();
        bytes.append (utf8, std::strlen (utf8) + 1); // with its zero byte
    }
    return bytes;
}

std::optional<SingleInstance::Message> SingleInstance::decode (const juce::MemoryBlock& bytes)
{
    constexpr size_t kHeader = kAnswerByBytes;
    if (bytes.getSize() < kHeader)
        return std::nullopt;
    Message message;
    const auto* data = static_cast<const char*> (bytes.getData());
    std::uint64_t answerBy = 0;
    for (size_t i = kHeader; i-- > 0;)
        answerBy = (answerBy << 8) | static_cast<std::uint8_t> (data[i]);
    message.answerBy = static_cast<std::int64_t> (answerBy);

    size_t start = kHeader;
    for (size_t i = kHeader; i < bytes.getSize(); ++i)
        if (data[i] == 0)
        {
            // Taken byte for byte: a name on disk need not be valid UTF-8.
            if (i > start)
                message.paths.add (
                    juce::String (juce::CharPointer_UTF8 (data + start), juce::CharPointer_UTF8 (data + i)));
            start = i + 1;
        }
    return message;
}

std::int64_t SingleInstance::monotonicMilliseconds()
{
    // The steady clock is CLOCK_MONOTONIC: one clock for every process.
    return std::chrono::duration_cast<std::chrono::milliseconds> (Clock::now().time_since_epoch()).count();
}

juce::String SingleInstance::channelIn (const juce::String& name, const juce::String& runtimeFolder)
{
    const auto abstractName = name + "." + juce::String (static_cast<int> (getuid()));
    if (!runtimeFolder.startsWithChar ('/'))
        return abstractName;
    struct stat folder
    {
    };
    if (stat (runtimeFolder.toRawUTF8(), &folder) != 0 || !S_ISDIR (folder.st_mode) ||
        folder.st_uid != getuid() || (folder.st_mode & 077) != 0)
        return abstractName;
    const auto path =
        runtimeFolder.trimCharactersAtEnd ("/") + "/" + name.replaceCharacter ('/', '_') + ".socket";
    // Room for the lock file's name beside it is not needed in the address.
    if (std::strlen (path.toRawUTF8()) >= sizeof (sockaddr_un::sun_path))
        return abstractName;
    return path;
}

juce::String SingleInstance::defaultChannelName()
{
    const auto chosen = juce::SystemStats::getEnvironmentVariable ("VR_INSTANCE_CHANNEL", {});
    return channelIn (chosen.isNotEmpty() ? chosen : juce::String ("vr-soundeditor"),
                      juce::SystemStats::getEnvironmentVariable ("XDG_RUNTIME_DIR", {}));
}
} // namespace vr
