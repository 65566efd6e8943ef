// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TempTree.h"
#include "platform/xdg/ApplicationScope.h"
#include "platform/xdg/DesktopEntryCommand.h"
#include "platform/xdg/DesktopEntryLaunch.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QtTest>

namespace {

// Puts `folder` alone on PATH while it lives.
class PathOverride {
public:
    explicit PathOverride(const QString& folder)
        : _saved(qgetenv("PATH")) {
        qputenv("PATH", folder.toLocal8Bit());
    }
    ~PathOverride() { qputenv("PATH", _saved); }

private:
    QByteArray _saved;
};

QString writeProgram(const TempTree& tree, const QString& relative, const QByteArray& script) {
    const QString path = tree.writeFile(relative, script);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

} // namespace

// Starting freedesktop entries without the desktop's own libraries: the
// command line, the terminal and the scope an application gets.
class TestDesktopEntryLaunch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void execLineIsSplitAndItsFieldCodesExpanded_data();
    void execLineIsSplitAndItsFieldCodesExpanded();
    void terminalEntryRunsThroughTheUsersTerminal();
    void terminalEntryWithoutATerminalSaysSo();
    void linksLoopingInTheApplicationFolderDoNotHoldUpAStart();
    void scopeIsNamedByTheDesktopConvention_data();
    void scopeIsNamedByTheDesktopConvention();
    void applicationRunsInAScopeOfItsOwnWhereAUserManagerAnswers();
};

void TestDesktopEntryLaunch::execLineIsSplitAndItsFieldCodesExpanded_data() {
    QTest::addColumn<QByteArray>("exec");
    QTest::addColumn<QStringList>("expected");
    const QStringList invalid{QStringLiteral("<invalid>")};
    QTest::newRow("file codes go")
        << QByteArray("app %f --open %U") << QStringList{"app", "--open"};
    QTest::newRow("quoted words") << QByteArray(R"(app "two words" "a \"q\" \$ \\ \`")")
                                  << QStringList{"app", "two words", R"(a "q" $ \ `)"};
    QTest::newRow("icon") << QByteArray("app %i") << QStringList{"app", "--icon", "app-icon"};
    QTest::newRow("name, entry, percent")
        << QByteArray("app --title=%c %k 100%%")
        << QStringList{"app", "--title=My App", "/e.desktop", "100%"};
    QTest::newRow("deprecated codes") << QByteArray("app %d%n %m") << QStringList{"app", "", ""};
    QTest::newRow("unknown code") << QByteArray("app %z") << invalid;
    QTest::newRow("lone percent") << QByteArray("app 5%") << invalid;
    QTest::newRow("unclosed quote") << QByteArray("app \"open") << invalid;
    QTest::newRow("nothing left") << QByteArray("%f") << invalid;
}

void TestDesktopEntryLaunch::execLineIsSplitAndItsFieldCodesExpanded() {
    QFETCH(QByteArray, exec);
    QFETCH(QStringList, expected);
    const std::optional<QStringList> words = expandExecLine(
        exec, {QStringLiteral("My App"), QStringLiteral("app-icon"), QStringLiteral("/e.desktop")});
    QCOMPARE(words.value_or(QStringList{QStringLiteral("<invalid>")}), expected);
}

void TestDesktopEntryLaunch::terminalEntryRunsThroughTheUsersTerminal() {
    TempTree tree;
    const QString record = tree.path(QStringLiteral("terminal-arguments"));
    writeProgram(tree, QStringLiteral("bin/x-terminal-emulator"),
                 "#!/bin/sh\nprintf '%s\\n' \"$@\" > " + record.toUtf8() + ".part && /bin/mv " +
                     record.toUtf8() + ".part " + record.toUtf8() + "\n");
    const PathOverride path(tree.path(QStringLiteral("bin")));
    const QString entry = tree.writeFile(
        QStringLiteral("applications/top.desktop"),
        "[Desktop Entry]\nType=Application\nName=Top\nExec=top -d \"1 5\"\nTerminal=true\n");
    QVERIFY(launchDesktopEntryFile(entry).started);
    QTRY_VERIFY(QFile::exists(record));
    QCOMPARE(fileContents(record), QByteArray("-e\ntop\n-d\n1 5\n"));
}

