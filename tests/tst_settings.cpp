// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SettingsFixture.h"
#include "TempTree.h"
#include "app/hotkey/HotKey.h"
#include "app/hotkey/HotKeyRegistration.h"
#include "app/hotkey/ShortcutParser.h"
#include "index/AppIndexManager.h"
#include "scripts/ScriptManager.h"
#include "state/AppState.h"
#include "state/LaunchAtLogin.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"
#include "ui/settings/Settings.h"
#include "ui/settings/ShortcutSelectorView.h"

#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QtTest>
#include <unistd.h>

using namespace Qt::StringLiterals;
using Route = HotKeyPlace::Route;
using Session = HotKeyRegistration::Session;
Q_DECLARE_METATYPE(Session)
Q_DECLARE_METATYPE(Route)

namespace {

// A settings panel on screen.
struct Fixture : SettingsState {
    Settings settings{appState};

    Fixture() {
        settings.show();
        QVERIFY(QTest::qWaitForWindowExposed(&settings));
    }

    template <typename T> T* child(const QString& name) const {
        T* widget = settings.findChild<T*>(name);
        if (!widget)
            qFatal("no child %s", qPrintable(name));
        return widget;
    }
};

// The widgets of `window` that Tab may stop at as it is shown now.
QSet<QWidget*> tabStops(const QWidget& window) {
    QSet<QWidget*> stops;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisible() && widget->isEnabled())
            stops.insert(widget);
    }
    return stops;
}

// Where Tab goes from the focus widget, once round.
QSet<QWidget*> tabRound(QWidget& window) {
    QSet<QWidget*> reached;
    for (int press = 0; press < 40; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached.insert(QApplication::focusWidget());
    }
    reached.remove(&window);
    return reached;
}

// A chooser opened over an AppState that has saved ⌃A, with a listener in the
// delegate's place: it records each chosen shortcut with the one saved at that
// moment, and refuses every choice while `refuse` is set.
struct Chooser : SettingsState {
    QWidget window;
    QStringList chosen;
    bool refuse = false;
    QPointer<ShortcutSelectorView> view;

    Chooser() {
        appState.setSavedShortcut(u"⌃A"_s);
        QObject::connect(
            &appState, &AppState::shortcutChosen, &window, [this](const QString& shortcut) {
                chosen.append(shortcut + u" over "_s +
                              openPreferences()->value(PreferenceKeys::savedShortcut).toString());
                if (refuse)
                    appState.setHotKeyProblem(shortcut + u" is taken"_s);
            });
        window.show();
        view = new ShortcutSelectorView(appState, &window);
        view->setAttribute(Qt::WA_DeleteOnClose);
        view->open();
    }
};

