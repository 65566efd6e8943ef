// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SettingsFixture.h"
#include "TempTree.h"
#include "VantriSession.h"
#include "VirtualDesktop.h"
#include "app/hotkey/HotKey.h"
#include "app/hotkey/ShortcutParser.h"
#include "app/window/KeyableWindow.h"
#include "app/window/LauncherPlacement.h"
#include "platform/x11/CompositorCheck.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"
#include "ui/settings/Settings.h"
#include "ui/settings/ShortcutSelectorView.h"

#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QtTest>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

const QString settingsTitle = u"Settings"_s;
// 1280 by 800 screen: 600 wide, centred, 0.324 × 800 = 259 below the top.
const QRect panelFrame(340, 259, 600, 60);
// The panel's height with one result listed under the field.
constexpr int heightWithAResult = 60 + 20 + 50;
// A point of the screen that no window covers.
const QPoint bareDesktop(1100, 700);
// Longer than Vantri gives a tray host to appear before opening Settings.
constexpr int trayHostGraceOverMs = 5000;

// Where `widget` shows its centre, from the top left of its window.
QPoint centreInWindow(const QWidget& widget) {
    return widget.mapTo(widget.window(), widget.rect().center());
}

const QColor panelColour(20, 20, 60, 200);

// Content shaped like the launcher's: a rounded field 580 by 50 inset in a
// 600 by 60 strip, and a rounded result area 100 high 20 below it.
class RoundedContent : public QWidget {
public:
    QSize sizeHint() const override { return {600, 60 + 20 + 100}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(panelColour);
        painter.drawRoundedRect(QRectF(10, 5, 580, 50), 10, 10);
        painter.drawRoundedRect(QRectF(0, 80, 600, 100), 10, 10);
    }
};

bool isPanel(QRgb pixel) {
    return qBlue(pixel) > qRed(pixel) + 20 && qRed(pixel) < 200;
}

} // namespace

// The built program on a virtual desktop with a window manager and a tray
// host, driven from outside as a user would: its start with and without a
// tray, the hotkey, typing, Return and Escape, clicks elsewhere, the tray
// menu and the settings window, and the command line. First, the panel's
// window alone, shaped or composited.
class TestX11EndToEnd : public QObject {
    Q_OBJECT

public:
    explicit TestX11EndToEnd(VirtualDesktop& desktop)
        : _desktop(desktop) {}

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void windowCornersAndGapShowTheDesktop_data();
    void windowCornersAndGapShowTheDesktop();
    void withoutATrayStartOpensSettingsOnce();
    void aTrayHostComingUpAfterTheStartTakesTheIcon();
    void hotKeyShowsThePanelInPlaceWithTheFieldFocused();
    void returnOpensAnApplicationInstalledWhileRunningAndHides();
    void escapeHidesAndTheHotKeyTogglesTheSameWindow();
    void clickInAnotherProgramHidesThePanelOneInsideDoesNot();
    void clickOnTheBareDesktopHidesThePanel();
    void toggleCommandShowsAndHidesTheRunningPanel();
    void secondPlainStartOpensSettingsInTheRunningInstance();
    void eitherClickOnTheTrayIconOpensItsMenu();
    void chosenShortcutTakesOverFromTheOldOneAtOnce();
    void vantriOfAnotherSessionIsRefusedTheHotKeyAndKeepsRunning();
    void savedShortcutWithoutAModifierGrabsNothing();
    void quitCommandEndsTheInstanceAndAKilledOneIsReplaced();

private:
    QList<VirtualDesktop::ShownWindow> shown(const QString& title) const {
        return _vantri.shownWindows(title);
    }
    // Waits for the one settings window to be shown, at its size, and active.
    bool settingsShownAndActive() const;
    std::optional<VirtualDesktop::ShownWindow> trayIcon() const;
    // Opens the chooser from the shown settings window, clicks `labels` in it
    // and waits for it to close; `panel` is the same window laid out here.
    bool chooseInSettings(const Settings& panel, AppState& layoutState,
                          const QStringList& labels) const;
    // Waits for the shown settings window to show what `widget` of the panel
    // laid out here shows, pixel for pixel, in the same place.
    bool settingsShowLike(const QWidget& widget) const;

