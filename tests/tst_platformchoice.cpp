// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TempTree.h"
#include "app/PlatformChoice.h"

#include <QProcess>
#include <QtTest>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// The probes of a machine where `plugins` are installed and `answering`
// display names have a server behind them.
PlatformChoice::Probes machine(const QStringList& plugins, const QStringList& answering) {
    const auto answers = [answering](const QString& display) {
        return answering.contains(display);
    };
    return {[plugins](const QString& plugin) { return plugins.contains(plugin); }, answers,
            answers};
}

} // namespace

class TestPlatformChoice : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void choice_data();
    void choice();
    void startWithoutAUsablePlatformFailsCleanly_data();
    void startWithoutAUsablePlatformFailsCleanly();
};

void TestPlatformChoice::choice_data() {
    QTest::addColumn<QString>("qpaPlatform");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("waylandDisplay");
    QTest::addColumn<QStringList>("plugins");
    QTest::addColumn<QStringList>("answering");
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QString>("failureMentions"); // empty: no failure

    const QStringList both{"xcb", "wayland"};
    const QStringList x11Only{"xcb"};
    QTest::newRow("Wayland session with Xwayland")
        << ""
        << ":0"
        << "wayland-1" << both << QStringList{":0", "wayland-1"} << "xcb"
        << "";
    QTest::newRow("X11 session") << ""
                                 << ":0"
                                 << "" << both << QStringList{":0"} << "xcb"
                                 << "";
    QTest::newRow("Wayland without Xwayland")
        << ""
        << ""
        << "wayland-1" << both << QStringList{"wayland-1"} << "wayland"
        << "";
    QTest::newRow("stale DISPLAY in a Wayland session")
        << ""
        << ":9"
        << "wayland-1" << both << QStringList{"wayland-1"} << "wayland"
        << "";
    QTest::newRow("user's platform kept")
        << "wayland"
        << ":0"
        << "wayland-1" << both << QStringList{":0", "wayland-1"} << ""
        << "";
    QTest::newRow("user's list kept when a later one starts")
        << "wayland;xcb"
        << ":0"
        << "" << both << QStringList{":0"} << ""
        << "";
    QTest::newRow("offscreen needs no server") << "offscreen"
                                               << ""
                                               << "" << both << QStringList{} << ""
                                               << "";
    QTest::newRow("Wayland without the plugin")
        << ""
        << ""
        << "wayland-1" << x11Only << QStringList{"wayland-1"} << ""
        << "install qt6-wayland";
    QTest::newRow("nothing set") << ""
                                 << ""
                                 << "" << both << QStringList{} << ""
                                 << "neither DISPLAY nor WAYLAND_DISPLAY is set";
    QTest::newRow("X server gone") << ""
                                   << ":9"
                                   << "" << both << QStringList{} << ""
                                   << "no X server answers at DISPLAY=:9";
    QTest::newRow("user's platform cannot start") << "wayland"
                                                  << ":0"
                                                  << "" << x11Only << QStringList{":0"} << ""
                                                  << "unset QT_QPA_PLATFORM";
}

void TestPlatformChoice::choice() {
    QFETCH(QString, qpaPlatform);
    QFETCH(QString, display);
    QFETCH(QString, waylandDisplay);
    QFETCH(QStringList, plugins);
    QFETCH(QStringList, answering);
    QFETCH(QString, platform);
    QFETCH(QString, failureMentions);
    const PlatformChoice choice =
        PlatformChoice::choose({qpaPlatform, display, waylandDisplay}, machine(plugins, answering));
    QCOMPARE(choice.platform, platform);
    QVERIFY2(failureMentions.isEmpty() ? choice.failure.isEmpty()
                                       : choice.failure.contains(failureMentions),
             qPrintable(choice.failure));
    QVERIFY(!choice.failure.contains(u'\n'));
}

void TestPlatformChoice::startWithoutAUsablePlatformFailsCleanly_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("waylandDisplay");
    QTest::newRow("no display at all") << QStringList{} << ""
                                       << "";
    QTest::newRow("toggle, X server gone") << QStringList{"toggle"} << ":4093"
                                           << "";
    QTest::newRow("toggle, compositor gone") << QStringList{"toggle"} << ""
                                             << "wayland-gone";
}

// The real program, started where nothing can show its windows: it says so
// in one line and ends, leaving nothing behind that would stop the next start.
void TestPlatformChoice::startWithoutAUsablePlatformFailsCleanly() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, display);
    QFETCH(QString, waylandDisplay);
    const IsolatedEnvironment isolated;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), waylandDisplay);
    QProcess vantri;
    vantri.setProcessEnvironment(environment);
    vantri.start(qEnvironmentVariable("VANTRI_BINARY"), arguments);
    QVERIFY(vantri.waitForFinished(60'000));
    QCOMPARE(vantri.exitStatus(), QProcess::NormalExit);
    QCOMPARE(vantri.exitCode(), 1);
    const QByteArray error = vantri.readAllStandardError();
    QVERIFY2(error.startsWith("vantri: ") && error.endsWith('\n') && error.count('\n') == 1,
             error.constData());
    // No socket, and no start lock still held: the next start goes ahead.
    const QFileInfoList left =
        QDir(isolated.runtimeDir())
            .entryInfoList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : left) {
        QVERIFY2(entry.isFile(), qPrintable(entry.fileName()));
        const int fd = ::open(QFile::encodeName(entry.filePath()).constData(), O_RDWR | O_CLOEXEC);
        QVERIFY(fd >= 0);
        const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        ::close(fd);
        QVERIFY2(free, qPrintable(entry.fileName()));
    }
}

QTEST_GUILESS_MAIN(TestPlatformChoice)
#include "tst_platformchoice.moc"