void TestDesktopEntryLaunch::terminalEntryWithoutATerminalSaysSo() {
    TempTree tree;
    const PathOverride path(tree.makeDir(QStringLiteral("bin")));
    const QString entry = tree.writeFile(
        QStringLiteral("applications/top.desktop"),
        "[Desktop Entry]\nType=Application\nName=Top\nExec=/bin/true\nTerminal=true\n");
    const ApplicationLaunch launch = launchDesktopEntryFile(entry);
    QVERIFY(!launch.started);
    QCOMPARE(launch.failure, QStringLiteral("No terminal found to open Top in"));
}

void TestDesktopEntryLaunch::linksLoopingInTheApplicationFolderDoNotHoldUpAStart() {
    TempTree tree;
    const QString folder = tree.makeDir(QStringLiteral("data/applications"));
    QVERIFY(QFile::link(QStringLiteral("."), folder + QStringLiteral("/a")));
    QVERIFY(QFile::link(QStringLiteral("."), folder + QStringLiteral("/b")));
    QVERIFY(QFile::link(QStringLiteral("/"), folder + QStringLiteral("/root")));
    const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", tree.path(QStringLiteral("data")).toLocal8Bit());
    const QString marker = tree.path(QStringLiteral("started"));
    tree.writeFile(QStringLiteral("data/applications/marker.desktop"),
                   "[Desktop Entry]\nType=Application\nName=Marker\nExec=touch " + marker.toUtf8() +
                       "\n");
    // By id too: the lookup tries the names the id can stand for, no walk.
    const ApplicationLaunch launch = launchDesktopEntryId(QStringLiteral("marker.desktop"));
    qputenv("XDG_DATA_HOME", savedDataHome);
    QVERIFY2(launch.started, qPrintable(launch.failure));
    QTRY_VERIFY(QFile::exists(marker));
}

void TestDesktopEntryLaunch::scopeIsNamedByTheDesktopConvention_data() {
    QTest::addColumn<QString>("desktopFileId");
    QTest::addColumn<QString>("scope");
    QTest::newRow("reverse domain") << "org.example.App.desktop"
                                    << "app-vantri-org.example.App-1f.scope";
    QTest::newRow("dash and space") << "my-app two.desktop"
                                    << "app-vantri-my\\x2dapp\\x20two-1f.scope";
    QTest::newRow("leading dot, non-ASCII") << ".é.desktop"
                                            << "app-vantri-\\x2e\\xc3\\xa9-1f.scope";
    QTest::newRow("backslash") << "a\\b.desktop"
                               << "app-vantri-a\\x5cb-1f.scope";
}

void TestDesktopEntryLaunch::scopeIsNamedByTheDesktopConvention() {
    QFETCH(QString, desktopFileId);
    QFETCH(QString, scope);
    QCOMPARE(applicationScopeName(desktopFileId, QStringLiteral("1f")), scope);
}

void TestDesktopEntryLaunch::applicationRunsInAScopeOfItsOwnWhereAUserManagerAnswers() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() ||
        !bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.systemd1"))) {
        // A user manager needs systemd as the system's init.
        const QByteArray init = fileContents(QStringLiteral("/proc/1/comm")).trimmed();
        const QByteArray reason =
            "no systemd user manager answers on the session bus" +
            (bus.isConnected() ? QByteArray() : " (there is no session bus)") +
            (init == "systemd" ? QByteArray()
                               : "; none can run here: PID 1 is " + init + ", not systemd");
        QSKIP(reason.constData());
    }
    TempTree tree;
    const QString marker = tree.path(QStringLiteral("in-scope"));
    const QString program = writeProgram(tree, QStringLiteral("bin/wait-for-scope"),
                                         "#!/bin/sh\nfor i in $(seq 100); do\n"
                                         "  grep -q app-vantri-scoped- /proc/$$/cgroup && touch " +
                                             marker.toUtf8() +
                                             " && exit\n"
                                             "  sleep 0.1\ndone\n");
    const QString entry = tree.writeFile(
        QStringLiteral("applications/scoped.desktop"),
        "[Desktop Entry]\nType=Application\nName=Scoped\nExec=" + program.toUtf8() + "\n");
    QVERIFY(launchDesktopEntryFile(entry).started);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 15000);
}

QTEST_GUILESS_MAIN(TestDesktopEntryLaunch)
#include "tst_desktopentrylaunch.moc"
