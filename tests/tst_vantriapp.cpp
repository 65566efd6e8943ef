#include "TempTree.h"
#include "app/AppDelegate.h"
#include "app/VantriApp.h"
#include "scripts/ScriptManager.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"
#include "ui/Settings.h"

#include <QMenu>
#include <QtTest>

class TestVantriApp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void trayMenuOpensOneSettingsWindow();
    void launchLoadsTheSavedScriptsFolder();
};

void TestVantriApp::trayMenuOpensOneSettingsWindow() {
    IsolatedEnvironment environment;
    VantriApp scene;
    QCOMPARE(AppDelegate::shared(), &scene.appDelegate());
    const QList<QAction*> actions = scene.trayMenu().actions();
    QCOMPARE(actions.size(), 3);
    QCOMPARE(actions[2]->text(), QStringLiteral("Quit"));
    QVERIFY(!scene.settingsWindow());

    actions[0]->trigger();
    QWidget* window = scene.settingsWindow();
    QVERIFY(qobject_cast<Settings*>(window));
    QVERIFY(window->isVisible());
    // Opened again after being closed, it is the same window.
    window->close();
    scene.openSettingsWindow();
    QCOMPARE(scene.settingsWindow(), window);
    QVERIFY(window->isVisible());
}

void TestVantriApp::launchLoadsTheSavedScriptsFolder() {
    IsolatedEnvironment environment;
    const QString folder = environment.tree().makeDir(QStringLiteral("scripts"));
    openPreferences()->setValue(PreferenceKeys::scriptFolderPath, folder);
    VantriApp scene;
    ScriptManager::shared().loadScripts(QString());
    scene.appDelegate().applicationDidFinishLaunching();
    QCOMPARE(ScriptManager::shared().lastUsedScriptFolderPath(), folder);
}

QTEST_MAIN(TestVantriApp)
#include "tst_vantriapp.moc"
