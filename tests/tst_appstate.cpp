#include "TempTree.h"
#include "index/AppIndexManager.h"
#include "scripts/ScriptManager.h"
#include "state/AppState.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"

#include <QtTest>

namespace {

// The preferences file as another program would read it.
QVariant storedValue(const IsolatedEnvironment& environment, const QString& key) {
    const QSettings file(environment.configHome() + "/Vantri/Vantri.conf", QSettings::IniFormat);
    return file.value(key);
}

} // namespace

class TestAppState : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void emptyPreferencesGiveDefaultsAndLoadNothing();
    void savedScriptsFolderIsLoadedAtConstruction();
    void everyFolderAssignmentStoresAndReloads();
    void storedPreferencesLiveInTheConfigFile();
    void indexingFlagFollowsTheManagerOnTheMainThread();
};

void TestAppState::emptyPreferencesGiveDefaultsAndLoadNothing() {
    IsolatedEnvironment environment;
    ScriptManager::shared().loadScripts("untouched");
    AppState state;
    QCOMPARE(state.savedShortcut(), QString(""));
    QCOMPARE(state.scriptFolderPath(), QString(""));
    QVERIFY(!state.accessibilityGranted());
    QVERIFY(!state.isIndexing());
    QCOMPARE(ScriptManager::shared().lastUsedScriptFolderPath(), "untouched");
    QCOMPARE(state.appIndexManager().indexFilePath(), AppIndexManager::defaultIndexFilePath());
}

void TestAppState::savedScriptsFolderIsLoadedAtConstruction() {
    IsolatedEnvironment environment;
    const QString folder = environment.tree().makeDir("scripts");
    openPreferences()->setValue(PreferenceKeys::scriptFolderPath, folder);
    ScriptManager::shared().loadScripts("untouched");
    AppState state;
    QCOMPARE(state.scriptFolderPath(), folder);
    QCOMPARE(ScriptManager::shared().lastUsedScriptFolderPath(), folder);
}

void TestAppState::everyFolderAssignmentStoresAndReloads() {
    IsolatedEnvironment environment;
    const QString folder = environment.tree().makeDir("scripts");
    AppState state;
    QSignalSpy changed(&state, &AppState::scriptFolderPathChanged);

    state.setScriptFolderPath(folder);
    QCOMPARE(storedValue(environment, PreferenceKeys::scriptFolderPath).toString(), folder);
    QCOMPARE(ScriptManager::shared().lastUsedScriptFolderPath(), folder);
    QCOMPARE(changed.count(), 1);

    // The same path again still reloads the catalogue.
    ScriptManager::shared().loadScripts("elsewhere");
    state.setScriptFolderPath(folder);
    QCOMPARE(ScriptManager::shared().lastUsedScriptFolderPath(), folder);
    QCOMPARE(changed.count(), 1);

    state.setScriptFolderPath("");
    QCOMPARE(changed.count(), 2);
    QCOMPARE(storedValue(environment, PreferenceKeys::scriptFolderPath), QVariant(QString("")));
    QCOMPARE(ScriptManager::shared().lastUsedScriptFolderPath(), QString(""));
    QCOMPARE(AppState().scriptFolderPath(), QString(""));
}

void TestAppState::storedPreferencesLiveInTheConfigFile() {
    IsolatedEnvironment environment;
    AppState state;
    QSignalSpy shortcutChanged(&state, &AppState::savedShortcutChanged);
    const QString shortcut = QStringLiteral("\u2318\u2423");
    state.setSavedShortcut(shortcut);
    QCOMPARE(shortcutChanged.count(), 1);
    QCOMPARE(storedValue(environment, PreferenceKeys::savedShortcut).toString(), shortcut);
    QCOMPARE(AppState().savedShortcut(), shortcut);

    // A direct write by other code is seen on the next read.
    openPreferences()->setValue(PreferenceKeys::accessibilityGranted, true);
    QVERIFY(state.accessibilityGranted());
    QSignalSpy grantedChanged(&state, &AppState::accessibilityGrantedChanged);
    state.setAccessibilityGranted(true);
    QCOMPARE(grantedChanged.count(), 0);
    QCOMPARE(storedValue(environment, PreferenceKeys::accessibilityGranted).toBool(), true);

    state.setScriptFolderPath(environment.tree().makeDir("scripts"));
    QFile file(environment.configHome() + "/Vantri/Vantri.conf");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    for (const QString& key : {PreferenceKeys::savedShortcut, PreferenceKeys::accessibilityGranted,
                               PreferenceKeys::scriptFolderPath})
        QVERIFY2(text.contains("\n" + key.toUtf8() + "="), qPrintable(key));
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
    QVERIFY(state.appIndexManager().isIndexing());
    QVERIFY(!state.isIndexing()); // handed over through the event loop
    QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 2, 20000);
    QCOMPARE(seen, (QList<QPair<bool, bool>>{{true, true}, {false, true}}));
    QVERIFY(!state.isIndexing());
    QCOMPARE(state.appIndexManager().apps()->size(), 1);
}

QTEST_GUILESS_MAIN(TestAppState)
#include "tst_appstate.moc"
