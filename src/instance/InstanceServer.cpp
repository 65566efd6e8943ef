// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "instance/InstanceServer.h"

#include "control/PeerUser.h"
#include "product/Diagnostics.h"

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace {

// How long accepting pauses when the process ran out of descriptors or memory.
constexpr int acceptRetryMs = 100;

void answer(int fd, const char* line) {
    (void)!::send(fd, line, std::strlen(line), MSG_NOSIGNAL | MSG_DONTWAIT);
}

} // namespace

// One client's connection, from acceptance until it is answered or dropped.
class InstanceServer::Connection : public QObject {
public:
    Connection(int fd, QObject* parent)
        : QObject(parent)
        , fd(fd)
        , notifier(fd, QSocketNotifier::Read) {
        deadline.setSingleShot(true);
    }
    ~Connection() override {
        if (fd >= 0)
            ::close(fd);
    }

    int fd;
    std::string received;
    QSocketNotifier notifier;
    QTimer deadline;
    bool isCarryingOut = false;
};

InstanceServer::InstanceServer(QString socketPath, Handler handler, QObject* parent)
    : QObject(parent)
    , _socketPath(std::move(socketPath))
    , _handler(std::move(handler)) {}

InstanceServer::~InstanceServer() {
    close();
    for (const int fd : _ending)
        ::close(fd);
}

bool InstanceServer::listen() {
    close();
    const QByteArray path = _socketPath.toLocal8Bit();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (static_cast<std::size_t>(path.size()) >= sizeof address.sun_path) {
        _error = QStringLiteral("the path is too long for a socket");
        return false;
    }
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()) + 1);

    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listener < 0) {
        _error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    ::unlink(path.constData());
    // Only this user may connect; the folder is private as well, and every
    // peer is checked besides.
    const mode_t previousMask = ::umask(0077);
    const bool bound =
        ::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::umask(previousMask);
    struct stat socketFile {};
    if (!bound || ::listen(listener, SOMAXCONN) != 0 ||
        ::stat(path.constData(), &socketFile) != 0) {
        _error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(listener);
        return false;
    }
    _listener = listener;
    _socketDevice = socketFile.st_dev;
    _socketInode = socketFile.st_ino;
    _acceptNotifier = new QSocketNotifier(listener, QSocketNotifier::Read, this);
    connect(_acceptNotifier, &QSocketNotifier::activated, this, &InstanceServer::acceptConnections);
    return true;
}

void InstanceServer::close() {
    if (_listener < 0)
        return;
    // Deleted later: its own signal may be what called.
    _acceptNotifier->setEnabled(false);
    std::exchange(_acceptNotifier, nullptr)->deleteLater();
    ::close(_listener);
    _listener = -1;
    // A later instance may already have replaced the file: leave that one be.
    const QByteArray path = _socketPath.toLocal8Bit();
    struct stat socketFile {};
    if (::stat(path.constData(), &socketFile) == 0 && socketFile.st_dev == _socketDevice &&
        socketFile.st_ino == _socketInode)
        ::unlink(path.constData());
}

void InstanceServer::acceptConnections() {
    while (_listener >= 0) {
        const int fd = ::accept4(_listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            admit(fd);
            continue;
        }
        switch (errno) {
        case EAGAIN:
#if EAGAIN != EWOULDBLOCK
        case EWOULDBLOCK:
#endif
            return;
        case EINTR:
        case ECONNABORTED:
        case EPROTO:
            continue;
        case EMFILE:
        case ENFILE:
        case ENOBUFS:
        case ENOMEM:
            // The connection stays queued; try again once some may have been freed.
            _acceptNotifier->setEnabled(false);
            QTimer::singleShot(acceptRetryMs, this, [this] {
                if (_acceptNotifier) {
                    _acceptNotifier->setEnabled(true);
                    acceptConnections();
                }
            });
            return;
        default:
            qCWarning(vantriLog, "the instance socket failed (%s); listening again",
                      std::strerror(errno));
            if (!listen())
                qCWarning(vantriLog, "cannot listen on %s (%s)", qPrintable(_socketPath),
                          qPrintable(_error));
            return;
        }
    }
}

void InstanceServer::admit(int fd) {
    if (peerUser(fd) != ::getuid()) {
        ::close(fd);
        return;
    }
    if (_connections.size() >= maximumConnections) {
        const auto oldestWaiting =
            std::find_if(_connections.begin(), _connections.end(),
                         [](const Connection* connection) { return !connection->isCarryingOut; });
        if (oldestWaiting == _connections.end()) {
            ::close(fd);
            return;
        }
        drop(*oldestWaiting);
    }
    auto* connection = new Connection(fd, this);
    connect(&connection->notifier, &QSocketNotifier::activated, this,
            [this, connection] { readFrom(connection); });
    connect(&connection->deadline, &QTimer::timeout, this,
            [this, connection] { drop(connection); });
    connection->deadline.start(lineTimeoutMs);
    _connections.push_back(connection);
    // The line usually arrives with the connection.
    readFrom(connection);
}

void InstanceServer::readFrom(Connection* connection) {
    char buffer[InstanceProtocol::maximumLineLength + 1];
    for (;;) {
        const ssize_t count = ::recv(connection->fd, buffer, sizeof buffer, 0);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (count <= 0) {
            drop(connection);
            return;
        }
        connection->received.append(buffer, static_cast<std::size_t>(count));
        const InstanceProtocol::CommandRequest request =
            InstanceProtocol::readCommand(connection->received);
        switch (request.status) {
        case InstanceProtocol::CommandRequest::Status::incomplete:
            continue;
        case InstanceProtocol::CommandRequest::Status::tooLong:
            drop(connection);
            return;
        case InstanceProtocol::CommandRequest::Status::unknownCommand:
            answer(connection->fd, "error unknown command\n");
            drop(connection);
            return;
        case InstanceProtocol::CommandRequest::Status::command:
            carryOut(connection, request);
            return;
        }
    }
}

void InstanceServer::carryOut(Connection* connection,
                              const InstanceProtocol::CommandRequest& request) {
    const InstanceCommand command = request.command;
    // One command per connection: whatever follows is ignored.
    connection->isCarryingOut = true;
    connection->notifier.setEnabled(false);
    connection->deadline.stop();
    if (command == InstanceCommand::quit) {
        // Stop listening before quitting, so that a start which comes after
        // the answer never reaches this ending process. The connection
        // closes when the process ends, which is what the client waits for.
        const int fd = std::exchange(connection->fd, -1);
        _ending.push_back(fd);
        drop(connection);
        close();
        _handler(command, request.activation);
        answer(fd, "ok\n");
        return;
    }
    // The handler may spin an event loop of its own; the connection stays
    // open meanwhile, as only connections still waiting for their line are
    // ever dropped.
    _handler(command, request.activation);
    answer(connection->fd, "ok\n");
    drop(connection);
}

void InstanceServer::drop(Connection* connection) {
    const auto owned = std::find(_connections.begin(), _connections.end(), connection);
    if (owned == _connections.end())
        return;
    _connections.erase(owned);
    connection->notifier.setEnabled(false);
    connection->deadline.stop();
    if (connection->fd >= 0)
        ::close(std::exchange(connection->fd, -1));
    // Deleted later: its notifier or timer may be what called.
    connection->deleteLater();
}
