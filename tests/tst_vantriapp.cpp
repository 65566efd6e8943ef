// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TempTree.h"
#include "app/AppDelegate.h"
#include "app/VantriApp.h"
#include "app/window/KeyableWindow.h"
#include "scripts/ScriptManager.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"

#include <QLineEdit>
#include <QtTest>
#include <optional>

using namespace std::chrono_literals;

// Long enough for the event loop to turn a few times, short of the default.
constexpr auto trayHostGrace = 300ms;

class TestVantriApp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void launchLoadsTheSavedScriptsFolderAndOpensOneSettingsWindow();
    void launchWaitsForThePanelsFirstFrame();
    void launchWithoutThePanelFinishesAtOnce();
    void withoutATraySettingsOpensOnceATrayHostHadItsTime();
    void withoutATraySettingsWaitsForThePanelToHide();
};

void TestVantriApp::launchLoadsTheSavedScriptsFolderAndOpensOneSettingsWindow() {
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

void TestVantriApp::launchWaitsForThePanelsFirstFrame() {
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

void TestVantriApp::launchWithoutThePanelFinishesAtOnce() {
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
void TestVantriApp::withoutATraySettingsOpensOnceATrayHostHadItsTime() {
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

void TestVantriApp::withoutATraySettingsWaitsForThePanelToHide() {
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

QTEST_MAIN(TestVantriApp)
#include "tst_vantriapp.moc"
