// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scripts/ScriptManager.h"

#include "scripts/ScriptFolderMonitor.h"
#include "scripts/ScriptFolderScan.h"

#include <QCoreApplication>
#include <QtConcurrent/QtConcurrentRun>

ScriptManager::ScriptManager(QObject* parent)
    : QObject(parent)
    , _scripts(std::make_shared<const ScriptCatalogue>())
    , _folderMonitor(new ScriptFolderMonitor(this)) {
    connect(_folderMonitor, &ScriptFolderMonitor::folderChanged, this,
            [this](const QString& path) { load(path, true); });
    connect(&_scan, &QFutureWatcher<ScriptFolderContents>::finished, this,
            &ScriptManager::scanFinished);
    if (QCoreApplication* application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, &ScriptManager::endRuns);
}

ScriptManager& ScriptManager::shared() {
    // Never destroyed: it lives as long as the process, like the folder it watches.
    static ScriptManager* const instance = new ScriptManager;
    return *instance;
}

void ScriptManager::loadScripts(const QString& path) {
    load(path, false);
}

void ScriptManager::load(const QString& path, bool isChange) {
    _lastUsedScriptFolderPath = path;
    // Watching starts before the folder is read, so that a change made while
    // it is being read still leads to another scan; a folder that cannot be
    // read at all is watched as far as it can be, and the earlier one no more.
    _folderMonitor->watch(path);
    if (!isScannableFolder(path)) {
        publish({});
        return;
    }
    if (!isChange && _scanningPath == path && !_nextScanPath)
        return;
    if (_scanningPath) {
        _nextScanPath = path;
        return;
    }
    startScan(path);
}

void ScriptManager::startScan(const QString& path) {
    _scanningPath = path;
    _scan.setFuture(QtConcurrent::run([path] { return scanScriptFolder(path); }));
}

void ScriptManager::scanFinished() {
    const QString path = *std::exchange(_scanningPath, std::nullopt);
    ScriptFolderContents contents = _scan.result();
    // A scan of a folder that is no longer the chosen one has nothing to say.
    if (path == _lastUsedScriptFolderPath) {
        _folderMonitor->watchFolders(path, contents.folders);
        publish(std::move(contents.catalogue));
    }
    if (_nextScanPath)
        startScan(*std::exchange(_nextScanPath, std::nullopt));
}

std::optional<FoundScript> ScriptManager::findScript(const QString& line) const {
    QStringList words = line.split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return std::nullopt;
    const std::shared_ptr<const ScriptCatalogue> catalogue = scripts();
    const auto entry = catalogue->constFind(words.takeFirst().toLower());
    if (entry == catalogue->constEnd())
        return std::nullopt;
    return FoundScript{entry->metadata, entry->scriptPath, words};
}

void ScriptManager::runScript(const ScriptMetadata& metadata, const QString& scriptPath,
                              const QStringList& arguments,
                              std::function<void(const QString&)> outputHandler,
                              std::function<void(const std::optional<ScriptFailure>&)> completion) {
    _runs.run(metadata, scriptPath, arguments, std::move(outputHandler), std::move(completion));
}

void ScriptManager::endRuns() {
    _runs.endAll();
}

void ScriptManager::publish(ScriptCatalogue catalogue) {
    if (*_scripts.load() == catalogue)
        return;
    _scripts.store(std::make_shared<const ScriptCatalogue>(std::move(catalogue)));
    Q_EMIT scriptsChanged();
}
