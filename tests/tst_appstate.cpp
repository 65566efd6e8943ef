// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TempTree.h"
#include "index/AppIndexManager.h"
#include "scripts/ScriptManager.h"
#include "state/AppState.h"
#include "state/PreferenceKeys.h"

#include <QtTest>

#include <unistd.h>

namespace {

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

class TestAppState : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void settersStoreInTheConfigFileAndSignalOnlyChanges();
    void indexingFlagFollowsTheManagerOnTheMainThread();
    void preferenceThatCannotBeSavedIsReportedOnce();
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

void TestAppState::preferenceThatCannotBeSavedIsReportedOnce() {
    IsolatedEnvironment environment;
    AppState state;
    const QString folder = environment.tree().makeDir("config/Vantri");
    const auto readable = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                          QFile::ReadOther | QFile::ExeOther;
    for (const QString& path : {environment.tree().path(""), environment.configHome()})
        QFile::setPermissions(path, readable | QFile::WriteOwner);
    QFile::setPermissions(folder, readable);
    QSignalSpy shortcutChanged(&state, &AppState::savedShortcutChanged);

    const QByteArray printed =
        standardOutputOf([&] { withoutRootRights([&] { state.setSavedShortcut("\u2318K"); }); });
    QCOMPARE(printed, "Failed to save preferences: " + folder.toUtf8() +
                          "/Vantri.conf: Permission denied\n");
    // The change still holds in this run.
    QCOMPARE(shortcutChanged.count(), 1);
    QFile::setPermissions(folder, readable | QFile::WriteOwner);
}

QTEST_GUILESS_MAIN(TestAppState)
#include "tst_appstate.moc"
