// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TempTree.h"
#include "VantriSession.h"
#include "VirtualDesktop.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// The primary monitor, 2880 by 1800, and a 1280 by 800 one right of it.
const QList<QSize> monitors{QSize(2880, 1800), QSize(1280, 800)};
const QList<QRect> monitorAreas{QRect(0, 0, 2880, 1800), QRect(2880, 0, 1280, 800)};

} // namespace

// The built program on a desktop of two monitors: the hotkey opens the panel
// on the monitor of the window the user works in, at each monitor's scale;
// while Vantri's own window is active, the pointer decides.
class TestX11Monitors : public QObject {
    Q_OBJECT

public:
    explicit TestX11Monitors(VirtualDesktop& desktop)
        : _desktop(desktop) {}

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void panelOpensOnTheMonitorOfTheActiveWindow_data();
    void panelOpensOnTheMonitorOfTheActiveWindow();

private:
    // Makes the other program's window on `monitor` the active one and puts
    // the pointer on the other monitor, so that only the window can decide.
    bool workOn(int monitor) const;
    // Presses the hotkey and waits for the panel to be shown and active; where
    // it is shown, or an empty rectangle when it did not come.
    QRect summonPanel() const { return _desktop.shownGeometry(_vantri.summonPanel()); }

    VirtualDesktop& _desktop;
    IsolatedEnvironment _environment;
    VantriSession _vantri{_desktop, _environment.tree()};
    QList<quint64> _otherWindows;
};

bool TestX11Monitors::workOn(int monitor) const {
    const quint64 window = _otherWindows.at(monitor);
    const QPoint elsewhere = monitor == 0 ? QPoint(3500, 400) : QPoint(1400, 900);
    return _desktop.run(u"xdotool"_s,
                        {u"windowactivate"_s, u"--sync"_s, QString::number(window), u"mousemove"_s,
                         QString::number(elsewhere.x()), QString::number(elsewhere.y())}) &&
           QTest::qWaitFor([&] { return _desktop.activeWindow() == window; });
}

void TestX11Monitors::initTestCase() {
    // A desktop's tray, so that Settings does not open in its place and take
    // the activation mid-test.
    QVERIFY2(_desktop.startTrayHost(), "trayer is not installed");
    // Another program's window in the upper left of each monitor.
    for (int monitor = 0; monitor < 2; ++monitor) {
        _otherWindows.append(
            _desktop.showOtherProgram(monitor == 0 ? u"300x100+100+100"_s : u"300x100+3000+100"_s));
        QVERIFY(monitorAreas.at(monitor).contains(_desktop.shownGeometry(_otherWindows.last())));
    }
}

void TestX11Monitors::cleanup() {
    if (_vantri.process().state() == QProcess::Running)
        QVERIFY(_vantri.quit());
}

void TestX11Monitors::panelOpensOnTheMonitorOfTheActiveWindow_data() {
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QRect>("onFirst");
    QTest::addColumn<QRect>("onSecond");
    // Centred on each monitor, 0.324 of its height below its top (583.2 on
    // the first, 259.2 on the second), 600 by 60 in the monitor's own scale.
    QTest::newRow("scale 1") << QString() << QString() << QRect(1140, 583, 600, 60)
                             << QRect(3220, 259, 600, 60);
    // 1440 by 900 and 640 by 400 logical pixels from their device top left.
    QTest::newRow("scale 2") << u"QT_SCALE_FACTOR"_s << u"2"_s << QRect(840, 583, 1200, 120)
                             << QRect(2920, 259, 1200, 120);
    QTest::newRow("scale 2 on the first monitor only")
        << u"QT_SCREEN_SCALE_FACTORS"_s << u"DUMMY0=2;DUMMY1=1"_s << QRect(840, 583, 1200, 120)
        << QRect(3220, 259, 600, 60);
    // 5760 by 3600 logical pixels: the first monitor's logical area takes in
    // the second monitor's.
    QTest::newRow("scale 0.5 on the first monitor only")
        << u"QT_SCREEN_SCALE_FACTORS"_s << u"DUMMY0=0.5;DUMMY1=1"_s << QRect(1290, 583, 300, 30)
        << QRect(3220, 259, 600, 60);
}

void TestX11Monitors::panelOpensOnTheMonitorOfTheActiveWindow() {
    QFETCH(QString, variable);
    QFETCH(QString, value);
    QFETCH(QRect, onFirst);
    QFETCH(QRect, onSecond);
    QProcessEnvironment scale;
    if (!variable.isEmpty())
        scale.insert(variable, value);
    QVERIFY(_vantri.start(_vantri.process(), u"first"_s, scale));
    // Back and forth, so that the panel moves to a monitor it was not on.
    for (int monitor : {1, 0, 1}) {
        const QRect expected = monitor == 0 ? onFirst : onSecond;
        QVERIFY(workOn(monitor));
        const QRect shown = summonPanel();
        QCOMPARE(shown.size(), expected.size());
        QCOMPARE(shown.x(), expected.x());
        QVERIFY(qAbs(shown.y() - expected.y()) <= 1);
        // Shown again while it is active, with the pointer on the other
        // monitor, the panel stays where it is.
        QCOMPARE(_vantri.run({u"show"_s}), 0);
        QCOMPARE(_vantri.shownWindows(VantriSession::panelTitle).value(0).geometry, shown);
        QVERIFY(_vantri.dismissPanel());
    }

    // A second plain start opens the settings window, on the first monitor;
    // with the pointer on the second, the panel opens there.
    QCOMPARE(_vantri.run({}), 0);
    QList<VirtualDesktop::ShownWindow> settings;
    QTRY_VERIFY((settings = _vantri.shownWindows(u"Settings"_s)).size() == 1 &&
                _desktop.activeWindow() == settings.first().id);
    QVERIFY(monitorAreas.first().contains(settings.first().geometry));
    QVERIFY(_desktop.run(u"xdotool"_s, {u"mousemove"_s, u"3500"_s, u"400"_s}));
    const QRect onSecondMonitor = summonPanel();
    QCOMPARE(onSecondMonitor.size(), onSecond.size());
    QCOMPARE(onSecondMonitor.x(), onSecond.x());
    QVERIFY(_vantri.dismissPanel());
}

int main(int argc, char** argv) {
    return runX11Test<TestX11Monitors>(argc, argv, monitors);
}
#include "tst_x11_monitors.moc"