// Runs `action` as a user who may not write what root owns, when the test
// runs as root (for whom no folder is read-only).
template <typename Action> void withoutRootRights(Action action) {
    const uid_t nobody = 65534;
    const bool root = ::geteuid() == 0;
    if (root && ::seteuid(nobody) != 0)
        qFatal("cannot drop root rights");
    action();
    if (root && ::seteuid(0) != 0)
        qFatal("cannot take root rights back");
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:

    void hotkeyTabShowsTheKeyWhereItLivesAndWhyItIsNotInForce() {
        Fixture fixture;
        AppState& state = fixture.appState;
        auto* hotkey = fixture.child<QPushButton>(u"hotkeyButton"_s);
        auto* problem = fixture.child<QLabel>(u"hotKeyProblem"_s);
        auto* place = fixture.child<QLabel>(u"hotKeyPlace"_s);
        auto* copy = fixture.child<QPushButton>(u"copyBindingLine"_s);
        QVERIFY(!problem->isVisible() && !place->isVisible() && !copy->isVisible());
        state.setSavedShortcut(u"⌘K"_s);
        QCOMPARE(hotkey->text(), u"⌘K"_s);
        const QString refused = u"⌃⌥K is used by another program — choose another"_s;
        state.setHotKeyProblem(refused);
        QVERIFY(problem->isVisible());
        QCOMPARE(problem->text(), refused);
        state.setHotKeyProblem(QString());
        QVERIFY(!problem->isVisible());
        state.setSavedShortcut(QString());
        QCOMPARE(hotkey->text(), u"Set Launcher Hotkey"_s);

        state.setSavedShortcut(u"⌃⌥␣"_s);
        state.setHotKeyPlace({Route::kdeShortcuts, u"Ctrl+Alt+Space"_s, {}});
        QCOMPARE(place->text(), u"Registered with KDE's shortcuts"_s);
        QVERIFY(!copy->isVisible());
        // Shown as the desktop names keys; stored as the symbols.
        QCOMPARE(hotkey->text(), u"Ctrl+Alt+Space"_s);
        QCOMPARE(state.savedShortcut(), u"⌃⌥␣"_s);

        const QString line = u"bindsym Ctrl+Mod1+space exec /usr/bin/vantri toggle"_s;
        state.setHotKeyPlace({Route::swayConfig, u"Ctrl+Alt+Space"_s, line});
        QCOMPARE(place->text(), line);
        QVERIFY(copy->isVisible());
        copy->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), line);
    }

    void indexButtonFollowsIndexing() {
        Fixture fixture;
        fixture.environment.tree().writeFile(
            u"apps/editor.desktop"_s,
            "[Desktop Entry]\nType=Application\nName=Editor\nExec=true\n");
        auto* index = fixture.child<QPushButton>(u"indexButton"_s);
        QTRY_VERIFY(!fixture.appState.isIndexing());

        // What the button shows each time the state announces a change.
        QList<QPair<QString, bool>> shown;
        connect(&fixture.appState, &AppState::isIndexingChanged, index, [&] {
            shown.append({index->text(), index->isEnabled()});
        });
        QTest::mouseClick(buttonShowing(fixture.settings, u"Applications"_s, "segment"),
                          Qt::LeftButton);
        QVERIFY(index->isVisible() && !fixture.child<QWidget>(u"hotkeyButton"_s)->isVisible());
        QTest::mouseClick(index, Qt::LeftButton);
        QTRY_COMPARE(shown.size(), 2);
        QCOMPARE(shown[0], qMakePair(u"Indexing..."_s, false));
        QCOMPARE(shown[1], qMakePair(u"Index Applications"_s, true));
        QCOMPARE(fixture.appState.appIndexManager().apps()->find("edit").size(), std::size_t{1});
    }

    void loginBoxFollowsTheAutostartEntry() {
        Fixture fixture;
        auto* box = fixture.child<QCheckBox>(u"launchAtLoginCheckBox"_s);
        QVERIFY(!box->isChecked());
        // The box reads the entry each time the panel is shown.
        fixture.settings.hide();
        fixture.environment.tree().writeFile(
            u"config/autostart/vantri.desktop"_s,
            "[Desktop Entry]\nType=Application\nName=Vantri\nExec=/opt/vantri\n");
        fixture.settings.show();
        QVERIFY(box->isChecked());
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(!launchAtLoginEnabled());

        // A refused registration keeps the tick only until the panel is shown again.
        QDir(fixture.environment.configHome() + u"/autostart"_s).removeRecursively();
        fixture.environment.tree().writeFile(u"config/autostart"_s, "in the way");
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(box->isChecked() && !launchAtLoginEnabled());
        fixture.settings.hide();
        fixture.settings.show();
        QVERIFY(!box->isChecked());
    }

    void closingTheWindowCancelsTheChooser() {
        Fixture fixture;
        fixture.settings.showShortcutPopup();
        for (const QString& text : {u"⌘"_s, u"K"_s})
            QTest::mouseClick(buttonShowing(*fixture.settings.shortcutPopup(), text),
                              Qt::LeftButton);
        QVERIFY(fixture.settings.close());
        QVERIFY(!fixture.settings.shortcutPopup());
        QVERIFY(fixture.appState.savedShortcut().isEmpty());
    }

    // Settings with the keyboard alone.

    void tabReachesEveryControlOfEachTab() {
        Fixture fixture;
        Settings& settings = fixture.settings;
        QApplication::setActiveWindow(&settings);
        QVERIFY(QTest::qWaitForWindowActive(&settings));
        QTest::keyClick(&settings, Qt::Key_Tab);
        QVERIFY(QApplication::focusWidget());

        // Ctrl+Tab goes on to the next tab, round to the first; Ctrl+Shift+Tab back.
        for (const int expected : {1, 2, 0}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
            QCOMPARE(settings.selectedTab(), expected);
            QCOMPARE(tabRound(settings), tabStops(settings));
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab,
                        Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(settings.selectedTab(), 2);

        // The header opens the support sheet from the keyboard.
        QWidget* header = settings.findChild<QWidget*>(u"header"_s);
        header->setFocus();
        QTest::keyClick(header, Qt::Key_Return);
        QTRY_VERIFY(settings.moreInfo());
    }

    void setTakesOnlyACompleteChoice_data() {
        QTest::addColumn<QString>("clicks"); // the buttons clicked, by their text
        QTest::addColumn<QString>("stored"); // empty where nothing is stored
        QTest::addColumn<bool>("closed");
        QTest::newRow("opens empty") << u"Set"_s << QString() << false;
        QTest::newRow("modifier alone") << u"⌃ Set"_s << QString() << false;
        QTest::newRow("third modifier refused") << u"⌘ ⌥ ⇧ K Set"_s << u"⌘⌥K"_s << true;
        QTest::newRow("new key replaces the old") << u"⌃ B Q Q Set"_s << u"⌃Q"_s << true;
        QTest::newRow("cancel") << u"⌘ Q Cancel"_s << QString() << true;
    }

    void setTakesOnlyACompleteChoice() {
        QFETCH(QString, clicks);
        QFETCH(QString, stored);
        QFETCH(bool, closed);
        Chooser fixture;
        for (const QString& text : clicks.split(u' '))
            QTest::mouseClick(buttonShowing(*fixture.view, text), Qt::LeftButton);
        QTRY_COMPARE(fixture.view.isNull(), closed);
        // Announced once, to be put in force before it is saved.
        QCOMPARE(fixture.chosen,
                 stored.isEmpty() ? QStringList() : QStringList{stored + u" over ⌃A"_s});
        QCOMPARE(fixture.appState.savedShortcut(), stored.isEmpty() ? u"⌃A"_s : stored);
        QVERIFY(fixture.appState.hotKeyProblem().isEmpty());
    }

    void choiceThatCannotBeHadKeepsTheSavedOne() {
        Chooser fixture;
        fixture.refuse = true;
        for (const QString& text : {u"⌥"_s, u"⌃"_s, u"K"_s, u"Set"_s})
            QTest::mouseClick(buttonShowing(*fixture.view, text), Qt::LeftButton);
        QTRY_VERIFY(fixture.view.isNull());
        QCOMPARE(fixture.appState.savedShortcut(), u"⌃A"_s);
        QCOMPARE(openPreferences()->value(PreferenceKeys::savedShortcut).toString(), u"⌃A"_s);
        QCOMPARE(fixture.appState.hotKeyProblem(), u"⌃⌥K is taken"_s);

        // A later choice that is put in force clears the report.
        fixture.refuse = false;
        fixture.appState.chooseShortcut(u"⌘B"_s);
        QCOMPARE(fixture.appState.savedShortcut(), u"⌘B"_s);
        QVERIFY(fixture.appState.hotKeyProblem().isEmpty());
    }

    // Which route the key takes on each desktop.

    void theDesktopsOwnServiceComesFirst_data() {
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

    void theDesktopsOwnServiceComesFirst() {
        QFETCH(Session, session);
        QFETCH(Route, route);
        QCOMPARE(HotKeyRegistration::chooseRoute(session), route);
    }

    void swayIsGivenTheLineToAdd() {
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

    void parsesModifiersAndKey_data() {
        QTest::addColumn<QString>("shortcut");
        QTest::addColumn<std::optional<ParsedShortcut>>("parsed");
        QTest::newRow("all four modifiers")
            << u"⇧⌃⌘⌥A"_s << std::optional(ParsedShortcut{0, 0x1E0000});
        // Lower case, digits and other characters are skipped; the last key wins.
        QTest::newRow("last key wins") << u"⌃Bk7é!Z"_s << std::optional(ParsedShortcut{6, 0x40000});
        QTest::newRow("key before modifier")
            << u"K⌘"_s << std::optional(ParsedShortcut{40, 0x100000});
        // A letter with a combining mark is a different character, not the letter.
        QTest::newRow("combining mark") << u"⌘K\u0301"_s << std::optional<ParsedShortcut>();
        QTest::newRow("key alone") << u"K"_s << std::optional<ParsedShortcut>();
        QTest::newRow("modifiers alone") << u"⌃⌥"_s << std::optional<ParsedShortcut>();
        QTest::newRow("spelled out") << u"ctrl+alt+k"_s << std::optional<ParsedShortcut>();
        QTest::newRow("empty") << QString() << std::optional<ParsedShortcut>();
    }

    void parsesModifiersAndKey() {
        QFETCH(QString, shortcut);
        QFETCH(std::optional<ParsedShortcut>, parsed);
        QCOMPARE(parseShortcut(shortcut), parsed);
    }

    void modifiersAreGrabbedAsTheirXModifiers() {
        // Mod4, Mod1, Control and Shift; bits outside the four modifiers are ignored.
        QCOMPARE(x11ModifiersForMask(0x1E0000 | 0x1 | 0x800000), quint16(0x4D));
    }

    void choosingTheSameScriptsFolderReadsItAgain() {
        IsolatedEnvironment environment;
        AppState state;
        const QString folder = environment.tree().makeDir("scripts");
        for (int time = 0; time < 2; ++time) {
            ScriptManager::shared().loadScripts("elsewhere");
            state.setScriptFolderPath(folder);
            QCOMPARE(ScriptManager::shared().lastUsedScriptFolderPath(), folder);
        }
    }

    void indexingFlagFollowsTheManagerOnTheMainThread() {
        IsolatedEnvironment environment;
        AppState state(std::make_unique<AppIndexManager>(
            QStringList{}, environment.tree().writeFile("appIndex.json", "[]")));
        QList<int> seen; // -1: delivered off the main thread
        connect(&state, &AppState::isIndexingChanged, this, [&](bool isIndexing) {
            seen.append(QThread::currentThread() == thread() ? int(isIndexing) : -1);
        });
        state.appIndexManager().indexApps();
        QTRY_COMPARE_WITH_TIMEOUT(seen, (QList<int>{1, 0}), 20000);
    }

    void preferenceThatCannotBeSavedIsReportedOnce() {
        IsolatedEnvironment environment;
        AppState state;
        const QString folder = environment.tree().makeDir("config/Vantri");
        const auto readable = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                              QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
        for (const QString& path : {environment.tree().path(""), environment.configHome()})
            QFile::setPermissions(path, readable | QFile::WriteOwner);
        QFile::setPermissions(folder, readable);
        QSignalSpy shortcutChanged(&state, &AppState::savedShortcutChanged);

        const QByteArray printed = standardOutputOf(
            [&] { withoutRootRights([&] { state.setSavedShortcut("\u2318K"); }); });
        QCOMPARE(printed, "Failed to save preferences: " + folder.toUtf8() +
                              "/Vantri.conf: Permission denied\n");
        // The change still holds in this run.
        QCOMPARE(shortcutChanged.count(), 1);
        QFile::setPermissions(folder, readable | QFile::WriteOwner);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
