#include "app/InstanceChannel.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace InstanceChannel {

namespace {

Delivery failure(const QString& error) {
    return {Delivery::Result::failed, error};
}

} // namespace

QString defaultSocketPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("vantri-%1.socket").arg(::getuid()));
}

QString startLockPath(const QString& socketPath) {
    return socketPath + QStringLiteral(".lock");
}

Delivery deliver(const QString& socketPath, InstanceCommand command,
                 std::chrono::milliseconds timeout) {
    const QDeadlineTimer deadline(timeout);
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(deadline.remainingTime())) {
        switch (socket.error()) {
        case QLocalSocket::ServerNotFoundError:
        // A socket file that nobody listens on is what a crashed instance leaves.
        case QLocalSocket::ConnectionRefusedError:
            return {Delivery::Result::noInstance, {}};
        default:
            return failure(QStringLiteral("cannot reach the running Vantri at %1: %2")
                               .arg(socketPath, socket.errorString()));
        }
    }

    socket.write(InstanceCommands::name(command).toLatin1() + '\n');
    while (!socket.canReadLine()) {
        if (socket.bytesAvailable() > maximumLineLength)
            return failure(QStringLiteral("the running Vantri gave an answer this program does "
                                          "not understand"));
        if (!socket.waitForReadyRead(deadline.remainingTime())) {
            return failure(socket.state() == QLocalSocket::UnconnectedState
                               ? QStringLiteral("the running Vantri closed the connection "
                                                "without answering")
                               : QStringLiteral("the running Vantri did not answer in time"));
        }
    }
    const QByteArray answer = socket.readLine(maximumLineLength + 1).trimmed();
    if (answer.startsWith("error "))
        return failure(
            QStringLiteral("the running Vantri refused '%1': %2")
                .arg(InstanceCommands::name(command), QString::fromUtf8(answer.mid(qsizetype(6)))));
    if (answer != "ok")
        return failure(QStringLiteral("the running Vantri gave an answer this program does "
                                      "not understand"));

    // After "quit" the connection stays open until the instance has left its
    // event loop, so returning here means the instance is ending.
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(deadline.remainingTime());
    return {Delivery::Result::carriedOut, {}};
}

} // namespace InstanceChannel