    VirtualDesktop& _desktop;
    IsolatedEnvironment _environment;
    QProcess _trayHost;
    VantriSession _vantri{_desktop, _environment.tree()};
};

bool TestX11EndToEnd::settingsShownAndActive() const {
    return QTest::qWaitFor([&] {
        const auto settings = shown(settingsTitle);
        return settings.size() == 1 && settings.first().geometry.size() == Settings::panelSize &&
               _desktop.activeWindow() == settings.first().id;
    });
}

// The tray icon and the tray menu are both titled "Vantri"; the icon is the
// small one docked in the tray host.
std::optional<VirtualDesktop::ShownWindow> TestX11EndToEnd::trayIcon() const {
    for (const auto& window : shown(u"Vantri"_s)) {
        if (window.geometry.width() <= 32 && window.geometry.height() <= 32)
            return window;
    }
    return std::nullopt;
}

void TestX11EndToEnd::initTestCase() {
    const TempTree& tree = _environment.tree();
    tree.writeFile(u"share/applications/zebra-notes.desktop"_s,
                   "[Desktop Entry]\nType=Application\nName=Zebra Notes\nExec=true\n");

    const auto preferences = openPreferences();
    preferences->setValue(PreferenceKeys::savedShortcut, u"⌃⌥␣"_s);
    preferences->sync();
}

void TestX11EndToEnd::cleanupTestCase() {
    QCOMPARE(_vantri.process().state(), QProcess::Running);
    _vantri.process().terminate();
    QVERIFY(_vantri.process().waitForFinished());
    _trayHost.terminate();
    _trayHost.waitForFinished();
}

void TestX11EndToEnd::windowCornersAndGapShowTheDesktop_data() {
    QTest::addColumn<bool>("compositor");
    QTest::newRow("shaped, without a compositor") << false;
    QTest::newRow("translucent, with a compositor") << true;
}

void TestX11EndToEnd::windowCornersAndGapShowTheDesktop() {
    QFETCH(bool, compositor);
    if (compositor)
        QVERIFY(_desktop.startCompositor());
    QTRY_COMPARE(isCompositorRunning(), compositor);
    int framesPresented = 0;
    KeyableWindow window(compositor);
    window.setContentView(new RoundedContent);
    const QRect frame(
        launcherFrame(QGuiApplication::primaryScreen()->availableGeometry()).topLeft(),
        QSize(600, 180));
    window.setGeometry(frame);
    connect(&window, &KeyableWindow::framePresented, this, [&] { ++framesPresented; });
    // Shown on a hotkey press, as the launcher is: the window manager lets a
    // window take the focus in answer to the user's latest action.
    const ParsedShortcut shortcut = *parseShortcut(u"⌃⌥W"_s);
    HotKey hotKey(shortcut.keyCode, shortcut.modifiers);
    hotKey.setKeyDownHandler([&] {
        QTimer::singleShot(0, &window, [&] {
            window.show();
            window.raise();
            window.activateWindow();
        });
    });
    QVERIFY(_desktop.press(u"ctrl+alt+w"_s));
    QTRY_VERIFY(window.isVisible());
    QCOMPARE(window.isTranslucent(), compositor);
    QCOMPARE(window.testAttribute(Qt::WA_TranslucentBackground), compositor);
    QTRY_COMPARE(_desktop.shownGeometry(window.winId()), QRect(340, 259, 600, 180));
    // Without a compositor the shape follows the painted content once the
    // window has settled.
    if (!compositor)
        QTRY_VERIFY(!window.mask().isEmpty() && !window.mask().contains(QPoint(0, 80 + 99)));
    else
        QVERIFY(window.mask().isEmpty());

    QImage screen;
    QTRY_VERIFY((screen = _desktop.screenshot(),
                 !screen.isNull() && isPanel(screen.pixel(frame.center()))));
    const auto at = [&](int x, int y) { return screen.pixel(frame.topLeft() + QPoint(x, y)); };
    const QRgb desktop = screen.pixel(5, 5);
    QVERIFY(isPanel(at(300, 130))); // the result area
    // The corner, the field's rounded corner, above the field, the gap, the
    // result area's rounded corners.
    for (const QPoint& point : {QPoint(0, 0), QPoint(11, 6), QPoint(300, 2), QPoint(300, 70),
                                QPoint(0, 80), QPoint(599, 179)})
        QVERIFY2(at(point.x(), point.y()) == desktop,
                 qPrintable(u"%1,%2"_s.arg(point.x()).arg(point.y())));
    // With a compositor the field is the panel colour blended with the white
    // desktop behind it.
    if (compositor)
        QVERIFY(qRed(at(300, 30)) > panelColour.red() + 20);
    else
        QVERIFY(isPanel(at(300, 30)));
    // Drawn, and told once, whether composited or shaped.
    QTRY_COMPARE(framesPresented, 1);
    window.close();
    _desktop.stopCompositor();
    QTRY_VERIFY(!isCompositorRunning());
}

