#include "app/InstanceServer.h"

#include "app/InstanceChannel.h"

#include <QLocalSocket>
#include <QPointer>

InstanceServer::InstanceServer(QString socketPath, Handler handler, QObject* parent)
    : QObject(parent)
    , _socketPath(std::move(socketPath))
    , _handler(std::move(handler)) {
    _server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&_server, &QLocalServer::newConnection, this, &InstanceServer::acceptConnections);
}

bool InstanceServer::listen() {
    QLocalServer::removeServer(_socketPath);
    return _server.listen(_socketPath);
}

void InstanceServer::acceptConnections() {
    while (QLocalSocket* connection = _server.nextPendingConnection()) {
        connect(connection, &QLocalSocket::readyRead, this,
                [this, connection] { readCommand(connection); });
        connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
        // Bytes may have arrived before the connection was taken.
        if (connection->bytesAvailable() > 0)
            readCommand(connection);
    }
}

void InstanceServer::readCommand(QLocalSocket* connection) {
    if (!connection->canReadLine()) {
        if (connection->bytesAvailable() > InstanceChannel::maximumLineLength)
            connection->abort();
        return;
    }
    // One command per connection: whatever follows is ignored.
    disconnect(connection, &QLocalSocket::readyRead, this, nullptr);
    const QByteArray line = connection->readLine(InstanceChannel::maximumLineLength + 1).trimmed();
    const std::optional<InstanceCommand> command =
        InstanceCommands::fromName(QString::fromUtf8(line));
    if (!command) {
        answer(connection, "error unknown command");
        connection->disconnectFromServer();
        return;
    }

    const bool quitting = *command == InstanceCommand::quit;
    // Stop listening before quitting, so that a start which comes after the
    // answer never reaches this ending process.
    if (quitting)
        _server.close();
    // The handler may spin an event loop of its own, in which the client can
    // go away and its connection be deleted.
    const QPointer<QLocalSocket> guardedConnection(connection);
    _handler(*command);
    if (!guardedConnection)
        return;
    answer(connection, "ok");
    // After "quit" the connection closes when the process tears down, which is
    // what the client waits for.
    if (!quitting)
        connection->disconnectFromServer();
}

void InstanceServer::answer(QLocalSocket* connection, const QByteArray& line) {
    connection->write(line + '\n');
    // Written now rather than from the event loop, which "quit" is about to leave.
    connection->flush();
}
