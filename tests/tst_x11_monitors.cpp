#include "TempTree.h"
#include "VirtualDesktop.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"

#include <QtTest>

namespace {

// The primary monitor, 2880 by 1800, and a 1280 by 800 one right of it.
const QList<QSize> monitors{QSize(2880, 1800), QSize(1280, 800)};
const QList<QRect> monitorAreas{QRect(0, 0, 2880, 1800), QRect(2880, 0, 1280, 800)};
const QString panelTitle = QStringLiteral("Vantri Launcher");

} // namespace

// The built program on a desktop of two monitors: the hotkey opens the panel
// on the monitor of the window the user works in, at each monitor's scale.
class TestX11Monitors : public QObject {
    Q_OBJECT

public:
    explicit TestX11Monitors(VirtualDesktop& desktop)
        : _desktop(desktop) {}

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void panelOpensOnTheMonitorOfTheActiveWindow_data();
    void panelOpensOnTheMonitorOfTheActiveWindow();
    void pointerDecidesWhileVantrisOwnWindowIsActive();
    void shownPanelStaysOnItsMonitorWhenShownAgain();

private:
    // Starts Vantri with `variables` (NAME=VALUE) added to its environment
    // and waits until its launch sequence has run.
    bool startVantri(const QStringList& variables);
    // Runs vantri with `arguments` beside the running one, to its end.
    bool runVantri(const QStringList& arguments) const;
    QList<VirtualDesktop::ShownWindow> shownWindows(const QString& title) const;
    // Makes the other program's window on `monitor` the active one and puts
    // the pointer on the other monitor, so that only the window can decide.
    bool workOn(int monitor) const;
    // Presses the hotkey and waits for the panel to be shown and active; where
    // it is shown, or an empty rectangle when it did not come.
    QRect summonPanel() const;
    bool dismissPanel() const;

    VirtualDesktop& _desktop;
    IsolatedEnvironment _environment;
    QProcess _vantri;
    std::array<QProcess, 2> _others;
    QList<quint64> _otherWindows;
};

bool TestX11Monitors::startVantri(const QStringList& variables) {
    QProcessEnvironment environment = _desktop.environment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    for (const QString& variable : variables)
        environment.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
    const QString indexFile = _environment.dataHome() + QStringLiteral("/Vantri/appIndex.json");
    QFile::remove(indexFile);
    _vantri.setProcessEnvironment(environment);
    _vantri.setProcessChannelMode(QProcess::ForwardedChannels);
    // The full program itself, so that this process is the instance.
    _vantri.start(qEnvironmentVariable("VANTRI_APP_BINARY"), {});
    // The index file is written a moment after the launch sequence, and with
    // it the hotkey registration, has run.
    return _vantri.waitForStarted() && QTest::qWaitFor(
                                           [&] {
                                               return _vantri.state() == QProcess::Running &&
                                                      QFileInfo(indexFile).size() > 0;
                                           },
                                           30000);
}

