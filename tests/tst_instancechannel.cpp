// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TempTree.h"
#include "UnixSocket.h"
#include "control/InstanceClient.h"
#include "control/InstanceProtocol.h"
#include "instance/InstanceServer.h"

#include <QFuture>
#include <QLocalServer>
#include <QLocalSocket>
#include <QtConcurrent>
#include <QtTest>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono_literals;
using Delivery = InstanceClient::Delivery;

namespace {

// The delivery runs on a thread of its own, as a second process would.
Delivery deliverWhileServing(const QString& socketPath, InstanceCommand command,
                             std::chrono::milliseconds timeout) {
    const QFuture<Delivery> delivery = QtConcurrent::run(
        [=] { return InstanceClient::deliver(socketPath.toStdString(), command, timeout); });
    if (!QTest::qWaitFor([&delivery] { return delivery.isFinished(); }, 30'000))
        return {Delivery::Result::failed, "(the delivery never ended)"};
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
    if (socket.state() != QLocalSocket::UnconnectedState && !closed.wait(30'000))
        return "not closed";
    return received + socket.readAll();
}

std::optional<uid_t> nobody() {
    const passwd* entry = ::getpwnam("nobody");
    return entry ? std::optional<uid_t>(entry->pw_uid) : std::nullopt;
}

// A folder of `tree` that every user may enter and write.
QString openFolder(const TempTree& tree) {
    const QString folder = tree.makeDir("open");
    const auto enterable = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                           QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    if (!QFile::setPermissions(tree.path(), enterable) ||
        !QFile::setPermissions(folder, QFileDevice::Permissions(0x7777)))
        qFatal("cannot open %s to other users", qPrintable(folder));
    return folder;
}

// A child process that runs `body` as the user `uid` and exits with what it returns.
pid_t forkAs(uid_t uid, const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(::setgid(uid) == 0 && ::setuid(uid) == 0 ? body() : 99);
    return child;
}

// The exit code of `child`, waiting for it while the event loop runs.
int exitCodeOf(pid_t child) {
    int status = 0;
    if (!QTest::qWaitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 30'000))
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

class TestInstanceChannel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsOnlyWholeCommandLines_data();
    void readsOnlyWholeCommandLines();
    void refusesWhatIsNotACommand();
    void reportsAnInstanceThatDoesNotAnswer();
    void refusesAnswersThatAreNotExact_data();
    void refusesAnswersThatAreNotExact();
    void dropsPeersOfAnotherUser();
    void neverSpeaksToAnInstanceOfAnotherUser();
};

void TestInstanceChannel::readsOnlyWholeCommandLines_data() {
    using Status = InstanceProtocol::CommandRequest::Status;
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<Status>("status");
    QTest::addColumn<InstanceCommand>("command");
    constexpr int limit = int(InstanceProtocol::maximumLineLength);
    const QByteArray longest = "hide" + QByteArray(limit - 4, ' ') + "\n";
    QTest::newRow("command") << QByteArray("show\n") << Status::command << InstanceCommand::show;
    QTest::newRow("blanks around")
        << QByteArray(" quit\r\n") << Status::command << InstanceCommand::quit;
    QTest::newRow("longest line") << longest << Status::command << InstanceCommand::hide;
    QTest::newRow("one byte too long") << QByteArray("hide" + QByteArray(limit - 3, ' ') + "\n")
                                       << Status::tooLong << InstanceCommand::toggle;
    QTest::newRow("junk after the limit")
        << QByteArray("hide" + QByteArray(limit - 3, ' ') + "junk\n") << Status::tooLong
        << InstanceCommand::toggle;
    QTest::newRow("no newline yet")
        << QByteArray(limit, ' ') << Status::incomplete << InstanceCommand::toggle;
    QTest::newRow("no newline in time")
        << QByteArray(limit + 1, ' ') << Status::tooLong << InstanceCommand::toggle;
    QTest::newRow("unknown") << QByteArray("Show\n") << Status::unknownCommand
                             << InstanceCommand::toggle;
    QTest::newRow("embedded nul") << QByteArray("sho\0w\n", 6) << Status::unknownCommand
                                  << InstanceCommand::toggle;
    QTest::newRow("rest ignored") << QByteArray("hide\nquit\n") << Status::command
                                  << InstanceCommand::hide;
}

void TestInstanceChannel::readsOnlyWholeCommandLines() {
    QFETCH(QByteArray, received);
    QFETCH(InstanceProtocol::CommandRequest::Status, status);
    QFETCH(InstanceCommand, command);
    const InstanceProtocol::CommandRequest request =
        InstanceProtocol::readCommand(std::string_view(received.constData(), received.size()));
    QCOMPARE(request.status, status);
    if (status == InstanceProtocol::CommandRequest::Status::command)
        QCOMPARE(request.command, command);
}

void TestInstanceChannel::refusesWhatIsNotACommand() {
    TempTree tree;
    const QString socketPath = tree.path("vantri.socket");
    int carriedOut = 0;
    InstanceServer server(socketPath,
                          [&carriedOut](InstanceCommand, const ActivationToken&) { ++carriedOut; });
    QVERIFY(server.listen());

    for (const QByteArray& line : {QByteArray("TOGGLE\n"), QByteArray("sho\0w\n", 6)})
        QCOMPARE(exchangeRaw(socketPath, line), QByteArray("error unknown command\n"));
    // Lines longer than the protocol allows are dropped unanswered, never cut.
    QCOMPARE(
        exchangeRaw(socketPath,
                    "hide" + QByteArray(InstanceProtocol::maximumLineLength - 3, ' ') + "junk\n"),
        QByteArray());
    QCOMPARE(exchangeRaw(socketPath, QByteArray(100'000, 'x')), QByteArray());
    QCOMPARE(carriedOut, 0);
    QVERIFY(server.isListening());
    QCOMPARE(exchangeRaw(socketPath, "hide\n"), QByteArray("ok\n"));
    QCOMPARE(carriedOut, 1);
}

void TestInstanceChannel::reportsAnInstanceThatDoesNotAnswer() {
    TempTree tree;
    const QString socketPath = tree.path("vantri.socket");
    QLocalServer silent;
    QVERIFY(silent.listen(socketPath));
    const Delivery delivery = deliverWhileServing(socketPath, InstanceCommand::toggle, 300ms);
    QCOMPARE(delivery.result, Delivery::Result::failed);
    QVERIFY2(delivery.error.find("did not answer in time") != std::string::npos,
             delivery.error.c_str());
}

void TestInstanceChannel::refusesAnswersThatAreNotExact_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("error"); // empty: carried out
    QTest::newRow("ok") << QByteArray("ok\n") << QByteArray();
    QTest::newRow("ok and padding past the limit")
        << QByteArray("ok" + QByteArray(92, '\t') + "\x01\xff\n") << QByteArray("not understand");
    QTest::newRow("refusal with escapes") << QByteArray("error \x1b]0;owned\x07 no \xc2\x9b"
                                                        "2J\x7fway\n")
                                          << QByteArray("refused 'toggle': ]0;owned no 2Jway");
}

void TestInstanceChannel::refusesAnswersThatAreNotExact() {
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, error);
    TempTree tree;
    const QString socketPath = tree.path("vantri.socket");
    QLocalServer fake;
    QVERIFY(fake.listen(socketPath));
    QObject::connect(&fake, &QLocalServer::newConnection, &fake, [&] {
        QLocalSocket* connection = fake.nextPendingConnection();
        connection->write(answer);
        connection->disconnectFromServer();
    });
    const Delivery delivery = deliverWhileServing(socketPath, InstanceCommand::toggle, 10s);
    if (error.isEmpty()) {
        QCOMPARE(delivery.result, Delivery::Result::carriedOut);
        return;
    }
    QCOMPARE(delivery.result, Delivery::Result::failed);
    QVERIFY2(delivery.error.find(error.toStdString()) != std::string::npos, delivery.error.c_str());
}

void TestInstanceChannel::dropsPeersOfAnotherUser() {
    const std::optional<uid_t> other = nobody();
    if (::getuid() != 0 || !other)
        QSKIP("needs root and a 'nobody' user to connect as another user");
    TempTree tree;
    // Open to everyone, so that only the server's own check stands in the way.
    const QString folder = openFolder(tree);
    const QString socketPath = folder + "/vantri.socket";
    int carriedOut = 0;
    InstanceServer server(socketPath,
                          [&carriedOut](InstanceCommand, const ActivationToken&) { ++carriedOut; });
    QVERIFY(server.listen());
    QVERIFY(QFile::setPermissions(socketPath, QFileDevice::Permissions(0x7777)));

    const sockaddr_un address = unixAddress(socketPath);
    const pid_t stranger = forkAs(*other, [&address] {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
            return 2;
        (void)!::write(fd, "toggle\n", 7);
        char answer[8];
        // Dropped: the connection ends (or is reset) without a byte.
        return ::read(fd, answer, sizeof answer) <= 0 ? 0 : 1;
    });
    QCOMPARE(exitCodeOf(stranger), 0);
    QCOMPARE(carriedOut, 0);
    QCOMPARE(exchangeRaw(socketPath, "toggle\n"), QByteArray("ok\n"));
}

void TestInstanceChannel::neverSpeaksToAnInstanceOfAnotherUser() {
    const std::optional<uid_t> other = nobody();
    if (::getuid() != 0 || !other)
        QSKIP("needs root and a 'nobody' user to serve as another user");
    TempTree tree;
    const QString folder = openFolder(tree);
    const QString socketPath = folder + "/vantri.socket";
    const sockaddr_un address = unixAddress(socketPath);
    int listening[2];
    QVERIFY(::pipe(listening) == 0);
    // Answers "ok" to whoever connects, as a socket planted by another user would.
    const pid_t stranger = forkAs(*other, [&] {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ::umask(0);
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(fd, 1) != 0)
            return 2;
        (void)!::write(listening[1], "L", 1);
        const int connection = ::accept(fd, nullptr, nullptr);
        (void)!::write(connection, "ok\n", 3);
        ::close(connection);
        return 0;
    });
    ::close(listening[1]);
    char byte = 0;
    QCOMPARE(::read(listening[0], &byte, 1), ssize_t(1));
    ::close(listening[0]);

    const Delivery delivery =
        InstanceClient::deliver(socketPath.toStdString(), InstanceCommand::toggle, 10s);
    ::kill(stranger, SIGKILL);
    exitCodeOf(stranger);
    QCOMPARE(delivery.result, Delivery::Result::failed);
    QVERIFY2(delivery.error.find("another user") != std::string::npos, delivery.error.c_str());
}

QTEST_MAIN(TestInstanceChannel)
#include "tst_instancechannel.moc"
