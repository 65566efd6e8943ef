// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TempTree.h"
#include "VantriSession.h"
#include "VirtualDesktop.h"
#include "app/hotkey/ShortcutParser.h"
#include "index/AppIndexManager.h"
#include "state/AppState.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"
#include "ui/settings/Settings.h"
#include "ui/settings/ShortcutSelectorView.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <csignal>

namespace {

const QString settingsTitle = QStringLiteral("Settings");
// 1280 by 800 screen: 600 wide, centred, 0.324 × 800 = 259 below the top.
const QRect panelFrame(340, 259, 600, 60);

// Where `widget` shows its centre, from the top left of its window.
QPoint centreInWindow(const QWidget& widget) {
    return widget.mapTo(widget.window(), widget.rect().center());
}

QPushButton* buttonLabelled(const QWidget& parent, const QString& text) {
    for (QPushButton* button : parent.findChildren<QPushButton*>()) {
        if (button->text() == text)
            return button;
    }
    qFatal("no button %s", qPrintable(text));
}

} // namespace

// The built program on a virtual desktop with a window manager and a tray
// host, driven from outside as a user would: the hotkey, typing, Return and
// Escape, the tray menu and the settings window, and the command line.
class TestX11EndToEnd : public QObject {
    Q_OBJECT

public:
    explicit TestX11EndToEnd(VirtualDesktop& desktop)
        : _desktop(desktop) {}

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void hotKeyShowsThePanelInPlaceWithTheFieldFocused();
    void returnOpensTheTypedApplicationAndHides();
    void escapeHidesAndTheHotKeyTogglesTheSameWindow();
    void clickInAnotherProgramHidesThePanelOneInsideDoesNot();
    void toggleCommandShowsAndHidesTheRunningPanel();
    void secondPlainStartOpensSettingsInTheRunningInstance();
    void settingsInTheTrayMenuOpensTheSettingsWindow();
    void chosenShortcutTakesOverFromTheOldOneAtOnce();
    void vantriOfAnotherSessionIsRefusedTheHotKeyAndKeepsRunning();
    void savedShortcutWithoutAModifierGrabsNothing();
    void quitCommandEndsTheInstanceAndAKilledOneIsReplaced();

private:
    // Waits for the one settings window to be shown, at its size, and active.
    bool settingsShownAndActive() const;
    // Opens the chooser from the shown settings window, clicks `labels` in it
    // and waits for it to close; `panel` is the same window laid out here.
    bool chooseInSettings(const Settings& panel, AppState& layoutState,
                          const QStringList& labels) const;
    // Waits for the shown settings window to show what `widget` of the panel
    // laid out here shows, pixel for pixel, in the same place.
    bool settingsShowLike(const QWidget& widget) const;
    std::optional<VirtualDesktop::ShownWindow> trayIcon() const;

    VirtualDesktop& _desktop;
    IsolatedEnvironment _environment;
    QProcess _trayHost;
    VantriSession _vantri{_desktop, _environment.tree()};
    QString _openedFile;
};

bool TestX11EndToEnd::settingsShownAndActive() const {
    return QTest::qWaitFor([&] {
        const auto settings = _vantri.shownWindows(settingsTitle);
        return settings.size() == 1 && settings.first().geometry.size() == Settings::panelSize &&
               _desktop.activeWindow() == settings.first().id;
    });
}

// The tray icon and the tray menu are both titled "Vantri"; the icon is the
// small one docked in the tray host.
std::optional<VirtualDesktop::ShownWindow> TestX11EndToEnd::trayIcon() const {
    for (const auto& window : _vantri.shownWindows(QStringLiteral("Vantri"))) {
        if (window.geometry.width() <= 32 && window.geometry.height() <= 32)
            return window;
    }
    return std::nullopt;
}

void TestX11EndToEnd::initTestCase() {
    // Vantri opens Settings at start when it finds no tray: the tray is there first.
    QVERIFY2(_desktop.startTrayHost(_trayHost), "trayer is not installed");

    const TempTree& tree = _environment.tree();
    _openedFile = tree.path(QStringLiteral("opened.txt"));
    tree.writeFile(QStringLiteral("share/applications/zebra-notes.desktop"),
                   "[Desktop Entry]\nType=Application\nName=Zebra Notes\nExec=touch " +
                       _openedFile.toUtf8() + "\n");

    const auto preferences = openPreferences();
    preferences->setValue(PreferenceKeys::savedShortcut, QStringLiteral("⌃⌥␣"));
    preferences->sync();

    QVERIFY(_vantri.start());
}

