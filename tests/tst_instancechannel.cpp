#include "TempTree.h"
#include "app/InstanceChannel.h"
#include "app/InstanceServer.h"

#include <QFuture>
#include <QLocalServer>
#include <QLocalSocket>
#include <QtConcurrent>
#include <QtTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace std::chrono_literals;
using Delivery = InstanceChannel::Delivery;

// The instance channel's two ends in one process: the server on the main
// thread, each delivery on a thread of its own, as a second process would be.
class TestInstanceChannel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void deliversEachCommandAfterCarryingItOut();
    void findsNoInstanceWhereNobodyListens();
    void replacesWhatACrashedInstanceLeft();
    void quitStopsListeningBeforeAnswering();
    void refusesWhatIsNotACommand();
    void reportsAnInstanceThatDoesNotAnswer();

private:
    static QFuture<Delivery> deliverInBackground(const QString& socketPath, InstanceCommand command,
                                                 std::chrono::milliseconds timeout = 30s) {
        return QtConcurrent::run(
            [=] { return InstanceChannel::deliver(socketPath, command, timeout); });
    }
    // Sends raw bytes and collects whatever comes back until the server closes.
    static QByteArray exchangeRaw(const QString& socketPath, const QByteArray& bytes);
};

QByteArray TestInstanceChannel::exchangeRaw(const QString& socketPath, const QByteArray& bytes) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected())
        return "not connected";
    socket.write(bytes);
    QByteArray received;
    QObject::connect(&socket, &QLocalSocket::readyRead, &socket,
                     [&] { received += socket.readAll(); });
    QSignalSpy closed(&socket, &QLocalSocket::disconnected);
    if (!closed.wait(30'000))
        return "not closed";
    return received + socket.readAll();
}

void TestInstanceChannel::deliversEachCommandAfterCarryingItOut() {
    TempTree tree;
    const QString socketPath = tree.path(QStringLiteral("vantri.socket"));
    QList<InstanceCommand> carriedOut;
    InstanceServer server(socketPath,
                          [&carriedOut](InstanceCommand command) { carriedOut.append(command); });
    QVERIFY(server.listen());

    const QList<InstanceCommand> commands = {InstanceCommand::toggle, InstanceCommand::show,
                                             InstanceCommand::hide, InstanceCommand::settings,
                                             InstanceCommand::toggle};
    for (InstanceCommand command : commands) {
        const qsizetype before = carriedOut.size();
        const QFuture<Delivery> delivery = deliverInBackground(socketPath, command);
        QTRY_VERIFY_WITH_TIMEOUT(delivery.isFinished(), 30'000);
        QCOMPARE(delivery.result().result, Delivery::Result::carriedOut);
        QCOMPARE(carriedOut.size(), before + 1);
        QCOMPARE(carriedOut.last(), command);
    }
    QCOMPARE(carriedOut, commands);
    QVERIFY(server.isListening());
}

void TestInstanceChannel::findsNoInstanceWhereNobodyListens() {
    TempTree tree;
    const QString socketPath = tree.path(QStringLiteral("vantri.socket"));
    QCOMPARE(InstanceChannel::deliver(socketPath, InstanceCommand::show, 30s).result,
             Delivery::Result::noInstance);
    QVERIFY(!QFileInfo::exists(socketPath));

    const QString inMissingFolder = tree.path(QStringLiteral("missing/vantri.socket"));
    QCOMPARE(InstanceChannel::deliver(inMissingFolder, InstanceCommand::quit, 30s).result,
             Delivery::Result::noInstance);
}

void TestInstanceChannel::replacesWhatACrashedInstanceLeft() {
    TempTree tree;
    const QString socketPath = tree.path(QStringLiteral("vantri.socket"));
    // A socket file that nobody listens on, as a killed instance leaves it.
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(descriptor >= 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encodedPath = QFile::encodeName(socketPath);
    QVERIFY(size_t(encodedPath.size()) < sizeof(address.sun_path));
    std::copy(encodedPath.begin(), encodedPath.end(), address.sun_path);
    QCOMPARE(::bind(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    QCOMPARE(::close(descriptor), 0);
    QVERIFY(QFileInfo::exists(socketPath));
    QCOMPARE(InstanceChannel::deliver(socketPath, InstanceCommand::toggle, 30s).result,
             Delivery::Result::noInstance);

    int carriedOut = 0;
    InstanceServer server(socketPath, [&carriedOut](InstanceCommand) { ++carriedOut; });
    QVERIFY2(server.listen(), qPrintable(server.errorString()));
    const QFuture<Delivery> delivery = deliverInBackground(socketPath, InstanceCommand::toggle);
    QTRY_VERIFY_WITH_TIMEOUT(delivery.isFinished(), 30'000);
    QCOMPARE(delivery.result().result, Delivery::Result::carriedOut);
    QCOMPARE(carriedOut, 1);
}

void TestInstanceChannel::quitStopsListeningBeforeAnswering() {
    TempTree tree;
    const QString socketPath = tree.path(QStringLiteral("vantri.socket"));
    std::unique_ptr<InstanceServer> server;
    bool listeningWhileQuitting = true;
    server = std::make_unique<InstanceServer>(socketPath, [&](InstanceCommand command) {
        QCOMPARE(command, InstanceCommand::quit);
        listeningWhileQuitting = server->isListening();
    });
    QVERIFY(server->listen());

    const QFuture<Delivery> delivery = deliverInBackground(socketPath, InstanceCommand::quit);
    QTRY_VERIFY_WITH_TIMEOUT(!server->isListening(), 30'000);
    QVERIFY(!listeningWhileQuitting);
    QVERIFY(!QFileInfo::exists(socketPath));
    // The client waits until the quitting instance closes the connection.
    QVERIFY(!delivery.isFinished());
    server.reset();
    QTRY_VERIFY_WITH_TIMEOUT(delivery.isFinished(), 30'000);
    QCOMPARE(delivery.result().result, Delivery::Result::carriedOut);
}

void TestInstanceChannel::refusesWhatIsNotACommand() {
    TempTree tree;
    const QString socketPath = tree.path(QStringLiteral("vantri.socket"));
    int carriedOut = 0;
    InstanceServer server(socketPath, [&carriedOut](InstanceCommand) { ++carriedOut; });
    QVERIFY(server.listen());

    QCOMPARE(exchangeRaw(socketPath, "open\n"), QByteArray("error unknown command\n"));
    QCOMPARE(exchangeRaw(socketPath, "TOGGLE\n"), QByteArray("error unknown command\n"));
    QCOMPARE(exchangeRaw(socketPath, QByteArray("sho\0w\n", 6)),
             QByteArray("error unknown command\n"));
    QCOMPARE(exchangeRaw(socketPath, QByteArray(100'000, 'x')), QByteArray());
    QCOMPARE(exchangeRaw(socketPath, QByteArray(100, 'x') + "toggle\n"),
             QByteArray("error unknown command\n"));
    QCOMPARE(carriedOut, 0);

    // Only the first line of a connection counts.
    QCOMPARE(exchangeRaw(socketPath, "hide\nquit\n"), QByteArray("ok\n"));
    QCOMPARE(carriedOut, 1);
    QVERIFY(server.isListening());
}

void TestInstanceChannel::reportsAnInstanceThatDoesNotAnswer() {
    TempTree tree;
    const QString socketPath = tree.path(QStringLiteral("vantri.socket"));
    QLocalServer silent;
    QVERIFY(silent.listen(socketPath));
    QFuture<Delivery> delivery =
        deliverInBackground(socketPath, InstanceCommand::toggle, std::chrono::milliseconds(300));
    QTRY_VERIFY_WITH_TIMEOUT(delivery.isFinished(), 30'000);
    QCOMPARE(delivery.result().result, Delivery::Result::failed);
    QVERIFY2(delivery.result().error.contains(QStringLiteral("did not answer in time")),
             qPrintable(delivery.result().error));
    // Drop the connection the silent server never took.
    delete silent.nextPendingConnection();

    // One that hangs up without a word, and one that speaks another protocol.
    const QList<QPair<QByteArray, QString>> replies = {
        {QByteArray(), QStringLiteral("closed the connection without answering")},
        {QByteArray("yes\n"), QStringLiteral("an answer this program does not understand")},
    };
    for (const auto& [reply, error] : replies) {
        const QMetaObject::Connection answering =
            connect(&silent, &QLocalServer::newConnection, &silent, [&silent, reply] {
                while (QLocalSocket* connection = silent.nextPendingConnection()) {
                    connection->write(reply);
                    connection->disconnectFromServer();
                }
            });
        delivery = deliverInBackground(socketPath, InstanceCommand::toggle);
        QTRY_VERIFY_WITH_TIMEOUT(delivery.isFinished(), 30'000);
        QCOMPARE(delivery.result().result, Delivery::Result::failed);
        QVERIFY2(delivery.result().error.contains(error), qPrintable(delivery.result().error));
        disconnect(answering);
    }
}

QTEST_MAIN(TestInstanceChannel)
#include "tst_instancechannel.moc"
