#include "TempTree.h"
#include "VirtualDesktop.h"
#include "app/AppDelegate.h"
#include "app/HotKey.h"
#include "app/KeyableWindow.h"
#include "app/ShortcutParser.h"
#include "launcher/LauncherView.h"
#include "state/AppState.h"

#include <QLineEdit>
#include <QtTest>

// The delegate's hotkey and launcher window on a real X server with a window
// manager, pressed and clicked from outside as a user would.
class TestX11Launcher : public QObject {
    Q_OBJECT

public:
    explicit TestX11Launcher(VirtualDesktop& desktop)
        : _desktop(desktop) {}

private Q_SLOTS:
    void init();
    void clickInAnotherProgramHidesTheClickInsideDoesNot();
    void registeringTwiceLeavesOneRegistration();
    void emptiedShortcutRegistersNothing();

private:
    // Where the launcher window is shown on the screen; empty while hidden.
    QRect shownGeometry() const;
    LauncherView* launcherView() const;
    void registerShortcut(const QString& shortcut);

    VirtualDesktop& _desktop;
    IsolatedEnvironment _environment;
    AppDelegate _delegate;
};

QRect TestX11Launcher::shownGeometry() const {
    if (!_delegate.launcherWindow())
        return QRect();
    return _desktop.shownGeometry(_delegate.launcherWindow()->winId());
}

LauncherView* TestX11Launcher::launcherView() const {
    const KeyableWindow* window = _delegate.launcherWindow();
    return window ? qobject_cast<LauncherView*>(window->contentView()) : nullptr;
}

void TestX11Launcher::registerShortcut(const QString& shortcut) {
    AppState::shared().setSavedShortcut(shortcut);
    _delegate.registerHotKey();
}

void TestX11Launcher::init() {
    registerShortcut(QStringLiteral("⌃⌥␣"));
    QVERIFY(_delegate.hotKey()->isRegistered());
    _delegate.hideLauncher();
    QTRY_COMPARE(shownGeometry(), QRect());
}

void TestX11Launcher::clickInAnotherProgramHidesTheClickInsideDoesNot() {
    QProcess other;
    QVERIFY(_desktop.showOtherProgram(other));

    QVERIFY(_desktop.press(QStringLiteral("ctrl+alt+space")));
    QTRY_VERIFY(launcherView() && launcherView()->searchField()->hasFocus());
    // A click on the panel keeps it; typing afterwards still reaches the field.
    QVERIFY(_desktop.clickAt({640, 289}));
    QVERIFY(_desktop.press(QStringLiteral("q")));
    QTRY_COMPARE(launcherView()->searchField()->text(), QStringLiteral("q"));
    QVERIFY(_delegate.launcherWindow()->isVisible());

    QVERIFY(_desktop.clickAt({60, 60}));
    QTRY_COMPARE(shownGeometry(), QRect());
    other.kill();
    other.waitForFinished();
}

void TestX11Launcher::registeringTwiceLeavesOneRegistration() {
    _delegate.registerHotKey();
    _delegate.registerHotKey();
    const ParsedShortcut sentinelKeys = parseShortcut(QStringLiteral("⌃⌥Z"));
    HotKey sentinel(sentinelKeys.keyCode, sentinelKeys.modifiers);
    int sentinelPresses = 0;
    sentinel.setKeyDownHandler([&] { ++sentinelPresses; });

    // One press toggles once: a second registration would hide the panel again.
    QVERIFY(_desktop.press(QStringLiteral("ctrl+alt+space")));
    QVERIFY(_desktop.press(QStringLiteral("ctrl+alt+z")));
    QTRY_COMPARE(sentinelPresses, 1);
    QCoreApplication::sendPostedEvents();
    QTRY_COMPARE(shownGeometry(), QRect(340, 259, 600, 60));
    QVERIFY(_delegate.launcherWindow()->isVisible());
}

void TestX11Launcher::emptiedShortcutRegistersNothing() {
    registerShortcut(QString());
    QVERIFY(!_delegate.hotKey()->isRegistered());
    // The combination is free for any other program.
    HotKeyHolder holder(_desktop, parseShortcut(QStringLiteral("⌃⌥␣")));
    QCOMPARE(holder.readLine(), QStringLiteral("held"));
    QVERIFY(_desktop.press(QStringLiteral("ctrl+alt+space")));
    QCOMPARE(holder.readLine(), QStringLiteral("pressed"));
    QVERIFY(!_delegate.launcherWindow() || !_delegate.launcherWindow()->isVisible());
}

VANTRI_X11_TEST_MAIN(TestX11Launcher)
#include "tst_x11_launcher.moc"
