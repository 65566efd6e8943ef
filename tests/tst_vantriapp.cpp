#include "TempTree.h"
#include "app/VantriApp.h"
#include "product/ProductInfo.h"
#include "scripts/ScriptManager.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"

#include <QtTest>

class TestVantriApp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void launchLoadsTheSavedScriptsFolderAndOpensOneSettingsWindow();
    void trayIconIsTheThemesWhenInstalled_data();
    void trayIconIsTheThemesWhenInstalled();
};

void TestVantriApp::launchLoadsTheSavedScriptsFolderAndOpensOneSettingsWindow() {
    IsolatedEnvironment environment;
    const QString folder = environment.tree().makeDir("scripts");
    openPreferences()->setValue(PreferenceKeys::scriptFolderPath, folder);
    VantriApp scene;
    ScriptManager::shared().loadScripts(QString());
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

void TestVantriApp::trayIconIsTheThemesWhenInstalled_data() {
    QTest::addColumn<bool>("installed");
    QTest::addColumn<QString>("themeIconName");
    QTest::newRow("installed") << true << ProductInfo::trayIconName;
    QTest::newRow("not installed") << false << QString();
}

void TestVantriApp::trayIconIsTheThemesWhenInstalled() {
    QFETCH(bool, installed);
    QFETCH(QString, themeIconName);
    IsolatedEnvironment environment;
    const TempTree icons;
    icons.writeFile(QStringLiteral("hicolor/index.theme"),
                    "[Icon Theme]\nName=Hicolor\nDirectories=16x16/apps\n\n"
                    "[16x16/apps]\nSize=16\nType=Fixed\n");
    if (installed) {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(Qt::gray);
        icons.makeDir(QStringLiteral("hicolor/16x16/apps"));
        QVERIFY(image.save(icons.path(
            QStringLiteral("hicolor/16x16/apps/%1.png").arg(ProductInfo::trayIconName))));
    }
    QIcon::setThemeSearchPaths({icons.path()});
    // The offscreen platform names no icon theme; a desktop always does, and
    // every theme falls back to hicolor, where the package puts the icon.
    QIcon::setThemeName(QStringLiteral("hicolor"));

    VantriApp scene;
    scene.finishLaunching();
    QCOMPARE(scene.trayIcon().name(), themeIconName);
    QVERIFY(!scene.trayIcon().isNull());
}

QTEST_MAIN(TestVantriApp)
#include "tst_vantriapp.moc"
