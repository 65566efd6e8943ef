#include "TempTree.h"
#include "index/AppIndexManager.h"
#include "scripts/ScriptManager.h"
#include "state/AppState.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"

#include <QtTest>

class TestAppState : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startsFromThePreferencesFile();
    void settersStoreInTheConfigFileAndSignalOnlyChanges();
    void indexingFlagFollowsTheManagerOnTheMainThread();
};

void TestAppState::startsFromThePreferencesFile() {
    IsolatedEnvironment environment;
    ScriptManager::shared().loadScripts("untouched");
    {
        const AppState state;
        QCOMPARE(state.savedShortcut(), QString(""));
        // No folder saved: the catalogue is left as it was.
        QCOMPARE(ScriptManager::shared().lastUsedScriptFolderPath(), "untouched");
    }
    const QString folder = environment.tree().makeDir("scripts");
    openPreferences()->setValue(PreferenceKeys::scriptFolderPath, folder);
    const AppState state;
    QCOMPARE(state.scriptFolderPath(), folder);
    QCOMPARE(ScriptManager::shared().lastUsedScriptFolderPath(), folder);
}

void TestAppState::settersStoreInTheConfigFileAndSignalOnlyChanges() {
    IsolatedEnvironment environment;
    const auto stored = [&environment](const QString& key) {
        return QSettings(environment.configHome() + "/Vantri/Vantri.conf", QSettings::IniFormat)
            .value(key);
    };
    AppState state;
    QSignalSpy shortcutChanged(&state, &AppState::savedShortcutChanged);
    QSignalSpy folderChanged(&state, &AppState::scriptFolderPathChanged);
    const QString shortcut = QStringLiteral("\u2318\u2423");
    const QString folder = environment.tree().makeDir("scripts");
    for (int time = 0; time < 2; ++time) {
        // The same folder again still reads it again.
        ScriptManager::shared().loadScripts("elsewhere");
        state.setSavedShortcut(shortcut);
        state.setScriptFolderPath(folder);
        QCOMPARE(ScriptManager::shared().lastUsedScriptFolderPath(), folder);
    }
    QCOMPARE(shortcutChanged.count(), 1);
    QCOMPARE(folderChanged.count(), 1);
    QCOMPARE(stored(PreferenceKeys::savedShortcut).toString(), shortcut);
    QCOMPARE(stored(PreferenceKeys::scriptFolderPath).toString(), folder);

    // An empty folder is stored as such, and empties the catalogue.
    state.setScriptFolderPath("");
    QCOMPARE(stored(PreferenceKeys::scriptFolderPath), QVariant(QString("")));
    QCOMPARE(ScriptManager::shared().lastUsedScriptFolderPath(), QString(""));
}

void TestAppState::indexingFlagFollowsTheManagerOnTheMainThread() {
    IsolatedEnvironment environment;
    const TempTree& tree = environment.tree();
    tree.writeFile("apps/Tool.app/Contents/Info.plist",
                   "<plist><dict><key>CFBundleName</key><string>Tool</string></dict></plist>");
    const QString indexPath = tree.writeFile("appIndex.json", "[]");
    AppState state(std::make_unique<AppIndexManager>(QStringList{tree.path("apps")}, indexPath));

    QList<QPair<bool, bool>> seen; // value, delivered on the main thread
    connect(&state, &AppState::isIndexingChanged, this, [&](bool isIndexing) {
        seen.append(
            {isIndexing, QThread::currentThread() == QCoreApplication::instance()->thread()});
    });
    state.appIndexManager().indexApps();
    QVERIFY(!state.isIndexing()); // handed over through the event loop
    QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 2, 20000);
    QCOMPARE(seen, (QList<QPair<bool, bool>>{{true, true}, {false, true}}));
    QCOMPARE(state.appIndexManager().apps()->size(), 1);
}

QTEST_GUILESS_MAIN(TestAppState)
#include "tst_appstate.moc"