void TestX11EndToEnd::withoutATrayStartOpensSettingsOnce() {
    QVERIFY(_vantri.start());
    QTRY_COMPARE_WITH_TIMEOUT(shown(settingsTitle).size(), 1, 3 * trayHostGraceOverMs);
    QTRY_COMPARE(_desktop.activeWindow(), shown(settingsTitle).value(0).id);
    // Closed, it stays closed: it was shown for the start only. A loaded
    // window manager may miss the first press of its close key.
    QVERIFY(QTest::qWaitFor(
        [&] {
            return _desktop.press(u"alt+F4"_s) &&
                   QTest::qWaitFor([&] { return shown(settingsTitle).isEmpty(); }, 3000);
        },
        30000));
    QCOMPARE(_vantri.shownPanel(), 0u);
    QVERIFY(_vantri.quit());
}

void TestX11EndToEnd::aTrayHostComingUpAfterTheStartTakesTheIcon() {
    // As at login, where the desktop's panel may come up after Vantri.
    QVERIFY(_vantri.start());
    QVERIFY2(_desktop.startTrayHost(_trayHost), "trayer is not installed");
    // The icon docks in the tray, and nothing else appears, then or once the
    // wait for a tray host would have run out.
    QTRY_VERIFY(!shown(u"Vantri"_s).isEmpty());
    QTest::qWait(trayHostGraceOverMs);
    QCOMPARE(shown(u"Vantri"_s).size(), 1);
    QVERIFY(shown(settingsTitle).isEmpty());
}

void TestX11EndToEnd::hotKeyShowsThePanelInPlaceWithTheFieldFocused() {
    QCOMPARE(_vantri.shownPanel(), 0u);
    const quint64 panel = _vantri.summonPanel();
    QVERIFY(panel != 0);
    QTRY_COMPARE(_desktop.shownGeometry(panel), panelFrame);
}

void TestX11EndToEnd::returnOpensAnApplicationInstalledWhileRunningAndHides() {
    // Neither the entry nor its folder existed when Vantri started.
    const QString openedFile = _environment.tree().path(u"opened.txt"_s);
    _environment.tree().writeFile(u"first/data/applications/walrus-paint.desktop"_s,
                                  "[Desktop Entry]\nType=Application\nName=Walrus Paint\n"
                                  "Exec=touch " +
                                      QFile::encodeName(openedFile) + "\n");
    // Re-indexing on its own, Vantri saves the new index as after any scan.
    QTRY_VERIFY_WITH_TIMEOUT(
        fileContents(_environment.tree().path(u"first/data/Vantri/appIndex.json"_s))
            .contains("walrus paint"),
        30000);
    const quint64 panel = _vantri.shownPanel();
    QVERIFY(panel != 0);
    // Typed without a click: the field has the focus.
    QVERIFY(_desktop.type(u"walrus"_s));
    // The result area opens under the field once the application is found.
    QVERIFY(_vantri.panelHeightIs(panel, heightWithAResult));
    QVERIFY(_desktop.press(u"Return"_s));
    QTRY_VERIFY(QFileInfo::exists(openedFile));
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
}