void TestX11EndToEnd::cleanupTestCase() {
    QCOMPARE(_vantri.process().state(), QProcess::Running);
    _vantri.process().terminate();
    QVERIFY(_vantri.process().waitForFinished());
    _trayHost.terminate();
    _trayHost.waitForFinished();
}

void TestX11EndToEnd::hotKeyShowsThePanelInPlaceWithTheFieldFocused() {
    QCOMPARE(_vantri.shownPanel(), 0u);
    const quint64 panel = _vantri.summonPanel();
    QVERIFY(panel != 0);
    QTRY_COMPARE(_desktop.shownGeometry(panel), panelFrame);
}

void TestX11EndToEnd::returnOpensTheTypedApplicationAndHides() {
    const quint64 panel = _vantri.shownPanel();
    QVERIFY(panel != 0);
    // Typed without a click: the field has the focus.
    QVERIFY(_desktop.type(QStringLiteral("zebra")));
    // The result area opens under the field once the application is found.
    QTRY_COMPARE(_desktop.shownGeometry(panel).height(), 60 + 20 + 50);
    QVERIFY(_desktop.press(QStringLiteral("Return")));
    QTRY_VERIFY(QFileInfo::exists(_openedFile));
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
}

void TestX11EndToEnd::escapeHidesAndTheHotKeyTogglesTheSameWindow() {
    const quint64 panel = _vantri.summonPanel();
    QVERIFY(panel != 0);
    QVERIFY(_desktop.press(QStringLiteral("Escape")));
    QTRY_COMPARE(_vantri.shownPanel(), 0u);

    // Twice over, closed the second time by the hotkey, then by Escape.
    for (const QString& close : {QStringLiteral("ctrl+alt+space"), QStringLiteral("Escape")}) {
        QCOMPARE(_vantri.summonPanel(), panel);
        QTRY_COMPARE(_desktop.shownGeometry(panel), panelFrame);
        QVERIFY(_desktop.press(close));
        QTRY_COMPARE(_vantri.shownPanel(), 0u);
    }
}

void TestX11EndToEnd::clickInAnotherProgramHidesThePanelOneInsideDoesNot() {
    QProcess other;
    QVERIFY(_desktop.showOtherProgram(other));
    // The hotkey is grabbed with and without the lock modifiers.
    QVERIFY(_desktop.press(QStringLiteral("Caps_Lock")));
    const quint64 panel = _vantri.summonPanel();
    QVERIFY(_desktop.press(QStringLiteral("Caps_Lock")));
    QVERIFY(panel != 0);

    // A click on the panel keeps it, and typing still reaches the field.
    QVERIFY(_desktop.clickAt(panelFrame.center()));
    QVERIFY(_desktop.type(QStringLiteral("zebra")));
    QTRY_COMPARE(_desktop.shownGeometry(panel).height(), 60 + 20 + 50);
    QVERIFY(_desktop.clickAt({60, 60}));
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
    other.kill();
    other.waitForFinished();
}

void TestX11EndToEnd::toggleCommandShowsAndHidesTheRunningPanel() {
    // Each command returns once the instance has carried it out.
    QCOMPARE(_vantri.run({QStringLiteral("toggle")}), 0);
    quint64 panel = 0;
    QTRY_VERIFY((panel = _vantri.shownPanel()) != 0);
    QTRY_COMPARE(_desktop.activeWindow(), panel);
    QTRY_COMPARE(_desktop.shownGeometry(panel), panelFrame);
    // The field has the focus, as after the hotkey.
    QVERIFY(_desktop.press(QStringLiteral("ctrl+a")));
    QVERIFY(_desktop.type(QStringLiteral("zebra")));
    QTRY_COMPARE(_desktop.shownGeometry(panel).height(), 60 + 20 + 50);

    QCOMPARE(_vantri.run({QStringLiteral("toggle")}), 0);
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
    QCOMPARE(_vantri.process().state(), QProcess::Running);
}

void TestX11EndToEnd::secondPlainStartOpensSettingsInTheRunningInstance() {
    QVERIFY(_vantri.shownWindows(settingsTitle).isEmpty());
    QCOMPARE(_vantri.run({}), 0);

    QVERIFY(settingsShownAndActive());
    // The running instance is still the only one: one tray icon.
    QCOMPARE(_vantri.process().state(), QProcess::Running);
    QVERIFY(trayIcon());

    // Closed through the window manager, as its close button would.
    QVERIFY(_desktop.press(QStringLiteral("alt+F4")));
    QTRY_VERIFY(_vantri.shownWindows(settingsTitle).isEmpty());
    QCOMPARE(_vantri.process().state(), QProcess::Running);
}

