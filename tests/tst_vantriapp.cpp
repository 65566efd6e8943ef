#include "TempTree.h"
#include "app/AppDelegate.h"
#include "app/VantriApp.h"
#include "scripts/ScriptManager.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"

#include <QtTest>

class TestVantriApp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void launchLoadsTheSavedScriptsFolderAndOpensOneSettingsWindow();
};

void TestVantriApp::launchLoadsTheSavedScriptsFolderAndOpensOneSettingsWindow() {
    IsolatedEnvironment environment;
    const QString folder = environment.tree().makeDir("scripts");
    openPreferences()->setValue(PreferenceKeys::scriptFolderPath, folder);
    VantriApp scene;
    ScriptManager::shared().loadScripts(QString());
    scene.appDelegate().applicationDidFinishLaunching();
    QCOMPARE(ScriptManager::shared().lastUsedScriptFolderPath(), folder);

    // Opened again after being closed, the settings window is the same one.
    scene.openSettingsWindow();
    QWidget* window = scene.settingsWindow();
    QVERIFY(window);
    window->close();
    scene.openSettingsWindow();
    QCOMPARE(scene.settingsWindow(), window);
    QVERIFY(window->isVisible());
}

QTEST_MAIN(TestVantriApp)
#include "tst_vantriapp.moc"