void TestX11EndToEnd::escapeHidesAndTheHotKeyTogglesTheSameWindow() {
    const quint64 panel = _vantri.summonPanel();
    QVERIFY(panel != 0);
    QVERIFY(_vantri.dismissPanel());

    // Twice over, closed the second time by the hotkey, then by Escape.
    for (const QString& close : {u"ctrl+alt+space"_s, u"Escape"_s}) {
        QCOMPARE(_vantri.summonPanel(), panel);
        QTRY_COMPARE(_desktop.shownGeometry(panel), panelFrame);
        QVERIFY(_vantri.dismissPanel(close));
    }
}

void TestX11EndToEnd::clickInAnotherProgramHidesThePanelOneInsideDoesNot() {
    QProcess other;
    QVERIFY(_desktop.showOtherProgram(other));
    // The hotkey is grabbed with and without the lock modifiers.
    QVERIFY(_desktop.press(u"Caps_Lock"_s));
    const quint64 panel = _vantri.summonPanel();
    QVERIFY(_desktop.press(u"Caps_Lock"_s));
    QVERIFY(panel != 0);

    // A click on the panel keeps it, and typing still reaches the field.
    QVERIFY(_desktop.clickAt(panelFrame.center()));
    QVERIFY(_desktop.type(u"zebra"_s));
    QVERIFY(_vantri.panelHeightIs(panel, heightWithAResult));
    QVERIFY(_desktop.clickAt({60, 60}));
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
    other.kill();
    other.waitForFinished();
}

void TestX11EndToEnd::clickOnTheBareDesktopHidesThePanel() {
    const quint64 panel = _vantri.summonPanel();
    QVERIFY(panel != 0);
    QVERIFY(_desktop.clickAt(bareDesktop));
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
    // No other window took the activation: the click alone sent the panel away.
    QCOMPARE(_desktop.activeWindow(), 0u);
    // And the next press shows it again, in one press.
    QCOMPARE(_vantri.summonPanel(), panel);
    QVERIFY(_vantri.dismissPanel());
}

void TestX11EndToEnd::toggleCommandShowsAndHidesTheRunningPanel() {
    // Each command returns once the instance has carried it out.
    QCOMPARE(_vantri.run({u"toggle"_s}), 0);
    quint64 panel = 0;
    QTRY_VERIFY((panel = _vantri.shownPanel()) != 0);
    QTRY_COMPARE(_desktop.activeWindow(), panel);
    QTRY_COMPARE(_desktop.shownGeometry(panel), panelFrame);
    // The field has the focus, as after the hotkey.
    QVERIFY(_desktop.press(u"ctrl+a"_s));
    QVERIFY(_desktop.type(u"zebra"_s));
    QVERIFY(_vantri.panelHeightIs(panel, heightWithAResult));

    QCOMPARE(_vantri.run({u"toggle"_s}), 0);
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
    QCOMPARE(_vantri.process().state(), QProcess::Running);
}

void TestX11EndToEnd::secondPlainStartOpensSettingsInTheRunningInstance() {
    QVERIFY(shown(settingsTitle).isEmpty());
    QCOMPARE(_vantri.run({}), 0);

    QVERIFY(settingsShownAndActive());
    // The running instance is still the only one: one tray icon.
    QCOMPARE(_vantri.process().state(), QProcess::Running);
    QVERIFY(trayIcon());

    // Closed through the window manager, as its close button would.
    QVERIFY(_desktop.press(u"alt+F4"_s));
    QTRY_VERIFY(shown(settingsTitle).isEmpty());
    QCOMPARE(_vantri.process().state(), QProcess::Running);
}

