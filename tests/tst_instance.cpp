// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TempTree.h"
#include "VersionInfo.h"
#include "control/ChannelLocation.h"
#include "control/CommandLine.h"
#include "control/InstanceClient.h"
#include "control/InstanceProtocol.h"
#include "control/StartLock.h"
#include "instance/InstanceServer.h"

#include <QFuture>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QtConcurrent>
#include <QtTest>
#include <csignal>
#include <cstring>
#include <memory>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono_literals;
using Delivery = InstanceClient::Delivery;
using namespace Qt::StringLiterals;

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

// The address of the local socket at `path`.
sockaddr_un unixAddress(const QString& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = path.toLocal8Bit();
    std::memcpy(address.sun_path, bytes.constData(), std::size_t(bytes.size()) + 1);
    return address;
}

// A connection to the local socket at `path`, made without Qt; -1 when none is made.
int connectUnix(const QString& path) {
    const sockaddr_un address = unixAddress(path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return fd;
    ::close(fd);
    return -1;
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

// A socket file with no one listening, as a killed instance leaves it.
void leaveDeadSocket(const QString& socketPath) {
    QLocalServer server;
    server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server.listen(socketPath))
        qFatal("cannot make a socket at %s", qPrintable(socketPath));
    // Closing a QLocalServer removes the file; leave it behind instead.
    const QString kept = socketPath + ".kept";
    QFile::rename(socketPath, kept);
    server.close();
    QFile::rename(kept, socketPath);
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

class TestInstance : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsOnlyWholeCommandLines_data() {
        using Status = InstanceProtocol::CommandRequest::Status;
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<Status>("status");
        QTest::addColumn<InstanceCommand>("command");
        constexpr int limit = int(InstanceProtocol::maximumLineLength);
        const QByteArray longest = "hide" + QByteArray(limit - 4, ' ') + "\n";
        QTest::newRow("command") << QByteArray("show\n") << Status::command
                                 << InstanceCommand::show;
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
        QTest::newRow("embedded nul")
            << QByteArray("sho\0w\n", 6) << Status::unknownCommand << InstanceCommand::toggle;
        QTest::newRow("rest ignored")
            << QByteArray("hide\nquit\n") << Status::command << InstanceCommand::hide;
    }

    void readsOnlyWholeCommandLines() {
        QFETCH(QByteArray, received);
        QFETCH(InstanceProtocol::CommandRequest::Status, status);
        QFETCH(InstanceCommand, command);
        const InstanceProtocol::CommandRequest request =
            InstanceProtocol::readCommand(std::string_view(received.constData(), received.size()));
        QCOMPARE(request.status, status);
        if (status == InstanceProtocol::CommandRequest::Status::command)
            QCOMPARE(request.command, command);
    }

    void refusesWhatIsNotACommand() {
        TempTree tree;
        const QString socketPath = tree.path("vantri.socket");
        int carriedOut = 0;
        InstanceServer server(
            socketPath, [&carriedOut](InstanceCommand, const ActivationToken&) { ++carriedOut; });
        QVERIFY(server.listen());

        QCOMPARE(exchangeRaw(socketPath, "TOGGLE\n"), QByteArray("error unknown command\n"));
        // Lines longer than the protocol allows are dropped unanswered, never cut.
        QCOMPARE(exchangeRaw(socketPath, QByteArray(100'000, 'x')), QByteArray());
        QCOMPARE(carriedOut, 0);
        QVERIFY(server.isListening());
        QCOMPARE(exchangeRaw(socketPath, "hide\n"), QByteArray("ok\n"));
        QCOMPARE(carriedOut, 1);
    }

    void refusesAnInstanceThatAnswersWrongOrNotAtAll_data() {
        QTest::addColumn<QByteArray>("answer"); // empty: none, the connection held open
        QTest::addColumn<QByteArray>("error");
        QTest::newRow("no answer") << QByteArray() << QByteArray("did not answer in time");
        QTest::newRow("ok and padding past the limit")
            << QByteArray("ok" + QByteArray(92, '\t') + "\x01\xff\n")
            << QByteArray("not understand");
    }

    void refusesAnInstanceThatAnswersWrongOrNotAtAll() {
        QFETCH(QByteArray, answer);
        QFETCH(QByteArray, error);
        TempTree tree;
        const QString socketPath = tree.path("vantri.socket");
        QLocalServer fake;
        QVERIFY(fake.listen(socketPath));
        QObject::connect(&fake, &QLocalServer::newConnection, &fake, [&] {
            QLocalSocket* connection = fake.nextPendingConnection();
            if (!answer.isEmpty()) {
                connection->write(answer);
                connection->disconnectFromServer();
            }
        });
        const Delivery delivery = deliverWhileServing(socketPath, InstanceCommand::toggle,
                                                      answer.isEmpty() ? 300ms : 10s);
        QCOMPARE(delivery.result, Delivery::Result::failed);
        QVERIFY2(delivery.error.find(error.toStdString()) != std::string::npos,
                 delivery.error.c_str());
    }

    void dropsPeersOfAnotherUser() {
        const std::optional<uid_t> other = nobody();
        if (::getuid() != 0 || !other)
            QSKIP("needs root and a 'nobody' user to connect as another user");
        TempTree tree;
        // Open to everyone, so that only the server's own check stands in the way.
        const QString folder = openFolder(tree);
        const QString socketPath = folder + "/vantri.socket";
        int carriedOut = 0;
        InstanceServer server(
            socketPath, [&carriedOut](InstanceCommand, const ActivationToken&) { ++carriedOut; });
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

    void neverSpeaksToAnInstanceOfAnotherUser() {
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

    // Real processes of the built programs, each test in an isolated environment
    // with a runtime folder of its own.

    void initTestCase() {
        _binary = QString::fromLocal8Bit(qgetenv("VANTRI_BINARY"));
        QVERIFY2(QFileInfo(_binary).isExecutable(), "VANTRI_BINARY names no program");
        _appBinary = QFileInfo(_binary).absolutePath() + "/vantri-app";
        QVERIFY2(QFileInfo(_appBinary).isExecutable(), "no vantri-app beside VANTRI_BINARY");
        _savedTemporaryFolder = qgetenv("TMPDIR");
    }

    void init() {
        _environment = std::make_unique<IsolatedEnvironment>();
        _location = ChannelLocation::find();
        QVERIFY(
            QString::fromStdString(_location.socketPath).startsWith(_environment->runtimeDir()));
    }

    void cleanup() {
        // A failed check may leave an instance behind.
        for (const pid_t pid : instances())
            ::kill(pid, SIGKILL);
        QTRY_VERIFY(instances().isEmpty());
        if (_savedTemporaryFolder.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", _savedTemporaryFolder);
        _environment.reset();
    }

    void parsesTheCommandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("output"); // what standard output begins with; empty: nothing
        QTest::addColumn<QByteArray>("error");  // the same for standard error
        const QByteArray usage = "\n\nUsage: /bin/vantri [options] [command]\n";
        const auto row = [](const char* name, const QStringList& arguments, int exitCode,
                            const QByteArray& output, const QByteArray& error = {}) {
            QTest::newRow(name) << arguments << exitCode << output << error;
        };
        row("-v after a command", {"toggle", "-v"}, 0, "Vantri " VANTRI_SHORT_VERSION "\n");
        row("help", {"--help"}, 0,
            "Usage: /bin/vantri [options] [command]\nVantri, a keyboard launcher.");
        row("help before version", {"-vh"}, 0, "Usage: ");
        row("two commands", {"show", "hide"}, 2, "",
            "vantri: expected one command, got 2: show hide" + usage);
        row("unknown option", {"-x", "toggle"}, 2, "", "vantri: Unknown option 'x'." + usage);
        row("unknown options", {"--foo", "-hy"}, 2, "", "vantri: Unknown options: foo, y." + usage);
        row("value for an option", {"--help=3"}, 2, "",
            "vantri: Unexpected value after '--help'." + usage);
        row("option after --", {"--", "--help"}, 2, "", "vantri: unknown command '--help'" + usage);
    }

    void parsesTheCommandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, output);
        QFETCH(QByteArray, error);
        std::vector<std::string> argv{"/bin/vantri"};
        for (const QString& argument : arguments)
            argv.push_back(argument.toStdString());
        const CommandLine parsed = CommandLine::parse(argv);
        QCOMPARE(parsed.exitCode.value_or(-1), exitCode);
        QVERIFY(QByteArray::fromStdString(parsed.standardOutput).startsWith(output));
        QCOMPARE(parsed.standardOutput.empty(), output.isEmpty());
        QVERIFY(QByteArray::fromStdString(parsed.standardError).startsWith(error));
        QCOMPARE(parsed.standardError.empty(), error.isEmpty());
    }

    // The programs themselves: what they print, and that none of these starts an instance.
    void commandLineWithoutAnInstance_data() {
        QTest::addColumn<QString>("leftOver"); // "socket": a dead socket; "lock": a stale lock file
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("output"); // what standard output begins with; empty: nothing
        QTest::addColumn<QByteArray>("error");  // the same for standard error
        const QByteArray usage = "\n\nUsage: " + _binary.toLocal8Bit() + " [options] [command]\n";
        const auto row = [](const char* name, const QString& leftOver, const QString& command,
                            int exitCode, const QByteArray& output, const QByteArray& error) {
            QTest::newRow(name) << leftOver << QStringList{command} << exitCode << output << error;
        };
        row("version", "", "--version", 0, "Vantri " VANTRI_SHORT_VERSION "\n", "");
        row("hide", "", "hide", 0, "", "");
        row("hide, dead socket", "socket", "hide", 0, "", "");
        row("quit, stale lock", "lock", "quit", 0, "", "");
        row("unknown command", "", "open", 2, "", "vantri: unknown command 'open'" + usage);
    }

    void commandLineWithoutAnInstance() {
        QFETCH(QString, leftOver);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, output);
        QFETCH(QByteArray, error);
        if (leftOver == "socket")
            leaveDeadSocket(QString::fromStdString(_location.socketPath));
        if (leftOver == "lock")
            QFile(QString::fromStdString(_location.startLockPath)).open(QIODevice::WriteOnly);
        const QStringList before = entries(_environment->runtimeDir());

        const auto begins = [](const QByteArray& text, const QByteArray& start) {
            return start.isEmpty() ? text.isEmpty() : text.startsWith(start);
        };
        const Finished finished = run(arguments);
        QCOMPARE(finished.exitCode, exitCode);
        QVERIFY2(begins(finished.standardOutput, output), finished.standardOutput);
        QVERIFY2(begins(finished.standardError, error), finished.standardError);
        // None of them starts an instance.
        QCOMPARE(entries(_environment->runtimeDir()), before);
        QVERIFY(instances().isEmpty());
    }

    void showStartsAnInstanceThatLaterCommandsReach() {
        leaveDeadSocket(QString::fromStdString(_location.socketPath));
        const Finished shown = run({u"show"_s});
        QCOMPARE(shown.exitCode, 0);
        // The new instance's own messages may follow; the command adds none.
        QVERIFY2(!shown.standardError.contains("vantri: "), shown.standardError);
        const pid_t instance = instancePid();
        QVERIFY(instance > 0);
        // The instance was handed the command to carry out as it started, rather
        // than sent it over the socket once it listened.
        QFile commandLine(u"/proc/%1/cmdline"_s.arg(instance));
        QVERIFY(commandLine.open(QIODevice::ReadOnly));
        QCOMPARE(commandLine.readAll().split('\0').mid(1), QList<QByteArray>({"show", ""}));
        // The start lock is given back once the instance listens.
        QVERIFY(lockIsFree(QString::fromStdString(_location.startLockPath)));
        {
            // A start that hangs holds the lock; commands for the running
            // instance still go through at once.
            const StartLock held = StartLock::acquire(_location.startLockPath, 0ms);
            QCOMPARE(held.outcome(), StartLock::Outcome::held);
            for (const QString& command : {u"toggle"_s, u"settings"_s}) {
                const Finished finished = run({command});
                QVERIFY2(finished.exitCode == 0, qPrintable(command));
                QCOMPARE(finished.standardError, QByteArray());
            }
        }
        // The full program started directly hands its command over as well.
        for (const QStringList& arguments : {QStringList{"hide"}, QStringList{}}) {
            const Finished finished = run(arguments, _appBinary);
            QCOMPARE(finished.exitCode, 0);
            QCOMPARE(finished.standardError, QByteArray());
        }
        QCOMPARE(instances(), QList<pid_t>{instance});
        quitInstance();
    }

    void simultaneousStartsLeaveOneInstance() {
        std::vector<std::unique_ptr<QProcess>> starts;
        for (int i = 0; i < 3; ++i)
            starts.push_back(start({}));
        for (const auto& process : starts)
            QCOMPARE(finish(*process).exitCode, 0);
        QVERIFY(instancePid() > 0);
        QCOMPARE(instances().size(), 1);
        quitInstance();
    }

    void idleConnectionsLeaveTheInstanceAnswering() {
        // The instance starts with the usual desktop limit on open files; this
        // process then opens more connections than that.
        constexpr int idleCount = 2000;
        rlimit saved{};
        QVERIFY(::getrlimit(RLIMIT_NOFILE, &saved) == 0);
        if (saved.rlim_max < idleCount + 100)
            QSKIP("the hard limit on open files is too low for this test");
        const auto limitTo = [&saved](rlim_t count) {
            const rlimit limit{std::min(saved.rlim_max, count), saved.rlim_max};
            return ::setrlimit(RLIMIT_NOFILE, &limit) == 0;
        };
        QVERIFY(limitTo(1024));
        const Finished shown = run({u"show"_s});
        QVERIFY(limitTo(4096));
        QCOMPARE(shown.exitCode, 0);
        const pid_t instance = instancePid();
        QVERIFY(instance > 0);

        std::vector<int> idle;
        for (int i = 0; i < idleCount; ++i) {
            const int fd = connectUnix(QString::fromStdString(_location.socketPath));
            if (fd >= 0) {
                // A line begun and never ended.
                (void)!::send(fd, "hid", 3, MSG_NOSIGNAL);
                idle.push_back(fd);
            }
        }
        QVERIFY(idle.size() > 1100);

        const Finished toggled = run({u"toggle"_s});
        for (const int fd : idle)
            ::close(fd);
        ::setrlimit(RLIMIT_NOFILE, &saved);
        QCOMPARE(toggled.standardError, QByteArray());
        QCOMPARE(toggled.exitCode, 0);
        QCOMPARE(instances(), QList<pid_t>{instance});
        QCOMPARE(instancePid(), instance);
        quitInstance();
    }

    void hostileAnswerReachesTheTerminalWithoutControls() {
        QLocalServer fake;
        fake.setSocketOptions(QLocalServer::UserAccessOption);
        QVERIFY(fake.listen(QString::fromStdString(_location.socketPath)));
        const std::unique_ptr<QProcess> toggle = start({u"toggle"_s});
        QVERIFY(fake.waitForNewConnection(30'000));
        QLocalSocket* connection = fake.nextPendingConnection();
        QVERIFY(connection->canReadLine() || connection->waitForReadyRead(30'000));
        connection->write("error \x1b]0;owned\x07 not \x1b[2J\xc2\x9b"
                          "2J\x7fnow\n");
        connection->flush();
        connection->disconnectFromServer();
        const Finished finished = finish(*toggle);
        QCOMPARE(finished.exitCode, 1);
        QCOMPARE(
            finished.standardError,
            QByteArray("vantri: the running Vantri refused 'toggle': ]0;owned not [2J2Jnow\n"));
    }

    void refusesAFolderOthersControl_data() {
        QTest::addColumn<QString>("plant"); // what is at the folder's place
        QTest::addColumn<QByteArray>("error");
        QTest::newRow("runtime folder open to others")
            << "runtime 0755" << QByteArray("has mode 0755");
        QTest::newRow("own folder is a file") << "file" << QByteArray("is not a folder");
        QTest::newRow("own folder open to others") << "folder 0777" << QByteArray("has mode 0777");
        QTest::newRow("own folder is a link") << "link" << QByteArray("is not a folder");
        QTest::newRow("own folder of another user")
            << "folder of nobody" << QByteArray("belongs to another user");
    }

    void refusesAFolderOthersControl() {
        QFETCH(QString, plant);
        QFETCH(QByteArray, error);
        if (plant == "runtime 0755") {
            QVERIFY(::chmod(_environment->runtimeDir().toLocal8Bit().constData(), 0755) == 0);
        } else {
            useSharedTemporaryFolder();
            const QByteArray own = qgetenv("TMPDIR") + "/vantri-" + QByteArray::number(::getuid());
            const passwd* nobody = ::getpwnam("nobody");
            if (plant == "file")
                QVERIFY(QFile(own).open(QIODevice::WriteOnly));
            if (plant == "link")
                QVERIFY(::symlink(_environment->runtimeDir().toLocal8Bit().constData(), own) == 0);
            if (plant.startsWith("folder"))
                QVERIFY(::mkdir(own, 0700) == 0 &&
                        ::chmod(own, plant == "folder 0777" ? 0777 : 0700) == 0);
            if (plant == "folder of nobody" && (::getuid() != 0 || !nobody))
                QSKIP("needs root and a 'nobody' user to plant another user's folder");
            if (plant == "folder of nobody")
                QVERIFY(::chown(own, nobody->pw_uid, nobody->pw_gid) == 0);
        }

        const Finished finished = run({u"toggle"_s});
        QCOMPARE(finished.exitCode, 1);
        QVERIFY2(finished.standardError.startsWith("vantri: ") &&
                     finished.standardError.contains(error) &&
                     finished.standardError.count('\n') == 1,
                 finished.standardError);
        QVERIFY(instances().isEmpty());
    }

    void neverUsesASocketInASharedFolder() {
        useSharedTemporaryFolder();
        const QString shared = QString::fromLocal8Bit(qgetenv("TMPDIR"));
        // Another user's socket, under the name a fallback to the shared folder
        // itself would use; the private folder the toolkit would make there
        // belongs to that user as well, so it would fall back.
        const QString planted = shared + u"/vantri-%1.socket"_s.arg(::getuid());
        QLocalServer hostile;
        QVERIFY(hostile.listen(planted));
        if (const passwd* nobody = ::getpwnam("nobody"); nobody && ::getuid() == 0) {
            const QString userName = QString::fromLocal8Bit(::getpwuid(::getuid())->pw_name);
            const QByteArray taken = (shared + "/runtime-" + userName).toLocal8Bit();
            QVERIFY(::mkdir(taken, 0700) == 0 &&
                    ::chown(taken, nobody->pw_uid, nobody->pw_gid) == 0);
        }

        _location = ChannelLocation::find();
        QVERIFY(QString::fromStdString(_location.socketPath)
                    .startsWith(shared + u"/vantri-%1/"_s.arg(::getuid())));
        const Finished finished = run({u"toggle"_s});
        QVERIFY2(!finished.standardError.contains("vantri: "), finished.standardError);
        QCOMPARE(finished.exitCode, 0);
        QVERIFY(!hostile.waitForNewConnection(0));
        QVERIFY(instancePid() > 0);
        quitInstance();
    }

    void reportsAProgramThatDiesAtStart() {
        // The client beside a full program that is killed before it can say why.
        const QString folder = _environment->tree().makeDir("crashing");
        const QString client = folder + u"/vantri"_s;
        QVERIFY(QFile::copy(_binary, client));
        const QString program =
            _environment->tree().writeFile("crashing/vantri-app", "#!/bin/sh\nkill -ABRT $$\n");
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
        const Finished finished = run({u"toggle"_s}, client);
        QCOMPARE(finished.exitCode, 1);
        const QList<QByteArray> lines = finished.standardError.trimmed().split('\n');
        QVERIFY2(lines.last().startsWith("vantri: Vantri could not start: "),
                 finished.standardError);
        QVERIFY(lockIsFree(QString::fromStdString(_location.startLockPath)));
        QVERIFY(instances().isEmpty());
        QCOMPARE(instancePid(), pid_t(0));
    }

    void aStartReadThroughAPipeEnds_data() {
        QTest::addColumn<QString>("shell"); // run by sh with the command as $0
        QTest::newRow("command substitution") << R"(out=$("$0" show) && printf 'got[%s]' "$out")";
        QTest::newRow("output and errors piped") << R"("$0" toggle 2>&1 | cat; printf 'got[]')";
    }

    void aStartReadThroughAPipeEnds() {
        QFETCH(QString, shell);
        // The shell waits until nothing holds the pipe open any more: the command
        // that started the instance, and the instance itself.
        const Finished finished = run({u"-c"_s, shell, _binary}, u"/bin/sh"_s);
        QCOMPARE(finished.exitCode, 0);
        // Whatever the instance said while it started reached the caller first.
        QVERIFY2(finished.standardOutput.endsWith("got[]"), finished.standardOutput);
        QVERIFY(instancePid() > 0);
        quitInstance();
    }

    void ignoresAHandoffOfOtherDescriptors() {
        // Started by hand with a handoff naming its standard input as the lock
        // and its standard output as the starter's pipe: neither is one.
        qputenv("VANTRI_START_HANDOFF", "0,1");
        const std::unique_ptr<QProcess> instance = start({}, _appBinary);
        qunsetenv("VANTRI_START_HANDOFF");
        QTRY_VERIFY_WITH_TIMEOUT(instancePid() == instance->processId(), 30'000);
        quitInstance();
        QTRY_COMPARE(instance->state(), QProcess::NotRunning);
        QCOMPARE(instance->exitCode(), 0);
        QFile output(instance->objectName() + ".out");
        QVERIFY(output.open(QIODevice::ReadOnly));
        QCOMPARE(output.readAll(), QByteArray());
    }

private:
    struct Finished {
        int exitCode = -1;
        QByteArray standardOutput;
        QByteArray standardError;
    };

    std::unique_ptr<QProcess> start(const QStringList& arguments,
                                    const QString& program = {}) const {
        auto process = std::make_unique<QProcess>();
        process->setProgram(program.isEmpty() ? _binary : program);
        process->setArguments(arguments);
        // Files rather than pipes: an instance started by the command keeps them
        // open long after the command ended.
        const QString output = _environment->tree().path(u"output-%1"_s.arg(++_runs));
        process->setStandardOutputFile(output + ".out");
        process->setStandardErrorFile(output + ".err");
        process->setObjectName(output);
        process->start();
        if (!process->waitForStarted())
            qFatal("cannot start %s", qPrintable(process->program()));
        return process;
    }

    Finished finish(QProcess& process) const {
        if (!process.waitForFinished(60'000) || process.exitStatus() != QProcess::NormalExit)
            return {};
        return {process.exitCode(), fileContents(process.objectName() + ".out"),
                fileContents(process.objectName() + ".err")};
    }

    Finished run(const QStringList& arguments, const QString& program = {}) const {
        return finish(*start(arguments, program));
    }

    void useSharedTemporaryFolder() {
        const QString shared = _environment->tree().makeDir("shared");
        QVERIFY(::chmod(shared.toLocal8Bit().constData(), 01777) == 0);
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", shared.toLocal8Bit());
    }

    // The instance listening at the socket path, or 0.
    pid_t instancePid() const {
        const int fd = connectUnix(QString::fromStdString(_location.socketPath));
        if (fd < 0)
            return 0;
        ucred credentials{};
        socklen_t size = sizeof credentials;
        ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size);
        ::close(fd);
        return credentials.pid;
    }

    // Every running full program of this test's environment.
    QList<pid_t> instances() const {
        QList<pid_t> found;
        const QByteArray home = "HOME=" + _environment->home().toLocal8Bit();
        for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
            bool isNumber = false;
            const pid_t pid = entry.toInt(&isNumber);
            if (!isNumber || QFileInfo("/proc/" + entry + "/exe").symLinkTarget() !=
                                 QFileInfo(_appBinary).canonicalFilePath())
                continue;
            QFile environment("/proc/" + entry + "/environ");
            if (environment.open(QIODevice::ReadOnly) &&
                environment.readAll().split('\0').contains(home))
                found.append(pid);
        }
        return found;
    }

    void quitInstance() {
        const pid_t pid = instancePid();
        QVERIFY(pid > 0);
        QCOMPARE(run({u"quit"_s}).exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(::kill(pid, 0) != 0, 30'000);
        QVERIFY(!QFileInfo::exists(QString::fromStdString(_location.socketPath)));
    }

    QString _binary;
    QString _appBinary;
    std::unique_ptr<IsolatedEnvironment> _environment;
    ChannelLocation _location;
    QByteArray _savedTemporaryFolder;
    mutable int _runs = 0;
};

QTEST_MAIN(TestInstance)
#include "tst_instance.moc"
