#include "SingleInstance.h"

#include "AppInfo.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace vr
{
namespace
{
// A sender that stalls must not hold the listener up for long.
constexpr int kReceiveTimeoutMs = 1000;

socklen_t abstractAddress (const juce::String& name, sockaddr_un& address)
{
    std::memset (&address, 0, sizeof (address));
    address.sun_family = AF_UNIX;
    // A leading zero byte puts the name in the abstract namespace.
    const auto utf8 = name.toRawUTF8();
    const auto length = std::min (std::strlen (utf8), sizeof (address.sun_path) - 1);
    std::memcpy (address.sun_path + 1, utf8, length);
    return static_cast<socklen_t> (offsetof (sockaddr_un, sun_path) + 1 + length);
}

void setTimeouts (int fd)
{
    timeval timeout{kReceiveTimeoutMs / 1000, (kReceiveTimeoutMs % 1000) * 1000};
    setsockopt (fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof (timeout));
    setsockopt (fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof (timeout));
}

bool fromSameUser (int connection)
{
    ucred peer{};
    socklen_t size = sizeof (peer);
    return getsockopt (connection, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == getuid();
}
} // namespace

SingleInstance::SingleInstance (juce::String channelName)
    : name (std::move (channelName))
{
}

SingleInstance::~SingleInstance()
{
    stopListening();
    if (listenFd >= 0)
        close (listenFd);
}

SingleInstance::Claim SingleInstance::claim()
{
    if (listenFd >= 0)
        return Claim::first;

    const int fd = socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return Claim::unavailable;

    sockaddr_un address{};
    const auto length = abstractAddress (name, address);
    if (bind (fd, reinterpret_cast<const sockaddr*> (&address), length) != 0)
    {
        const bool taken = errno == EADDRINUSE;
        close (fd);
        return taken ? Claim::alreadyTaken : Claim::unavailable;
    }
    // Starts that come before the listening thread runs wait in the backlog.
    if (::listen (fd, 8) != 0)
    {
        close (fd);
        return Claim::unavailable;
    }
    listenFd = fd;
    return Claim::first;
}

bool SingleInstance::sendToHolder (const juce::String& channelName, const juce::String& text)
{
    const int fd = socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    setTimeouts (fd);

    sockaddr_un address{};
    const auto length = abstractAddress (channelName, address);
    // Abstract names carry no permissions: whoever holds ours must be us.
    bool sent = connect (fd, reinterpret_cast<const sockaddr*> (&address), length) == 0 && fromSameUser (fd);

    const auto utf8 = text.toRawUTF8();
    const auto total = std::min (std::strlen (utf8), static_cast<size_t> (kMaxMessageBytes));
    for (size_t done = 0; sent && done < total;)
    {
        const auto n = send (fd, utf8 + done, total - done, MSG_NOSIGNAL);
        if (n <= 0)
            sent = false;
        else
            done += static_cast<size_t> (n);
    }
    close (fd);
    return sent;
}

void SingleInstance::startListening (std::function<void (const juce::String&)> onMessage)
{
    if (listenFd < 0 || listener.joinable())
        return;
    wakeFd = eventfd (0, EFD_CLOEXEC);
    if (wakeFd < 0)
        return;
    deliver = std::move (onMessage);
    listener = std::thread ([this] { serve(); });
}

void SingleInstance::stopListening()
{
    if (!listener.joinable())
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = write (wakeFd, &one, sizeof (one));
    listener.join();
    close (wakeFd);
    wakeFd = -1;
}

void SingleInstance::serve()
{
    for (;;)
    {
        pollfd fds[] = {{listenFd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        if (poll (fds, 2, -1) < 0)
        {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        if ((fds[0].revents & POLLIN) == 0)
            continue;

        const int connection = accept4 (listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            continue;
        if (fromSameUser (connection))
            readOneMessage (connection);
        close (connection);
    }
}

void SingleInstance::readOneMessage (int connection)
{
    setTimeouts (connection);
    juce::MemoryBlock bytes;
    char buffer[4096];
    for (;;)
    {
        const auto n = recv (connection, buffer, sizeof (buffer), 0);
        if (n < 0)
            return; // timed out or broken: a half message is no message
        if (n == 0)
            break;
        if (bytes.getSize() + static_cast<size_t> (n) > static_cast<size_t> (kMaxMessageBytes))
            return;
        bytes.append (buffer, static_cast<size_t> (n));
    }
    deliver (juce::String::fromUTF8 (static_cast<const char*> (bytes.getData()),
                                     static_cast<int> (bytes.getSize())));
}

juce::String SingleInstance::defaultChannelName()
{
    const auto chosen = juce::SystemStats::getEnvironmentVariable ("VR_INSTANCE_CHANNEL", {});
    if (chosen.isNotEmpty())
        return chosen;
    return juce::String (kApplicationName) + "." + juce::String (static_cast<int> (getuid()));
}
} // namespace vr