void TestX11EndToEnd::eitherClickOnTheTrayIconOpensItsMenu() {
    // Left, then right; the settings window opened the second time stays.
    for (const int button : {1, 3}) {
        std::optional<VirtualDesktop::ShownWindow> icon;
        QTRY_VERIFY((icon = trayIcon()));
        const qsizetype menusBefore = shown(u"Vantri"_s).size();
        QVERIFY(_desktop.clickAt(icon->geometry.center(), button));
        QTRY_COMPARE(shown(u"Vantri"_s).size(), menusBefore + 1);
        // "Settings" is the menu's first entry.
        QVERIFY(_desktop.press(u"Down"_s));
        QVERIFY(_desktop.press(u"Return"_s));
        QVERIFY(settingsShownAndActive());
        QTRY_COMPARE(shown(u"Vantri"_s).size(), menusBefore);
        if (button == 1) {
            QVERIFY(_desktop.press(u"alt+F4"_s));
            QTRY_VERIFY(shown(settingsTitle).isEmpty());
        }
    }
}

bool TestX11EndToEnd::chooseInSettings(const Settings& panel, AppState& layoutState,
                                       const QStringList& labels) const {
    const QList<VirtualDesktop::ShownWindow> settings = shown(settingsTitle);
    if (settings.size() != 1 ||
        !_desktop.clickAt(settings.first().geometry.topLeft() +
                          centreInWindow(*panel.findChild<QPushButton*>(u"hotkeyButton"_s))))
        return false;
    ShortcutSelectorView chooser(layoutState, const_cast<Settings*>(&panel));
    chooser.setAttribute(Qt::WA_DontShowOnScreen);
    chooser.show();
    QList<VirtualDesktop::ShownWindow> choosers;
    if (!QTest::qWaitFor([&] { return (choosers = shown(u"Launcher Hotkey"_s)).size() == 1; }) ||
        choosers.first().geometry.size() != chooser.size())
        return false;
    for (const QString& label : labels) {
        if (!_desktop.clickAt(choosers.first().geometry.topLeft() +
                              centreInWindow(*buttonShowing(chooser, label))))
            return false;
    }
    return QTest::qWaitFor([&] { return shown(u"Launcher Hotkey"_s).isEmpty(); });
}