void TestX11EndToEnd::settingsInTheTrayMenuOpensTheSettingsWindow() {
    std::optional<VirtualDesktop::ShownWindow> icon;
    QTRY_VERIFY((icon = trayIcon()));
    const int menusBefore = _vantri.shownWindows(QStringLiteral("Vantri")).size();
    QVERIFY(_desktop.clickAt(icon->geometry.center(), 3));
    QTRY_COMPARE(_vantri.shownWindows(QStringLiteral("Vantri")).size(), menusBefore + 1);
    // "Settings" is the menu's first entry.
    QVERIFY(_desktop.press(QStringLiteral("Down")));
    QVERIFY(_desktop.press(QStringLiteral("Return")));

    QVERIFY(settingsShownAndActive());
    QCOMPARE(_vantri.shownWindows(QStringLiteral("Vantri")).size(), menusBefore);
}

bool TestX11EndToEnd::chooseInSettings(const Settings& panel, AppState& layoutState,
                                       const QStringList& labels) const {
    const QList<VirtualDesktop::ShownWindow> settings = _vantri.shownWindows(settingsTitle);
    if (settings.size() != 1 || !_desktop.clickAt(settings.first().geometry.topLeft() +
                                                  centreInWindow(*panel.findChild<QPushButton*>(
                                                      QStringLiteral("hotkeyButton")))))
        return false;
    ShortcutSelectorView chooser(layoutState, const_cast<Settings*>(&panel));
    chooser.setAttribute(Qt::WA_DontShowOnScreen);
    chooser.show();
    QList<VirtualDesktop::ShownWindow> shown;
    if (!QTest::qWaitFor([&] {
            return (shown = _vantri.shownWindows(QStringLiteral("Launcher Hotkey"))).size() == 1;
        }) ||
        shown.first().geometry.size() != chooser.size())
        return false;
    for (const QString& label : labels) {
        if (!_desktop.clickAt(shown.first().geometry.topLeft() +
                              centreInWindow(*buttonLabelled(chooser, label))))
            return false;
    }
    return QTest::qWaitFor(
        [&] { return _vantri.shownWindows(QStringLiteral("Launcher Hotkey")).isEmpty(); });
}

bool TestX11EndToEnd::settingsShowLike(const QWidget& widget) const {
    const QList<VirtualDesktop::ShownWindow> settings = _vantri.shownWindows(settingsTitle);
    if (settings.size() != 1)
        return false;
    // Compared as plain pixels: the screenshot's file names a colour space,
    // the grab none.
    const auto pixels = [](const QImage& image) {
        QImage plain = image.convertToFormat(QImage::Format_RGB32);
        plain.setColorSpace(QColorSpace());
        return plain;
    };
    const QRect area(widget.mapTo(widget.window(), QPoint()), widget.size());
    const QImage expected = pixels(widget.window()->grab(area).toImage());
    return QTest::qWaitFor([&] {
        return pixels(_desktop.screenshot().copy(
                   area.translated(settings.first().geometry.topLeft()))) == expected;
    });
}

