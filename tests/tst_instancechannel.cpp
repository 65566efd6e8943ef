#include "TempTree.h"
#include "app/InstanceChannel.h"
#include "app/InstanceServer.h"

#include <QFuture>
#include <QLocalServer>
#include <QLocalSocket>
#include <QtConcurrent>
#include <QtTest>

using namespace std::chrono_literals;
using Delivery = InstanceChannel::Delivery;

namespace {

// Each delivery runs on a thread of its own, as a second process would.
QFuture<Delivery> deliverInBackground(const QString& socketPath, InstanceCommand command,
                                      std::chrono::milliseconds timeout = 30s) {
    return QtConcurrent::run(
        [=] { return InstanceChannel::deliver(socketPath, command, timeout); });
}

Delivery deliverWhileServing(const QString& socketPath, InstanceCommand command,
                             std::chrono::milliseconds timeout = 30s) {
    const QFuture<Delivery> delivery = deliverInBackground(socketPath, command, timeout);
    if (!QTest::qWaitFor([&delivery] { return delivery.isFinished(); }, 30'000))
        return {Delivery::Result::failed, QStringLiteral("(the delivery never ended)")};
    return delivery.result();
}

QByteArray exchangeRaw(const QString& socketPath, const QByteArray& bytes) {
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

} // namespace

class TestInstanceChannel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void deliversEachCommandAfterCarryingItOut();
    void findsNoInstanceWhereNobodyListens();
    void quitStopsListeningBeforeAnswering();
    void refusesWhatIsNotACommand();
    void reportsAnInstanceThatDoesNotAnswer();
};

void TestInstanceChannel::deliversEachCommandAfterCarryingItOut() {
    TempTree tree;
    const QString socketPath = tree.path("vantri.socket");
    QList<InstanceCommand> carriedOut;
    InstanceServer server(socketPath, [&](InstanceCommand command) { carriedOut.append(command); });
    QVERIFY(server.listen());
    const QList<InstanceCommand> commands = {InstanceCommand::toggle, InstanceCommand::settings};
    for (qsizetype sent = 0; sent < commands.size(); ++sent) {
        QCOMPARE(deliverWhileServing(socketPath, commands[sent]).result,
                 Delivery::Result::carriedOut);
        QCOMPARE(carriedOut, commands.first(sent + 1));
    }
    QVERIFY(server.isListening());
}

void TestInstanceChannel::findsNoInstanceWhereNobodyListens() {
    TempTree tree;
    for (const QString& path : {tree.path("vantri.socket"), tree.path("missing/vantri.socket")})
        QCOMPARE(InstanceChannel::deliver(path, InstanceCommand::show, 30s).result,
                 Delivery::Result::noInstance);
    QVERIFY(QDir(tree.path()).isEmpty());
}

void TestInstanceChannel::quitStopsListeningBeforeAnswering() {
    TempTree tree;
    const QString socketPath = tree.path("vantri.socket");
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
    const QString socketPath = tree.path("vantri.socket");
    int carriedOut = 0;
    InstanceServer server(socketPath, [&carriedOut](InstanceCommand) { ++carriedOut; });
    QVERIFY(server.listen());

    for (const QByteArray& line : {QByteArray("TOGGLE\n"), QByteArray("sho\0w\n", 6)})
        QCOMPARE(exchangeRaw(socketPath, line), QByteArray("error unknown command\n"));
    // A line that never ends is cut off without an answer.
    QCOMPARE(exchangeRaw(socketPath, QByteArray(100'000, 'x')), QByteArray());
    QCOMPARE(carriedOut, 0);
    QVERIFY(server.isListening());
}

void TestInstanceChannel::reportsAnInstanceThatDoesNotAnswer() {
    TempTree tree;
    const QString socketPath = tree.path("vantri.socket");
    QLocalServer silent;
    QVERIFY(silent.listen(socketPath));
    const Delivery delivery = deliverWhileServing(socketPath, InstanceCommand::toggle, 300ms);
    QCOMPARE(delivery.result, Delivery::Result::failed);
    QVERIFY2(delivery.error.contains("did not answer in time"), qPrintable(delivery.error));
}

QTEST_MAIN(TestInstanceChannel)
#include "tst_instancechannel.moc"
