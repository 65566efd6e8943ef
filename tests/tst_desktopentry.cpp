// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "EnvironmentDump.h"
#include "TempTree.h"
#include "platform/ChildEnvironment.h"
#include "platform/xdg/ApplicationOpener.h"
#include "platform/xdg/ApplicationScope.h"
#include "platform/xdg/Autostart.h"
#include "platform/xdg/DesktopEntryCommand.h"
#include "platform/xdg/DesktopEntryLaunch.h"
#include "scripts/run/ScriptRun.h"
#include "state/LaunchAtLogin.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QtTest>

using namespace Qt::StringLiterals;

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

// Set in this process as they would be in Vantri's: by the session manager,
// by whoever started Vantri, by the `vantri` command.
const QList<std::pair<QByteArray, QByteArray>> vantriOwnVariables{
    {"VANTRI_START_HANDOFF", "3,4"},
    {"VANTRI_ANYTHING", "1"},
    {"DESKTOP_AUTOSTART_ID", "session-manager-id"},
    {"DESKTOP_STARTUP_ID", "vantri-own-startup"},
    {"XDG_ACTIVATION_TOKEN", "vantri-own-token"},
    {"GIO_LAUNCHED_DESKTOP_FILE", "/usr/share/applications/vantri.desktop"},
};

} // namespace