void TestX11EndToEnd::chosenShortcutTakesOverFromTheOldOneAtOnce() {
    // The panel and the chooser are laid out here as well, by the same code on
    // the same display, to know where their buttons are and what they show.
    AppState layoutState(std::make_unique<AppIndexManager>(
        QStringList{_environment.tree().makeDir(QStringLiteral("layout-apps"))},
        _environment.tree().path(QStringLiteral("layout-index.json"))));
    // Where the running instance says its key lives, as it says it.
    layoutState.setHotKeyPlace(
        {HotKeyPlace::Route::x11Grab, QStringLiteral("Ctrl+Alt+Space"), QString()});
    Settings panel(layoutState, nullptr, [](QWidget*) { return QString(); });
    panel.setAttribute(Qt::WA_DontShowOnScreen);
    panel.show();
    const auto* problem = panel.findChild<QLabel*>(QStringLiteral("hotKeyProblem"));

    // A combination another program holds is refused: Settings says so, and
    // the old one stays saved and in force.
    {
        HotKeyHolder holder(_desktop, *parseShortcut(QStringLiteral("⌃⌥K")));
        QCOMPARE(holder.readLine(), QStringLiteral("held"));
        QVERIFY(chooseInSettings(panel, layoutState,
                                 {QStringLiteral("⌥"), QStringLiteral("⌃"), QStringLiteral("K"),
                                  QStringLiteral("Set")}));
        layoutState.setHotKeyProblem(
            QStringLiteral("⌃⌥K is used by another program — choose another"));
        QVERIFY(settingsShowLike(*problem));
        QCOMPARE(openPreferences()->value(PreferenceKeys::savedShortcut).toString(),
                 QStringLiteral("⌃⌥␣"));
        QVERIFY(_vantri.summonPanel() != 0);
        QVERIFY(_desktop.press(QStringLiteral("Escape")));
        QTRY_COMPARE(_vantri.shownPanel(), 0u);
    }

    QVERIFY(chooseInSettings(
        panel, layoutState,
        {QStringLiteral("⌃"), QStringLiteral("⇧"), QStringLiteral("K"), QStringLiteral("Set")}));
    QCOMPARE(openPreferences()->value(PreferenceKeys::savedShortcut).toString(),
             QStringLiteral("⇧⌃K"));

    QCOMPARE(_vantri.shownPanel(), 0u);
    QVERIFY(_desktop.press(QStringLiteral("ctrl+shift+k")));
    QTRY_VERIFY(_vantri.shownPanel() != 0);
    QVERIFY(_desktop.press(QStringLiteral("Escape")));
    QTRY_COMPARE(_vantri.shownPanel(), 0u);

    // Vantri let go of the old combination: another program can take it now,
    // and pressing it reaches that program instead of summoning the panel.
    HotKeyHolder oldHolder(_desktop, *parseShortcut(QStringLiteral("⌃⌥␣")));
    QCOMPARE(oldHolder.readLine(), QStringLiteral("held"));
    QVERIFY(_desktop.press(QStringLiteral("ctrl+alt+space")));
    QCOMPARE(oldHolder.readLine(), QStringLiteral("pressed"));
    QCOMPARE(_vantri.shownPanel(), 0u);
    // ...while the new one stays Vantri's.
    HotKeyHolder newHolder(_desktop, *parseShortcut(QStringLiteral("⇧⌃K")));
    QCOMPARE(newHolder.readLine(), QStringLiteral("refused"));
}

void TestX11EndToEnd::vantriOfAnotherSessionIsRefusedTheHotKeyAndKeepsRunning() {
    // Another Vantri on the same display, as another user's would be: its
    // grab is refused, and the first one keeps the hotkey.
    QProcess other;
    QVERIFY(_vantri.start(other, QStringLiteral("other")));
    QVERIFY(_desktop.press(QStringLiteral("ctrl+shift+k")));
    QTRY_VERIFY(_vantri.shownPanel() != 0);
    QCOMPARE(other.state(), QProcess::Running);
    QVERIFY(_desktop.press(QStringLiteral("Escape")));
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
    other.terminate();
    QVERIFY(other.waitForFinished());
}

void TestX11EndToEnd::savedShortcutWithoutAModifierGrabsNothing() {
    // As a hand edit could leave it: a bare letter, which a grab would take
    // from every program on the desktop.
    const QString chosen = openPreferences()->value(PreferenceKeys::savedShortcut).toString();
    openPreferences()->setValue(PreferenceKeys::savedShortcut, QStringLiteral("K"));
    QProcess other;
    QVERIFY(_vantri.start(other, QStringLiteral("bare")));
    HotKeyHolder holder(_desktop, ParsedShortcut{40, 0});
    QCOMPARE(holder.readLine(), QStringLiteral("held"));
    QVERIFY(holder.stop());
    other.terminate();
    QVERIFY(other.waitForFinished());
    openPreferences()->setValue(PreferenceKeys::savedShortcut, chosen);
}

void TestX11EndToEnd::quitCommandEndsTheInstanceAndAKilledOneIsReplaced() {
    QVERIFY(_vantri.quit());
    // With none running, hide starts nothing.
    QCOMPARE(_vantri.run({QStringLiteral("hide")}), 0);

    // A crashed instance leaves its socket behind; the next start takes over.
    QVERIFY(_vantri.start());
    ::kill(pid_t(_vantri.process().processId()), SIGKILL);
    QVERIFY(_vantri.process().waitForFinished());
    QVERIFY(_vantri.start());
    QCOMPARE(_vantri.run({QStringLiteral("toggle")}), 0);
    QTRY_VERIFY(_vantri.shownPanel() != 0);
    QVERIFY(_desktop.press(QStringLiteral("ctrl+shift+k")));
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
}

VANTRI_X11_TEST_MAIN(TestX11EndToEnd)
#include "tst_x11_endtoend.moc"