bool TestX11EndToEnd::settingsShowLike(const QWidget& widget) const {
    const QList<VirtualDesktop::ShownWindow> settings = shown(settingsTitle);
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
        QStringList{_environment.tree().makeDir(u"layout-apps"_s)},
        _environment.tree().path(u"layout-index.json"_s)));
    // Where the running instance says its key lives, as it says it.
    layoutState.setHotKeyPlace({HotKeyPlace::Route::x11Grab, u"Ctrl+Alt+Space"_s, QString()});
    Settings panel(layoutState, nullptr, [](QWidget*) { return QString(); });
    panel.setAttribute(Qt::WA_DontShowOnScreen);
    panel.show();
    const auto* problem = panel.findChild<QLabel*>(u"hotKeyProblem"_s);

    // A combination another program holds is refused: Settings says so, and
    // the old one stays saved and in force.
    {
        HotKeyHolder holder(_desktop, *parseShortcut(u"⌃⌥K"_s));
        QCOMPARE(holder.readLine(), u"held"_s);
        QVERIFY(chooseInSettings(panel, layoutState, {u"⌥"_s, u"⌃"_s, u"K"_s, u"Set"_s}));
        layoutState.setHotKeyProblem(u"⌃⌥K is used by another program — choose another"_s);
        QVERIFY(settingsShowLike(*problem));
        QCOMPARE(openPreferences()->value(PreferenceKeys::savedShortcut).toString(), u"⌃⌥␣"_s);
        QVERIFY(_vantri.summonPanel() != 0);
        QVERIFY(_vantri.dismissPanel());
    }

    QVERIFY(chooseInSettings(panel, layoutState, {u"⌃"_s, u"⇧"_s, u"K"_s, u"Set"_s}));
    QCOMPARE(openPreferences()->value(PreferenceKeys::savedShortcut).toString(), u"⇧⌃K"_s);

    QCOMPARE(_vantri.shownPanel(), 0u);
    QVERIFY(_desktop.press(u"ctrl+shift+k"_s));
    QTRY_VERIFY(_vantri.shownPanel() != 0);
    QVERIFY(_vantri.dismissPanel());

    // Vantri let go of the old combination: another program can take it now,
    // and pressing it reaches that program instead of summoning the panel.
    HotKeyHolder oldHolder(_desktop, *parseShortcut(u"⌃⌥␣"_s));
    QCOMPARE(oldHolder.readLine(), u"held"_s);
    QVERIFY(_desktop.press(u"ctrl+alt+space"_s));
    QCOMPARE(oldHolder.readLine(), u"pressed"_s);
    QCOMPARE(_vantri.shownPanel(), 0u);
    // ...while the new one stays Vantri's.
    HotKeyHolder newHolder(_desktop, *parseShortcut(u"⇧⌃K"_s));
    QCOMPARE(newHolder.readLine(), u"refused"_s);
}

void TestX11EndToEnd::vantriOfAnotherSessionIsRefusedTheHotKeyAndKeepsRunning() {
    // Another Vantri on the same display, as another user's would be: its
    // grab is refused, and the first one keeps the hotkey.
    QProcess other;
    QVERIFY(_vantri.start(other, u"other"_s));
    QVERIFY(_desktop.press(u"ctrl+shift+k"_s));
    QTRY_VERIFY(_vantri.shownPanel() != 0);
    QCOMPARE(other.state(), QProcess::Running);
    QVERIFY(_vantri.dismissPanel());
    other.terminate();
    QVERIFY(other.waitForFinished());
}

void TestX11EndToEnd::savedShortcutWithoutAModifierGrabsNothing() {
    // As a hand edit could leave it: a bare letter, which a grab would take
    // from every program on the desktop.
    const QString chosen = openPreferences()->value(PreferenceKeys::savedShortcut).toString();
    openPreferences()->setValue(PreferenceKeys::savedShortcut, u"K"_s);
    QProcess other;
    QVERIFY(_vantri.start(other, u"bare"_s));
    HotKeyHolder holder(_desktop, ParsedShortcut{40, 0});
    QCOMPARE(holder.readLine(), u"held"_s);
    QVERIFY(holder.stop());
    other.terminate();
    QVERIFY(other.waitForFinished());
    openPreferences()->setValue(PreferenceKeys::savedShortcut, chosen);
}

void TestX11EndToEnd::quitCommandEndsTheInstanceAndAKilledOneIsReplaced() {
    QVERIFY(_vantri.quit());
    // With none running, hide starts nothing.
    QCOMPARE(_vantri.run({u"hide"_s}), 0);

    // A crashed instance leaves its socket behind; the next start takes over.
    QVERIFY(_vantri.start());
    ::kill(pid_t(_vantri.process().processId()), SIGKILL);
    QVERIFY(_vantri.process().waitForFinished());
    QVERIFY(_vantri.start());
    QCOMPARE(_vantri.run({u"toggle"_s}), 0);
    QTRY_VERIFY(_vantri.shownPanel() != 0);
    QVERIFY(_vantri.dismissPanel(u"ctrl+shift+k"_s));
}

VANTRI_X11_TEST_MAIN(TestX11EndToEnd)
#include "tst_x11_endtoend.moc"
