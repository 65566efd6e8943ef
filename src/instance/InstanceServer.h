// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "control/InstanceProtocol.h"

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

class QSocketNotifier;

// The running instance's end of the instance channel: reads one command per
// connection, carries it out through `handler` on the main thread and answers
// once the handler has returned. Only peers of this user are heard. At most
// `maximumConnections` wait for their line at once, each for at most
// `lineTimeout`; when more arrive, the one that has waited longest is dropped,
// so idle connections can never keep a real command out. Lines longer than the
// protocol allows are dropped unanswered. When accepting fails for want of
// descriptors or memory the server pauses briefly and tries again; when the
// listening socket itself fails, it listens anew at the same path.
class InstanceServer : public QObject {
    Q_OBJECT

public:
    // The command and the activation tokens that came with it.
    using Handler = std::function<void(InstanceCommand, const ActivationToken&)>;

    static constexpr std::size_t maximumConnections = 16;
    static constexpr int lineTimeoutMs = 1000;

    InstanceServer(QString socketPath, Handler handler, QObject* parent = nullptr);
    ~InstanceServer() override;

    // At start, call only when no instance answered at the socket path, with
    // the start lock held: whatever sits at the path then is left over from
    // an instance that ended without cleaning up, and is replaced. When its
    // own listening socket fails, the server calls it again without the lock:
    // the path is still this instance's, and only a start that looks in the
    // moment between closing the old socket and binding the new one can find
    // no instance there and bring up another.
    bool listen();
    bool isListening() const { return _listener >= 0; }
    QString errorString() const { return _error; }

private:
    struct Connection;

    void acceptConnections();
    void admit(int fd);
    void readFrom(Connection* connection);
    void carryOut(Connection* connection, const InstanceProtocol::CommandRequest& request);
    void drop(Connection* connection);
    void close();

    QString _socketPath;
    Handler _handler;
    QString _error;
    int _listener = -1;
    // The socket file this server made, to remove it on close only if it is still there.
    dev_t _socketDevice = 0;
    ino_t _socketInode = 0;
    QSocketNotifier* _acceptNotifier = nullptr; // a child, while listening
    // Children of the server, oldest first.
    std::vector<Connection*> _connections;
    // Connections answered "ok" to "quit": they close as the process ends.
    std::vector<int> _ending;
};