bool TestX11Monitors::runVantri(const QStringList& arguments) const {
    QProcess process;
    process.setProcessEnvironment(_vantri.processEnvironment());
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(qEnvironmentVariable("VANTRI_BINARY"), arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

QList<VirtualDesktop::ShownWindow> TestX11Monitors::shownWindows(const QString& title) const {
    QList<VirtualDesktop::ShownWindow> windows = _desktop.shownWindows(_vantri.processId());
    windows.removeIf(
        [&](const VirtualDesktop::ShownWindow& window) { return window.title != title; });
    return windows;
}

bool TestX11Monitors::workOn(int monitor) const {
    const quint64 window = _otherWindows.at(monitor);
    const QPoint elsewhere = monitor == 0 ? QPoint(3500, 400) : QPoint(1400, 900);
    return _desktop.run(QStringLiteral("xdotool"),
                        {QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                         QString::number(window), QStringLiteral("mousemove"),
                         QString::number(elsewhere.x()), QString::number(elsewhere.y())}) &&
           QTest::qWaitFor([&] { return _desktop.activeWindow() == window; });
}

QRect TestX11Monitors::summonPanel() const {
    QList<VirtualDesktop::ShownWindow> panels;
    if (!_desktop.press(QStringLiteral("ctrl+alt+space")) || !QTest::qWaitFor([&] {
            panels = shownWindows(panelTitle);
            return panels.size() == 1 && _desktop.activeWindow() == panels.first().id;
        }))
        return {};
    return panels.first().geometry;
}

bool TestX11Monitors::dismissPanel() const {
    return _desktop.press(QStringLiteral("Escape")) &&
           QTest::qWaitFor([&] { return shownWindows(panelTitle).isEmpty(); });
}

void TestX11Monitors::initTestCase() {
    QVERIFY2(QFileInfo(qEnvironmentVariable("VANTRI_BINARY")).isExecutable(),
             "VANTRI_BINARY must name the built program");
    const auto preferences = openPreferences();
    preferences->setValue(PreferenceKeys::savedShortcut, QStringLiteral("⌃⌥␣"));
    preferences->sync();

    // Another program's window in the upper left of each monitor.
    const QList<QPoint> places{QPoint(100, 100), QPoint(3000, 100)};
    for (int monitor = 0; monitor < 2; ++monitor) {
        const QString name = QStringLiteral("monitor%1").arg(monitor);
        QProcess& other = _others.at(monitor);
        other.setProcessEnvironment(_desktop.environment());
        other.start(QStringLiteral("xmessage"),
                    {QStringLiteral("-name"), name, QStringLiteral("-geometry"),
                     QStringLiteral("300x100+%1+%2")
                         .arg(places.at(monitor).x())
                         .arg(places.at(monitor).y()),
                     QStringLiteral("work on monitor %1").arg(monitor)});
        QVERIFY(other.waitForStarted());
        const std::optional<QString> found = _desktop.run(
            QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
             QStringLiteral("--classname"), QLatin1Char('^') + name + QLatin1Char('$')});
        QVERIFY(found);
        _otherWindows.append(found->section(u'\n', 0, 0).toULongLong());
        QVERIFY(monitorAreas.at(monitor).contains(_desktop.shownGeometry(_otherWindows.last())));
    }
}

void TestX11Monitors::cleanupTestCase() {
    for (QProcess& other : _others) {
        other.kill();
        other.waitForFinished();
    }
}

void TestX11Monitors::cleanup() {
    if (_vantri.state() == QProcess::NotRunning)
        return;
    _vantri.terminate();
    QVERIFY(_vantri.waitForFinished());
}

void TestX11Monitors::panelOpensOnTheMonitorOfTheActiveWindow_data() {
    QTest::addColumn<QStringList>("variables");
    QTest::addColumn<QRect>("onFirst");
    QTest::addColumn<QRect>("onSecond");
    // Centred on each monitor, 0.324 of its height below its top (583.2 on
    // the first, 259.2 on the second), 600 by 60 in the monitor's own scale.
    QTest::newRow("scale 1") << QStringList() << QRect(1140, 583, 600, 60)
                             << QRect(3220, 259, 600, 60);
    // 1440 by 900 and 640 by 400 logical pixels from their device top left.
    QTest::newRow("scale 2") << QStringList{QStringLiteral("QT_SCALE_FACTOR=2")}
                             << QRect(840, 583, 1200, 120) << QRect(2920, 259, 1200, 120);
    QTest::newRow("scale 2 on the first monitor only")
        << QStringList{QStringLiteral("QT_SCREEN_SCALE_FACTORS=DUMMY0=2;DUMMY1=1")}
        << QRect(840, 583, 1200, 120) << QRect(3220, 259, 600, 60);
    // 5760 by 3600 logical pixels: the first monitor's logical area takes in
    // the second monitor's.
    QTest::newRow("scale 0.5 on the first monitor only")
        << QStringList{QStringLiteral("QT_SCREEN_SCALE_FACTORS=DUMMY0=0.5;DUMMY1=1")}
        << QRect(1290, 583, 300, 30) << QRect(3220, 259, 600, 60);
}

void TestX11Monitors::panelOpensOnTheMonitorOfTheActiveWindow() {
    QFETCH(QStringList, variables);
    QFETCH(QRect, onFirst);
    QFETCH(QRect, onSecond);
    QVERIFY(startVantri(variables));
    // Back and forth, so that the panel moves to a monitor it was not on.
    for (int monitor : {1, 0, 1}) {
        const QRect expected = monitor == 0 ? onFirst : onSecond;
        QVERIFY(workOn(monitor));
        const QRect shown = summonPanel();
        QVERIFY2(shown.size() == expected.size() && shown.x() == expected.x() &&
                     qAbs(shown.y() - expected.y()) <= 1,
                 qPrintable(QStringLiteral("monitor %1: shown at %2,%3 %4x%5")
                                .arg(monitor)
                                .arg(shown.x())
                                .arg(shown.y())
                                .arg(shown.width())
                                .arg(shown.height())));
        QVERIFY(dismissPanel());
    }
}

void TestX11Monitors::pointerDecidesWhileVantrisOwnWindowIsActive() {
    QVERIFY(startVantri({}));
    // A second plain start opens the settings window, on the first monitor.
    QVERIFY(runVantri({}));
    QList<VirtualDesktop::ShownWindow> settings;
    QTRY_VERIFY((settings = shownWindows(QStringLiteral("Settings"))).size() == 1 &&
                _desktop.activeWindow() == settings.first().id);
    QVERIFY(monitorAreas.first().contains(settings.first().geometry));

    QVERIFY(
        _desktop.run(QStringLiteral("xdotool"),
                     {QStringLiteral("mousemove"), QStringLiteral("3500"), QStringLiteral("400")}));
    QCOMPARE(summonPanel(), QRect(3220, 259, 600, 60));
    QVERIFY(dismissPanel());
}

void TestX11Monitors::shownPanelStaysOnItsMonitorWhenShownAgain() {
    QVERIFY(startVantri({}));
    QVERIFY(workOn(1));
    const QRect shown = summonPanel();
    QCOMPARE(shown, QRect(3220, 259, 600, 60));
    // The panel itself is active now and the pointer is on the first monitor.
    QVERIFY(runVantri({QStringLiteral("show")}));
    const QList<VirtualDesktop::ShownWindow> panels = shownWindows(panelTitle);
    QCOMPARE(panels.size(), 1);
    QCOMPARE(panels.first().geometry, shown);
    QVERIFY(dismissPanel());
}

int main(int argc, char** argv) {
    return runX11Test<TestX11Monitors>(argc, argv, monitors);
}
#include "tst_x11_monitors.moc"
