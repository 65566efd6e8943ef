// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "state/AppState.h"

#include "index/AppIndexManager.h"
#include "scripts/ScriptManager.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"

AppState::AppState(QObject* parent)
    : AppState(std::make_unique<AppIndexManager>(), parent) {}

AppState::AppState(std::unique_ptr<AppIndexManager> appIndexManager, QObject* parent)
    : QObject(parent)
    , _appIndexManager(std::move(appIndexManager))
    , _scriptFolderPath(openPreferences()->value(PreferenceKeys::scriptFolderPath).toString()) {
    // The saved folder is not read here: the state is made before the
    // panel's first frame, and the launch loads the folder once it is shown.
    // Queued, so the flag reaches observers on this object's (the main)
    // thread, in order, whatever thread the manager reported from.
    connect(_appIndexManager.get(), &AppIndexManager::isIndexingChanged, this,
            &AppState::setIsIndexing, Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        this, [this] { setIsIndexing(_appIndexManager->isIndexing()); }, Qt::QueuedConnection);
}

AppState::~AppState() = default;

AppState& AppState::shared() {
    // Never destroyed: it lives as long as the process.
    static AppState* const instance = new AppState;
    return *instance;
}

bool AppState::accessibilityGranted() const {
    return openPreferences()->value(PreferenceKeys::accessibilityGranted, false).toBool();
}

void AppState::setAccessibilityGranted(bool granted) {
    const bool changed = granted != accessibilityGranted();
    writePreference(PreferenceKeys::accessibilityGranted, granted);
    if (changed)
        Q_EMIT accessibilityGrantedChanged(granted);
}

QString AppState::savedShortcut() const {
    return openPreferences()->value(PreferenceKeys::savedShortcut, QString()).toString();
}

void AppState::setSavedShortcut(const QString& shortcut) {
    const bool changed = shortcut != savedShortcut();
    writePreference(PreferenceKeys::savedShortcut, shortcut);
    if (changed)
        Q_EMIT savedShortcutChanged(shortcut);
}

void AppState::chooseShortcut(const QString& shortcut) {
    setHotKeyProblem(QString());
    Q_EMIT shortcutChosen(shortcut);
    if (_hotKeyProblem.isEmpty())
        setSavedShortcut(shortcut);
}

void AppState::setHotKeyProblem(const QString& problem) {
    if (_hotKeyProblem == problem)
        return;
    _hotKeyProblem = problem;
    Q_EMIT hotKeyProblemChanged(problem);
}

void AppState::setHotKeyPlace(const HotKeyPlace& place) {
    if (_hotKeyPlace == place)
        return;
    _hotKeyPlace = place;
    Q_EMIT hotKeyPlaceChanged(place);
}

void AppState::setScriptFolderPath(const QString& path) {
    const bool changed = path != _scriptFolderPath;
    _scriptFolderPath = path;
    if (changed)
        Q_EMIT scriptFolderPathChanged(path);
    saveScriptFolderPath();
}

void AppState::saveScriptFolderPath() {
    writePreference(PreferenceKeys::scriptFolderPath, _scriptFolderPath);
    ScriptManager::shared().loadScripts(_scriptFolderPath);
}

void AppState::setIsIndexing(bool isIndexing) {
    if (_isIndexing == isIndexing)
        return;
    _isIndexing = isIndexing;
    Q_EMIT isIndexingChanged(isIndexing);
}
