#include "TempTree.h"
#include "index/AppIndexManager.h"
#include "scripts/ScriptManager.h"
#include "state/AppState.h"
#include "state/PreferenceKeys.h"

#include <QtTest>

class TestAppState : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void settersStoreInTheConfigFileAndSignalOnlyChanges();
    void indexingFlagFollowsTheManagerOnTheMainThread();
};

void TestAppState::settersStoreInTheConfigFileAndSignalOnlyChanges() {
    IsolatedEnvironment environment;
    AppState state;
    QSignalSpy shortcutChanged(&state, &AppState::savedShortcutChanged);
    const QString folder = environment.tree().makeDir("scripts");
    for (int time = 0; time < 2; ++time) {
        // The same folder again still reads it again.
        ScriptManager::shared().loadScripts("elsewhere");
        state.setSavedShortcut("\u2318\u2423");
        state.setScriptFolderPath(folder);
        QCOMPARE(ScriptManager::shared().lastUsedScriptFolderPath(), folder);
    }
    QCOMPARE(shortcutChanged.count(), 1);
    const QSettings stored(environment.configHome() + "/Vantri/Vantri.conf", QSettings::IniFormat);
    QCOMPARE(stored.value(PreferenceKeys::savedShortcut).toString(), "\u2318\u2423");
}

void TestAppState::indexingFlagFollowsTheManagerOnTheMainThread() {
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

QTEST_GUILESS_MAIN(TestAppState)
#include "tst_appstate.moc"
