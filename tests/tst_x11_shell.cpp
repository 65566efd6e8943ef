// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TempTree.h"
#include "VantriSession.h"
#include "VirtualDesktop.h"

#include <QtTest>

namespace {

const QString settingsTitle = QStringLiteral("Settings");
// A point of the 1280 by 800 screen that no window covers.
const QPoint bareDesktop(1100, 700);
// Longer than Vantri gives a tray host to appear before opening Settings.
constexpr int trayHostGraceOverMs = 5000;

} // namespace

// The built program's shell on a virtual desktop, driven from outside as a
// user would: what it shows at start with and without a tray, the tray
// icon's clicks, and clicks that take the panel's focus away.
class TestX11Shell : public QObject {
    Q_OBJECT

public:
    explicit TestX11Shell(VirtualDesktop& desktop)
        : _desktop(desktop)
        , _session(desktop, _environment.tree()) {}

private Q_SLOTS:
    void cleanupTestCase();
    void withoutATrayStartOpensSettingsOnce();
    void aTrayHostComingUpAfterTheStartTakesTheIcon();
    void leftClickOnTheTrayIconOpensItsMenu();
    void clickOnTheBareDesktopHidesThePanel();

private:
    QList<VirtualDesktop::ShownWindow> shown(const QString& title) const {
        return _session.shownWindows(title);
    }
    // Shows the panel with `vantri toggle` and waits until it is active; its window.
    quint64 summonPanel() const;

    VirtualDesktop& _desktop;
    IsolatedEnvironment _environment;
    VantriSession _session;
    QProcess _trayHost;
};

void TestX11Shell::cleanupTestCase() {
    if (_session.process().state() == QProcess::Running)
        QVERIFY(_session.quit());
    _trayHost.terminate();
    _trayHost.waitForFinished();
}

quint64 TestX11Shell::summonPanel() const {
    quint64 panel = 0;
    return _session.run({QStringLiteral("toggle")}) == 0 && QTest::qWaitFor([&] {
               return (panel = _session.shownPanel()) != 0 && _desktop.activeWindow() == panel;
           })
               ? panel
               : 0;
}

void TestX11Shell::withoutATrayStartOpensSettingsOnce() {
    QVERIFY(_session.start());
    QTRY_COMPARE_WITH_TIMEOUT(shown(settingsTitle).size(), 1, 3 * trayHostGraceOverMs);
    QTRY_COMPARE(_desktop.activeWindow(), shown(settingsTitle).value(0).id);
    // Closed, it stays closed: it was shown for the start only. A loaded
    // window manager may miss the first press of its close key.
    QVERIFY(QTest::qWaitFor(
        [&] {
            return _desktop.press(QStringLiteral("alt+F4")) &&
                   QTest::qWaitFor([&] { return shown(settingsTitle).isEmpty(); }, 3000);
        },
        30000));
    QVERIFY(shown(VantriSession::panelTitle).isEmpty());
    QVERIFY(_session.quit());
}

void TestX11Shell::aTrayHostComingUpAfterTheStartTakesTheIcon() {
    // As at login, where the desktop's panel may come up after Vantri.
    QVERIFY(_session.start());
    QVERIFY2(_desktop.startTrayHost(_trayHost), "trayer is not installed");
    // The icon docks in the tray, and nothing else appears, then or once the
    // wait for a tray host would have run out.
    QTRY_VERIFY(!shown(QStringLiteral("Vantri")).isEmpty());
    QTest::qWait(trayHostGraceOverMs);
    QCOMPARE(shown(QStringLiteral("Vantri")).size(), 1);
    QVERIFY(shown(settingsTitle).isEmpty());
}

void TestX11Shell::leftClickOnTheTrayIconOpensItsMenu() {
    const QList<VirtualDesktop::ShownWindow> icons = shown(QStringLiteral("Vantri"));
    QCOMPARE(icons.size(), 1);
    QVERIFY(_desktop.clickAt(icons.first().geometry.center(), 1));
    QTRY_COMPARE(shown(QStringLiteral("Vantri")).size(), 2);
    // "Settings" is the menu's first entry.
    QVERIFY(_desktop.press(QStringLiteral("Down")));
    QVERIFY(_desktop.press(QStringLiteral("Return")));
    QTRY_COMPARE(shown(settingsTitle).size(), 1);
    QTRY_COMPARE(shown(QStringLiteral("Vantri")).size(), 1);
    QTRY_COMPARE(_desktop.activeWindow(), shown(settingsTitle).value(0).id);
    QVERIFY(_desktop.press(QStringLiteral("alt+F4")));
    QTRY_VERIFY(shown(settingsTitle).isEmpty());
}

void TestX11Shell::clickOnTheBareDesktopHidesThePanel() {
    const quint64 panel = summonPanel();
    QVERIFY(panel != 0);
    QVERIFY(_desktop.clickAt(bareDesktop));
    QTRY_VERIFY(shown(VantriSession::panelTitle).isEmpty());
    // No other window took the activation: the click alone sent the panel away.
    QCOMPARE(_desktop.activeWindow(), 0u);
    // And the next toggle shows it again, in one press.
    QCOMPARE(summonPanel(), panel);
    QVERIFY(_desktop.press(QStringLiteral("Escape")));
    QTRY_VERIFY(shown(VantriSession::panelTitle).isEmpty());
}

VANTRI_X11_TEST_MAIN(TestX11Shell)
#include "tst_x11_shell.moc"
