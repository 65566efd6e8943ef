// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "control/InstanceClient.h"

#include "control/PeerUser.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace InstanceClient {

namespace {

using Clock = std::chrono::steady_clock;

Delivery failure(std::string error) {
    return {Delivery::Result::failed, InstanceProtocol::printable(error)};
}

class Socket {
public:
    Socket()
        : _fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {}
    ~Socket() {
        if (_fd >= 0)
            ::close(_fd);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return _fd; }

private:
    int _fd;
};

int remainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for `fd` to become readable; false when the deadline passed first.
bool awaitReadable(int fd, Clock::time_point deadline) {
    for (;;) {
        pollfd watched{fd, POLLIN, 0};
        const int ready = ::poll(&watched, 1, remainingMs(deadline));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

} // namespace

Delivery deliver(const std::string& socketPath, InstanceCommand command,
                 std::chrono::milliseconds timeout, const ActivationToken& activation) {
    const Clock::time_point deadline = Clock::now() + timeout;
    const std::string reachError = "cannot reach the running Vantri at " + socketPath + ": ";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path)
        return failure(reachError + "the path is too long for a socket");
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);

    Socket socket;
    if (socket.fd() < 0)
        return failure(reachError + std::strerror(errno));
    // A listener whose queue is full keeps connect waiting; the send timeout
    // bounds that wait.
    const auto connectWait = std::chrono::duration_cast<std::chrono::microseconds>(timeout);
    const timeval wait{static_cast<time_t>(connectWait.count() / 1'000'000),
                       static_cast<suseconds_t>(connectWait.count() % 1'000'000)};
    ::setsockopt(socket.fd(), SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
    int connected = -1;
    do
        connected =
            ::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    while (connected != 0 && errno == EINTR);
    if (connected != 0) {
        switch (errno) {
        case ENOENT:
        // A socket file that nobody listens on is what a crashed instance leaves.
        case ECONNREFUSED:
            return {Delivery::Result::noInstance, {}};
        case EAGAIN:
            return failure("the running Vantri did not answer in time");
        default:
            return failure(reachError + std::strerror(errno));
        }
    }
    const std::optional<uid_t> owner = peerUser(socket.fd());
    if (owner != ::getuid())
        return failure("the socket at " + socketPath + " is served by " +
                       (owner ? "another user (uid " + std::to_string(*owner) + ")"
                              : std::string("a process of unknown user")) +
                       "; refusing to use it");

    const std::string line = InstanceProtocol::requestLine(command, activation);
    if (::send(socket.fd(), line.data(), line.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(line.size()))
        return failure("the running Vantri closed the connection without answering");

    std::string received;
    InstanceProtocol::Answer answer;
    while (answer.status == InstanceProtocol::Answer::Status::incomplete) {
        if (!awaitReadable(socket.fd(), deadline))
            return failure("the running Vantri did not answer in time");
        char buffer[InstanceProtocol::maximumLineLength + 2];
        const ssize_t count = ::recv(socket.fd(), buffer, sizeof buffer, 0);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return failure("the running Vantri closed the connection without answering");
        received.append(buffer, static_cast<std::size_t>(count));
        answer = InstanceProtocol::readAnswer(received);
    }
    switch (answer.status) {
    case InstanceProtocol::Answer::Status::ok:
        break;
    case InstanceProtocol::Answer::Status::refused:
        return failure("the running Vantri refused '" +
                       std::string(InstanceProtocol::name(command)) + "': " + answer.reason);
    case InstanceProtocol::Answer::Status::incomplete:
    case InstanceProtocol::Answer::Status::notUnderstood:
        return failure("the running Vantri gave an answer this program does not understand");
    }

    // After "quit" the connection stays open until the instance has left its
    // event loop, so returning here means the instance is ending.
    char rest[256];
    while (awaitReadable(socket.fd(), deadline)) {
        const ssize_t count = ::recv(socket.fd(), rest, sizeof rest, 0);
        if (count == 0 || (count < 0 && errno != EINTR))
            break;
    }
    return {Delivery::Result::carriedOut, {}};
}

} // namespace InstanceClient