class TestDesktopEntry : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Starting freedesktop entries without the desktop's own libraries: the
    // command line, the terminal and the scope an application gets.
    void execLineIsSplitAndItsFieldCodesExpanded_data() {
        QTest::addColumn<QByteArray>("exec");
        QTest::addColumn<QStringList>("expected");
        const QStringList invalid{u"<invalid>"_s};
        QTest::newRow("file codes go")
            << QByteArray("app %f --open %U") << QStringList{"app", "--open"};
        QTest::newRow("quoted words")
            << QByteArray("app \"two words\" \"a \\\"q\\\" \\$ \\\\ \\`\"")
            << QStringList{"app", "two words", "a \"q\" $ \\ `"};
        QTest::newRow("icon") << QByteArray("app %i") << QStringList{"app", "--icon", "app-icon"};
        QTest::newRow("name, entry, percent")
            << QByteArray("app --title=%c %k 100%%")
            << QStringList{"app", "--title=My App", "/e.desktop", "100%"};
        QTest::newRow("deprecated codes")
            << QByteArray("app %d%n %m") << QStringList{"app", "", ""};
        QTest::newRow("unknown code") << QByteArray("app %z") << invalid;
        QTest::newRow("lone percent") << QByteArray("app 5%") << invalid;
        QTest::newRow("unclosed quote") << QByteArray("app \"open") << invalid;
        QTest::newRow("nothing left") << QByteArray("%f") << invalid;
    }

    void execLineIsSplitAndItsFieldCodesExpanded() {
        QFETCH(QByteArray, exec);
        QFETCH(QStringList, expected);
        const std::optional<QStringList> words =
            expandExecLine(exec, {u"My App"_s, u"app-icon"_s, u"/e.desktop"_s});
        QCOMPARE(words.value_or(QStringList{u"<invalid>"_s}), expected);
    }

    void terminalEntryRunsThroughTheUsersTerminal() {
        TempTree tree;
        const PathOverride path(tree.makeDir(u"bin"_s));
        const QString entry = tree.writeFile(
            u"applications/top.desktop"_s,
            "[Desktop Entry]\nType=Application\nName=Top\nExec=top -d \"1 5\"\nTerminal=true\n");
        const ApplicationLaunch launch = launchDesktopEntryFile(entry);
        QVERIFY(!launch.started);
        QCOMPARE(launch.failure, u"No terminal found to open Top in"_s);

        const QByteArray record = QFile::encodeName(tree.path(u"terminal-arguments"_s));
        tree.writeProgram(u"bin/x-terminal-emulator"_s, "#!/bin/sh\nprintf '%s\\n' \"$@\" > " +
                                                            record + ".part && /bin/mv " + record +
                                                            ".part " + record + "\n");
        QVERIFY(launchDesktopEntryFile(entry).started);
        QTRY_COMPARE(fileContents(record), QByteArray("-e\ntop\n-d\n1 5\n"));
    }

    void linksLoopingInTheApplicationFolderDoNotHoldUpAStart() {
        TempTree tree;
        const QString folder = tree.makeDir(u"data/applications"_s);
        QVERIFY(QFile::link(u"."_s, folder + u"/a"_s));
        QVERIFY(QFile::link(u"."_s, folder + u"/b"_s));
        QVERIFY(QFile::link(u"/"_s, folder + u"/root"_s));
        const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", tree.path(u"data"_s).toLocal8Bit());
        const QString marker = tree.path(u"started"_s);
        tree.writeFile(u"data/applications/marker.desktop"_s,
                       "[Desktop Entry]\nType=Application\nName=Marker\nExec=touch " +
                           marker.toUtf8() + "\n");
        // By id too: the lookup tries the names the id can stand for, no walk.
        const ApplicationLaunch launch = launchDesktopEntryId(u"marker.desktop"_s);
        qputenv("XDG_DATA_HOME", savedDataHome);
        QVERIFY2(launch.started, qPrintable(launch.failure));
        QTRY_VERIFY(QFile::exists(marker));
    }

    void scopeIsNamedByTheDesktopConvention_data() {
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

    void scopeIsNamedByTheDesktopConvention() {
        QFETCH(QString, desktopFileId);
        QFETCH(QString, scope);
        QCOMPARE(applicationScopeName(desktopFileId, u"1f"_s), scope);
    }

    void applicationRunsInAScopeOfItsOwnWhereAUserManagerAnswers() {
        const QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected() ||
            !bus.interface()->isServiceRegistered(u"org.freedesktop.systemd1"_s)) {
            // A user manager needs systemd as the system's init.
            const QByteArray init = fileContents(u"/proc/1/comm"_s).trimmed();
            const QByteArray reason =
                "no systemd user manager answers on the session bus" +
                (bus.isConnected() ? QByteArray() : " (there is no session bus)") +
                (init == "systemd" ? QByteArray()
                                   : "; none can run here: PID 1 is " + init + ", not systemd");
            QSKIP(reason.constData());
        }
        TempTree tree;
        const QString marker = tree.path(u"in-scope"_s);
        const QString program = tree.writeProgram(
            u"bin/wait-for-scope"_s, "#!/bin/sh\nfor i in $(seq 100); do\n"
                                     "  grep -q app-vantri-scoped- /proc/$$/cgroup && touch " +
                                         marker.toUtf8() +
                                         " && exit\n"
                                         "  sleep 0.1\ndone\n");
        const QString entry = tree.writeFile(
            u"applications/scoped.desktop"_s,
            "[Desktop Entry]\nType=Application\nName=Scoped\nExec=" + program.toUtf8() + "\n");
        QVERIFY(launchDesktopEntryFile(entry).started);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 15000);
    }

    void brokenDesktopEntryIsNotLaunched() {
        TempTree tree;
        QVERIFY(!openApplication(tree.writeFile(u"apps/empty.desktop"_s, {})).started);
        QVERIFY(!openApplication(tree.writeFile(u"apps/noexec.desktop"_s,
                                                "[Desktop Entry]\nType=Application\nName=None\n"))
                     .started);
        QVERIFY(!openApplication(tree.path(u"apps/missing.desktop"_s)).started);
    }

    // What a program Vantri starts finds in its environment: the session's own,
    // never Vantri's.

    void initTestCase() {
        for (const auto& [name, value] : vantriOwnVariables)
            qputenv(name, value);
    }

    void childSeesTheSessionWithoutVantrisOwn_data() {
        QTest::addColumn<bool>("isScript");
        QTest::newRow("application") << false;
        QTest::newRow("script") << true;
    }

    void childSeesTheSessionWithoutVantrisOwn() {
        QFETCH(bool, isScript);
        const QByteArray userValue = "kept " + QByteArray(QTest::currentDataTag());
        qputenv("USERS_OWN_SETTING", userValue);
        const QString dump = _tree.path(QString::fromLatin1(QTest::currentDataTag()) + ".env");
        const QString dumper = _tree.writeProgram(
            u"dump-environment"_s, "#!/bin/sh\nenv -0 > \"$1.part\" && mv \"$1.part\" \"$1\"\n");

        if (isScript) {
            ScriptRun* run = new ScriptRun(
                *ScriptRunners().runnerFor(u"bash"_s), [](const QString&) {},
                [](const std::optional<ScriptFailure>&) {});
            run->start(dumper, {dump});
        } else {
            const QString entry = _tree.writeFile(
                u"applications/dump.desktop"_s,
                "[Desktop Entry]\nType=Application\nName=Dump\nExec=" + dumper.toUtf8() + " " +
                    dump.toUtf8() + "\n");
            QVERIFY(openApplication(entry).started);
        }
        QTRY_VERIFY(QFile::exists(dump));
        const QMap<QString, QString> seen = environmentIn(fileContents(dump));
        for (const auto& [name, value] : vantriOwnVariables)
            QVERIFY2(!seen.contains(QString::fromLatin1(name)), name.constData());
        QCOMPARE(seen.value(u"USERS_OWN_SETTING"_s), QString::fromUtf8(userValue));
        QCOMPARE(seen.value(u"PATH"_s), qEnvironmentVariable("PATH"));
    }

    void focusMadeForTheStartReplacesNothingElse() {
        QProcessEnvironment session;
        session.insert(u"DESKTOP_STARTUP_ID"_s, u"stale"_s);
        session.insert(u"XDG_ACTIVATION_TOKEN"_s, u"stale"_s);
        session.insert(u"LANG"_s, u"de_DE.UTF-8"_s);
        const QProcessEnvironment child =
            childEnvironment(session, {u"fresh-id"_s, u"fresh-token"_s});
        QCOMPARE(child.value(u"DESKTOP_STARTUP_ID"_s), u"fresh-id"_s);
        QCOMPARE(child.value(u"XDG_ACTIVATION_TOKEN"_s), u"fresh-token"_s);
        QCOMPARE(child.keys().size(), 3);
    }

    // GIO's launcher parses Exec as the session does.
    void writtenEntryStartsTheProgramAtAnAwkwardPath() {
        // Every character Exec quotes or escapes, a field code, and a backslash last.
        const QString folder = u"a \"b' c\\ $HOME ${PATH} `id` 100% %f %%u\nGröße ✓ 日本\\"_s;
        TempTree tree;
        const QString started = tree.path(u"started"_s);
        const QString program = tree.writeProgram(
            folder + u"/vantri"_s, "#!/bin/sh\necho \"$#\" > '" + started.toUtf8() + "'\n");
        const QString entry = tree.path(u"autostart/vantri.desktop"_s);
        QVERIFY(Autostart::enable(entry, Autostart::commandFor(program)));
        QCOMPARE(QProcess::execute(u"gio"_s, {u"launch"_s, entry}), 0);
        QTRY_COMPARE(fileContents(started), QByteArray("0\n"));
    }

    void registeringKeepsOnlyAnEntryInForce_data() {
        QTest::addColumn<QByteArray>("existing"); // empty: none
        QTest::addColumn<bool>("inForce");
        const QByteArray header = "[Desktop Entry]\nType=Application\nName=Vantri\n";
        QTest::newRow("no entry") << QByteArray() << false;
        QTest::newRow("entry in force") << header + "Exec=/opt/vantri/vantri --quiet\n" << true;
        QTest::newRow("hidden entry") << header + "Hidden=true\n" << false;
        QTest::newRow("switched off") << header + "X-GNOME-Autostart-enabled=false\n" << false;
        QTest::newRow("switched on") << header + "X-GNOME-Autostart-enabled=true\n" << true;
    }

    void registeringKeepsOnlyAnEntryInForce() {
        QFETCH(QByteArray, existing);
        QFETCH(bool, inForce);
        IsolatedEnvironment environment;
        const QString entry = environment.configHome() + "/autostart/vantri.desktop";
        if (!existing.isEmpty())
            environment.tree().writeFile("config/autostart/vantri.desktop", existing);
        QCOMPARE(launchAtLoginEnabled(), inForce);

        setLaunchAtLogin(true);
        QVERIFY(launchAtLoginEnabled());
        // Run from the build's test folder, where no `vantri` sits beside it.
        const QByteArray exec = "Exec=\"" + QCoreApplication::applicationFilePath().toUtf8() + '"';
        QCOMPARE(fileContents(entry).split('\n').contains(exec), !inForce);
        setLaunchAtLogin(false);
        QVERIFY(!QFile::exists(entry));
    }

    void registeringReproducesTheInstalledEntry() {
        IsolatedEnvironment environment;
        environment.tree().writeFile("share/applications/example.vantri.Vantri.desktop",
                                     "[Desktop Entry]\nType=Application\nName=Vantri\n"
                                     "Exec=vantri\nIcon=example.vantri.Vantri\n");
        setLaunchAtLogin(true);
        const QList<QByteArray> lines =
            fileContents(environment.configHome() + "/autostart/vantri.desktop").split('\n');
        QVERIFY(lines.contains("Exec=vantri"));
        QVERIFY(lines.contains("Icon=example.vantri.Vantri"));
    }

    void userProgramIsFoundBesideOrAboveTheRunningOne_data() {
        QTest::addColumn<QStringList>("executables"); // under the test's folder
        QTest::addColumn<QString>("running");
        QTest::addColumn<QString>("found");
        QTest::newRow("build folder") << QStringList{u"build/vantri"_s, u"build/vantri-app"_s}
                                      << u"build/vantri-app"_s << u"build/vantri"_s;
        QTest::newRow("installed helper")
            << QStringList{u"usr/bin/vantri"_s, u"usr/libexec/vantri/vantri-app"_s}
            << u"usr/libexec/vantri/vantri-app"_s << u"usr/bin/vantri"_s;
        QTest::newRow("alone") << QStringList{u"opt/vantri-app"_s} << u"opt/vantri-app"_s
                               << u"opt/vantri-app"_s;
        QTest::newRow("one program")
            << QStringList{u"bin/vantri"_s} << u"bin/vantri"_s << u"bin/vantri"_s;
    }

    void userProgramIsFoundBesideOrAboveTheRunningOne() {
        QFETCH(QStringList, executables);
        QFETCH(QString, running);
        QFETCH(QString, found);
        TempTree tree;
        for (const QString& program : executables)
            tree.writeProgram(program, "#!/bin/sh\n");
        // A file that is no program is passed over.
        tree.writeFile(u"opt/vantri"_s, "");
        QCOMPARE(userProgramPath(tree.path(running)), tree.path(found));
    }

private:
    TempTree _tree;
};

QTEST_GUILESS_MAIN(TestDesktopEntry)
#include "tst_desktopentry.moc"
