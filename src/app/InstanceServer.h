#pragma once

#include "app/InstanceCommand.h"

#include <QLocalServer>
#include <QObject>
#include <functional>

class QLocalSocket;

// The running instance's end of the instance channel: reads one command per
// connection, carries it out through `handler` on the main thread and answers
// once the handler has returned.
class InstanceServer : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void(InstanceCommand)>;

    InstanceServer(QString socketPath, Handler handler, QObject* parent = nullptr);

    // Call only when no instance answered at the socket path, with the start
    // lock held: whatever sits at the path then is left over from an instance
    // that ended without cleaning up, and is replaced.
    bool listen();
    bool isListening() const { return _server.isListening(); }
    QString errorString() const { return _server.errorString(); }

private:
    void acceptConnections();
    void readCommand(QLocalSocket* connection);
    void answer(QLocalSocket* connection, const QByteArray& line);

    QString _socketPath;
    Handler _handler;
    QLocalServer _server;
};
