// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SettingsFixture.h"
#include "TempTree.h"
#include "app/AccessibilityPermission.h"
#include "app/AppDelegate.h"
#include "app/PlatformChoice.h"
#include "app/VantriApp.h"
#include "app/hotkey/HotKeyRegistration.h"
#include "app/window/KeyableWindow.h"
#include "scripts/ScriptManager.h"
#include "state/AppState.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"

#include <QDesktopServices>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QtTest>
#include <optional>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

// Long enough for the event loop to turn a few times, short of the default.
constexpr auto trayHostGrace = 300ms;

namespace {

bool flag(const QString& key) {
    return openPreferences()->value(key, false).toBool();
}

// Counts the message boxes shown, and answers each with the button showing `answer`.
struct PromptAnswers : QObject {
    explicit PromptAnswers(QString answer)
        : answer(std::move(answer)) {
        qApp->installEventFilter(this);
    }

    QString answer;
    int prompts = 0;

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* prompt = qobject_cast<QMessageBox*>(watched);
        if (prompt && event->type() == QEvent::Show) {
            ++prompts;
            QMetaObject::invokeMethod(
                prompt, [this, prompt] { buttonShowing(*prompt, answer)->click(); },
                Qt::QueuedConnection);
        }
        return false;
    }
};

// A launch's permission check in an environment of its own, over a trust check that never
// trusts. Each prompt is answered "Open System Preferences".
struct Launch {
    IsolatedEnvironment environment;
    PromptAnswers answers{u"Open System Preferences"_s};
    int settingsOpened = 0;
    AppState state;
    AccessibilityPermission permission{state, {[] { return false; }, [this] { ++settingsOpened; }}};
};

// Stands in for the desktop's handler of local files.
struct FileOpener : QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

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

class TestApp : public QObject {
    Q_OBJECT

private Q_SLOTS:

    void launchLoadsTheSavedScriptsFolderAndOpensOneSettingsWindow() {
        IsolatedEnvironment environment;
        const QString folder = environment.tree().makeDir("scripts");
        openPreferences()->setValue(PreferenceKeys::scriptFolderPath, folder);
        ScriptManager::shared().loadScripts(QString());
        VantriApp scene;
        // Nothing the panel can do without waits for it: the tray item and the
        // saved folder come when launching is finished.
        QVERIFY(scene.trayIcon().isNull());
        QCOMPARE(ScriptManager::shared().lastUsedScriptFolderPath(), QString());
        scene.finishLaunching();
        QCOMPARE(ScriptManager::shared().lastUsedScriptFolderPath(), folder);
        QVERIFY(!scene.trayIcon().isNull());

        // Opened again after being closed, the settings window is the same one.
        scene.openSettingsWindow();
        QWidget* window = scene.settingsWindow();
        QVERIFY(window);
        window->close();
        scene.openSettingsWindow();
        QCOMPARE(scene.settingsWindow(), window);
        QVERIFY(window->isVisible());
    }

    void launchWaitsForThePanelsFirstFrame() {
        IsolatedEnvironment environment;
        VantriApp scene;
        scene.appDelegate().showLauncher();
        const KeyableWindow* panel = scene.appDelegate().launcherWindow();
        QVERIFY(panel);
        // What the first frame shows, and what had been made by then: heard
        // before the scene hears it.
        std::optional<bool> fieldShown;
        std::optional<bool> trayMade;
        connect(panel, &KeyableWindow::framePresented, this, [&] {
            if (fieldShown)
                return;
            const auto* field = panel->findChild<QLineEdit*>();
            fieldShown = field && field->isVisible();
            trayMade = !scene.trayIcon().isNull();
        });
        scene.finishLaunchingSoon();
        QTRY_VERIFY(fieldShown);
        QVERIFY(*fieldShown);
        QVERIFY(!*trayMade);
        QTRY_VERIFY(!scene.trayIcon().isNull());
    }

