// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TempTree.h"
#include "app/PlatformChoice.h"

#include <QProcess>
#include <QtTest>

using namespace Qt::StringLiterals;

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
    const auto row = [](const char* name, const char* qpa, const char* display, const char* wayland,
                        const QStringList& plugins, const QStringList& answering,
                        const char* platform, const char* failure = "") {
        QTest::newRow(name) << QString(qpa) << QString(display) << QString(wayland) << plugins
                            << answering << QString(platform) << QString(failure);
    };
    row("Wayland session with Xwayland", "", ":0", "wayland-1", both, {":0", "wayland-1"}, "xcb");
    row("X11 session", "", ":0", "", both, {":0"}, "xcb");
    row("Wayland without Xwayland", "", "", "wayland-1", both, {"wayland-1"}, "wayland");
    row("stale DISPLAY in a Wayland session", "", ":9", "wayland-1", both, {"wayland-1"},
        "wayland");
    row("user's platform kept", "wayland", ":0", "wayland-1", both, {":0", "wayland-1"}, "");
    row("user's list kept when a later one starts", "wayland;xcb", ":0", "", both, {":0"}, "");
    row("offscreen needs no server", "offscreen", "", "", both, {}, "");
    row("Wayland without the plugin", "", "", "wayland-1", x11Only, {"wayland-1"}, "",
        "install qt6-wayland");
    row("nothing set", "", "", "", both, {}, "", "neither DISPLAY nor WAYLAND_DISPLAY is set");
    row("X server gone", "", ":9", "", both, {}, "", "no X server answers at DISPLAY=:9");
    row("user's platform cannot start", "wayland", ":0", "", x11Only, {":0"}, "",
        "unset QT_QPA_PLATFORM");
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
    environment.remove(u"QT_QPA_PLATFORM"_s);
    environment.insert(u"DISPLAY"_s, display);
    environment.insert(u"WAYLAND_DISPLAY"_s, waylandDisplay);
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
    for (const QFileInfo& entry : left)
        QVERIFY2(entry.isFile() && lockIsFree(entry.filePath()), qPrintable(entry.fileName()));
}

QTEST_GUILESS_MAIN(TestPlatformChoice)
#include "tst_platformchoice.moc"
