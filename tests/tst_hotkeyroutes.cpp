// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SettingsFixture.h"
#include "app/hotkey/HotKeyRegistration.h"
#include "ui/settings/Settings.h"

#include <QClipboard>
#include <QLabel>
#include <QtTest>

using namespace Qt::StringLiterals;
using Route = HotKeyPlace::Route;
using Session = HotKeyRegistration::Session;

Q_DECLARE_METATYPE(Session)
Q_DECLARE_METATYPE(Route)

// Which route the key takes on each desktop, and what Settings says of it.
class TestHotKeyRoutes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theDesktopsOwnServiceComesFirst_data();
    void theDesktopsOwnServiceComesFirst();
    void swayIsGivenTheLineToAdd();
    void settingsSaysWhereTheKeyLives();
};

void TestHotKeyRoutes::theDesktopsOwnServiceComesFirst_data() {
    QTest::addColumn<Session>("session");
    QTest::addColumn<Route>("route");
    QTest::newRow("Plasma on X11: the service, not a competing grab")
        << Session{{u"KDE"_s}, false, false, true, true, false} << Route::kdeShortcuts;
    QTest::newRow("Plasma on Wayland")
        << Session{{u"KDE"_s}, true, false, false, true, false} << Route::kdeShortcuts;
    QTest::newRow("Plasma on Wayland, the service silent")
        << Session{{u"KDE"_s}, true, false, false, false, false} << Route::desktopSettings;
    QTest::newRow("Ubuntu's GNOME on Wayland")
        << Session{{u"ubuntu"_s, u"GNOME"_s}, true, false, false, false, true}
        << Route::gnomeShortcuts;
    QTest::newRow("GNOME without its schemas, on X11")
        << Session{{u"GNOME"_s}, false, false, true, false, false} << Route::x11Grab;
    QTest::newRow("Xfce") << Session{{u"XFCE"_s}, false, false, true, false, false}
                          << Route::x11Grab;
    QTest::newRow("sway, Xwayland answering")
        << Session{{u"sway"_s}, true, true, true, false, false} << Route::swayConfig;
    QTest::newRow("another Wayland desktop")
        << Session{{u"Hyprland"_s}, true, false, false, false, false} << Route::desktopSettings;
}

void TestHotKeyRoutes::theDesktopsOwnServiceComesFirst() {
    QFETCH(Session, session);
    QFETCH(Route, route);
    QCOMPARE(HotKeyRegistration::chooseRoute(session), route);
}

void TestHotKeyRoutes::swayIsGivenTheLineToAdd() {
    HotKeyRegistration registration(
        Route::swayConfig, [] {}, u"/home/me/vantri build/vantri"_s);
    const HotKeyOutcome outcome = registration.registerShortcut(u"⌃⌥␣"_s);
    QCOMPARE(outcome.status, HotKeyOutcome::Status::leftToTheUser);
    QCOMPARE(outcome.place.keys, u"Ctrl+Alt+Space"_s);
    QCOMPARE(outcome.place.bindingLine,
             u"bindsym Ctrl+Mod1+space exec '/home/me/vantri build/vantri' toggle"_s);
    QVERIFY(!registration.bindsKeys());
    QCOMPARE(registration.registerShortcut(u"K"_s).status, HotKeyOutcome::Status::none);
}

void TestHotKeyRoutes::settingsSaysWhereTheKeyLives() {
    SettingsState state;
    Settings settings(state.appState);
    settings.show();
    auto* hotkey = settings.findChild<QPushButton*>(u"hotkeyButton"_s);
    auto* place = settings.findChild<QLabel*>(u"hotKeyPlace"_s);
    auto* copy = settings.findChild<QPushButton*>(u"copyBindingLine"_s);
    QVERIFY(!place->isVisible() && !copy->isVisible());

    state.appState.setSavedShortcut(u"⌃⌥␣"_s);
    state.appState.setHotKeyPlace({Route::kdeShortcuts, u"Ctrl+Alt+Space"_s, {}});
    QCOMPARE(place->text(), u"Registered with KDE's shortcuts"_s);
    QVERIFY(!copy->isVisible());
    // Shown as the desktop names keys; stored as the symbols.
    QCOMPARE(hotkey->text(), u"Ctrl+Alt+Space"_s);
    QCOMPARE(state.appState.savedShortcut(), u"⌃⌥␣"_s);

    const QString line = u"bindsym Ctrl+Mod1+space exec /usr/bin/vantri toggle"_s;
    state.appState.setHotKeyPlace({Route::swayConfig, u"Ctrl+Alt+Space"_s, line});
    QCOMPARE(place->text(), line);
    QVERIFY(copy->isVisible());
    copy->click();
    QCOMPARE(QGuiApplication::clipboard()->text(), line);
}

QTEST_MAIN(TestHotKeyRoutes)
#include "tst_hotkeyroutes.moc"
