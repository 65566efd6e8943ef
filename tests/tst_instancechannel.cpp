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

// The delivery runs on a thread of its own, as a second process would.
Delivery deliverWhileServing(const QString& socketPath, InstanceCommand command,
                             std::chrono::milliseconds timeout) {
    const QFuture<Delivery> delivery =
        QtConcurrent::run([=] { return InstanceChannel::deliver(socketPath, command, timeout); });
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
    void refusesWhatIsNotACommand();
    void reportsAnInstanceThatDoesNotAnswer();
};

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