    void launchWithoutThePanelFinishesAtOnce() {
        IsolatedEnvironment environment;
        VantriApp scene;
        scene.finishLaunchingSoon();
        QVERIFY(scene.trayIcon().isNull());
        // Well before the longest wait for a frame that never comes.
        QTRY_VERIFY_WITH_TIMEOUT(!scene.trayIcon().isNull(),
                                 int(VantriApp::firstFrameWait.count() / 2));
        // Finished once: a second call changes nothing.
        const QIcon icon = scene.trayIcon();
        scene.finishLaunching();
        QCOMPARE(scene.trayIcon().cacheKey(), icon.cacheKey());
    }

    // The offscreen platform has no tray host, and none comes.
    void withoutATraySettingsOpensOnceATrayHostHadItsTime() {
        IsolatedEnvironment environment;
        VantriApp scene;
        scene.setTrayHostGrace(trayHostGrace);
        scene.finishLaunching();
        QVERIFY(scene.isAwaitingTrayHost());
        QVERIFY(!scene.settingsWindow());
        QTRY_VERIFY(scene.settingsWindow() && scene.settingsWindow()->isVisible());
        QVERIFY(!scene.isAwaitingTrayHost());

        // Opened by the user meanwhile, it is not opened a second time.
        VantriApp sceneWithSettings;
        sceneWithSettings.setTrayHostGrace(trayHostGrace);
        sceneWithSettings.finishLaunching();
        sceneWithSettings.openSettingsWindow();
        sceneWithSettings.settingsWindow()->close();
        QTRY_VERIFY(!sceneWithSettings.isAwaitingTrayHost());
        QVERIFY(!sceneWithSettings.settingsWindow()->isVisible());
    }

    void withoutATraySettingsWaitsForThePanelToHide() {
        IsolatedEnvironment environment;
        VantriApp scene;
        scene.setTrayHostGrace(trayHostGrace);
        scene.appDelegate().showLauncher();
        scene.finishLaunching();
        QTRY_VERIFY(!scene.isAwaitingTrayHost());
        const KeyableWindow* panel = scene.appDelegate().launcherWindow();
        QVERIFY(panel->isVisible());
        QVERIFY(!scene.settingsWindow());
        scene.appDelegate().hideLauncher();
        QTRY_VERIFY(scene.settingsWindow() && scene.settingsWindow()->isVisible());
    }

    // The accessibility alert as the delegate runs it on a desktop where Vantri
    // cannot bind its key (sway): it never comes while the panel is open, where
    // it would take the focus from what the user types and so hide the panel.

    void theAlertWaitsUntilThePanelHides() {
        IsolatedEnvironment environment;
        PromptAnswers answers(u"Later"_s);
        AppDelegate delegate(std::make_unique<HotKeyRegistration>(
            HotKeyPlace::Route::swayConfig, [] {}, u"/usr/bin/vantri"_s));
        delegate.applicationDidFinishLaunching();
        AccessibilityPermission& permission = *delegate.accessibilityPermission();
        QVERIFY(permission.isRecheckScheduled());

        delegate.showLauncher();
        QVERIFY(delegate.launcherWindow()->isVisible());
        // The re-check comes while the panel is open: nothing is shown.
        permission.recheckAccessibilityPermission();
        QVERIFY(permission.isWaitingForThePanel());
        QCOMPARE(answers.prompts, 0);
        QVERIFY(delegate.launcherWindow()->isVisible());

        delegate.hideLauncher();
        QTRY_COMPARE(answers.prompts, 1);
        QVERIFY(!permission.isWaitingForThePanel());
        // Hiding again later asks nothing more.
        delegate.showLauncher();
        delegate.hideLauncher();
        QCoreApplication::processEvents();
        QCOMPARE(answers.prompts, 1);
    }

    void promptIsShownOnceEver() {
        Launch launch;
        launch.permission.checkAccessibilityPermission();
        launch.permission.recheckAccessibilityPermission();
        QCOMPARE(launch.settingsOpened, 1);
        QVERIFY(!flag(PreferenceKeys::accessibilityGranted));
        QVERIFY(flag(PreferenceKeys::accessibilityPromptShown));
        // Neither this launch nor a later one asks again.
        launch.permission.recheckAccessibilityPermission();
        AccessibilityPermission(launch.state, {[] { return false; }, [] {}})
            .recheckAccessibilityPermission();
        QCOMPARE(launch.answers.prompts, 1);
    }

    void settingsButtonOpensTheKeyBindingHelpWhereNoSettingsAreKnown() {
        // No desktop's shortcut settings are installed in the isolated data folders.
        const IsolatedEnvironment environment;
        FileOpener opener;
        QDesktopServices::setUrlHandler(u"file"_s, &opener, "open");
        AccessibilityPermission::systemPlatform().openAccessibilitySettings();
        QDesktopServices::unsetUrlHandler(u"file"_s);

        QCOMPARE(opener.opened.size(), 1);
        const QString help = opener.opened.first().toLocalFile();
        QVERIFY(help.startsWith(environment.tree().path()));
        const QByteArray text = fileContents(help);
        QVERIFY(text.startsWith("### A key for the panel on Wayland desktops\n"));
        QVERIFY(text.contains("bindsym $mod+space exec vantri toggle"));
        // The section alone, not the README after it.
        QVERIFY(!text.contains("\n## "));
    }

    void choice_data() {
        QTest::addColumn<QString>("qpaPlatform");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("waylandDisplay");
        QTest::addColumn<QStringList>("plugins");
        QTest::addColumn<QStringList>("answering");
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("failureMentions"); // empty: no failure

        const QStringList both{"xcb", "wayland"};
        const QStringList x11Only{"xcb"};
        const auto row = [](const char* name, const char* qpa, const char* display,
                            const char* wayland, const QStringList& plugins,
                            const QStringList& answering, const char* platform,
                            const char* failure = "") {
            QTest::newRow(name) << QString(qpa) << QString(display) << QString(wayland) << plugins
                                << answering << QString(platform) << QString(failure);
        };
        row("Wayland session with Xwayland", "", ":0", "wayland-1", both, {":0", "wayland-1"},
            "xcb");
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
        row("compositor gone", "", "", "wayland-9", both, {}, "",
            "no Wayland compositor answers at WAYLAND_DISPLAY=wayland-9");
        row("user's platform cannot start", "wayland", ":0", "", x11Only, {":0"}, "",
            "unset QT_QPA_PLATFORM");
    }

    void choice() {
        QFETCH(QString, qpaPlatform);
        QFETCH(QString, display);
        QFETCH(QString, waylandDisplay);
        QFETCH(QStringList, plugins);
        QFETCH(QStringList, answering);
        QFETCH(QString, platform);
        QFETCH(QString, failureMentions);
        const PlatformChoice choice = PlatformChoice::choose({qpaPlatform, display, waylandDisplay},
                                                             machine(plugins, answering));
        QCOMPARE(choice.platform, platform);
        QVERIFY2(failureMentions.isEmpty() ? choice.failure.isEmpty()
                                           : choice.failure.contains(failureMentions),
                 qPrintable(choice.failure));
        QVERIFY(!choice.failure.contains(u'\n'));
    }

    void startWithoutAUsablePlatformFailsCleanly_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("waylandDisplay");
        QTest::newRow("no display at all") << QStringList{} << ""
                                           << "";
        QTest::newRow("toggle, X server gone") << QStringList{"toggle"} << ":4093"
                                               << "";
    }

    // The real program, started where nothing can show its windows: it says so
    // in one line and ends, leaving nothing behind that would stop the next start.
    void startWithoutAUsablePlatformFailsCleanly() {
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
        const QFileInfoList left = QDir(isolated.runtimeDir())
                                       .entryInfoList(QDir::AllEntries | QDir::System |
                                                      QDir::Hidden | QDir::NoDotAndDotDot);
        for (const QFileInfo& entry : left)
            QVERIFY2(entry.isFile() && lockIsFree(entry.filePath()), qPrintable(entry.fileName()));
    }
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
