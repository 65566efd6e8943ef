// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "index/AppIndexManager.h"

#include "index/ApplicationFolderWatch.h"
#include "index/IndexFile.h"
#include "index/scan/ApplicationDirectories.h"
#include "index/scan/ApplicationScanner.h"
#include "platform/AtomicFile.h"
#include "product/Diagnostics.h"

#include <QFileInfo>
#include <QFutureWatcher>
#include <QTimer>
#include <QtConcurrent>
#include <utility>

namespace {

// How long after a failed load the replacement scan starts.
constexpr int rescanDelayMs = 1000;

void reportSaveFailure(const std::optional<QString>& failure) {
    if (failure)
        printSaveFailure(QStringLiteral("app index"), *failure);
}

} // namespace

AppIndexManager::AppIndexManager(QObject* parent)
    : AppIndexManager(defaultDirectories(), defaultIndexFilePath(), parent) {}

AppIndexManager::AppIndexManager(QStringList directories, QString indexFilePath, QObject* parent)
    : QObject(parent)
    , _directories(std::move(directories))
    , _indexFilePath(std::move(indexFilePath))
    , _apps(std::make_shared<const AppIndex>()) {
    _savePool.setMaxThreadCount(1);
    // Copies a crash left between writing and renaming would stay for good,
    // each as large as the index. Cleared on the thread that saves, so never
    // while this program writes one; a start does not wait for it.
    _savePool.start([path = _indexFilePath] { removeInterruptedReplacements(path); });
    // From the event loop: a manager made during start-up leaves the cores
    // to whatever the program shows first.
    QMetaObject::invokeMethod(this, &AppIndexManager::loadIndex, Qt::QueuedConnection);
    // Applications installed or removed while the program was not running
    // are caught by the watch's first look at the folders.
    auto* folderWatch =
        new ApplicationFolderWatch(_directories, QFileInfo(_indexFilePath).lastModified(), this);
    connect(folderWatch, &ApplicationFolderWatch::changed, this,
            &AppIndexManager::indexAfterChange);
}

AppIndexManager::~AppIndexManager() {
    if (_isSaving)
        reportSaveFailure(_save.result());
    if (_nextSave)
        reportSaveFailure(IndexFile::write(_indexFilePath, *_nextSave));
}

QStringList AppIndexManager::defaultDirectories() {
    return ApplicationDirectories::defaultDirectories();
}

QString AppIndexManager::defaultIndexFilePath() {
    return ApplicationDirectories::defaultIndexFilePath();
}

std::shared_ptr<const AppIndex> AppIndexManager::apps() const {
    return _apps.load();
}

void AppIndexManager::indexApps() {
    if (_isIndexing)
        return;
    setIsIndexing(true);
    // The scan touches nothing of the manager. The watcher is the manager's
    // child: should the manager go before the scan ends, the result is dropped.
    auto* watcher = new QFutureWatcher<std::shared_ptr<const AppIndex>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        finishScan(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run([directories = _directories] {
        return std::make_shared<const AppIndex>(scanApplications(directories));
    }));
}

void AppIndexManager::indexAfterChange() {
    // A scan already running may have walked past the change: another one
    // follows it.
    if (_isIndexing)
        _changedWhileIndexing = true;
    else
        indexApps();
}

void AppIndexManager::finishScan(std::shared_ptr<const AppIndex> index) {
    saveIndex(index);
    setApps(std::move(index));
    setIsLoaded();
    setIsIndexing(false);
    if (std::exchange(_changedWhileIndexing, false))
        indexApps();
}

void AppIndexManager::loadIndex() {
    // Reading the file costs in proportion to the index, so it never runs
    // before the first frame: the file is read on the pool and the snapshot
    // published here. The watcher is the manager's child, as with a scan.
    auto* watcher = new QFutureWatcher<std::shared_ptr<const AppIndex>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        finishLoad(watcher->result());
    });
    watcher->setFuture(
        QtConcurrent::run([path = _indexFilePath]() -> std::shared_ptr<const AppIndex> {
            std::optional<AppIndex> index = IndexFile::read(path);
            if (!index)
                return nullptr;
            return std::make_shared<const AppIndex>(std::move(*index));
        }));
}

void AppIndexManager::finishLoad(std::shared_ptr<const AppIndex> index) {
    // A scan that ended first knows better than the file it replaced.
    if (_isLoaded)
        return;
    if (index)
        setApps(std::move(index));
    else
        QTimer::singleShot(rescanDelayMs, this, &AppIndexManager::indexApps);
    setIsLoaded();
}

void AppIndexManager::saveIndex(std::shared_ptr<const AppIndex> index) {
    if (_isSaving) {
        _nextSave = std::move(index);
        return;
    }
    _isSaving = true;
    // The write touches nothing of the manager; the watcher is its child, as with a scan.
    auto* watcher = new QFutureWatcher<std::optional<QString>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        finishSave(watcher->result());
    });
    _save = QtConcurrent::run(&_savePool, [path = _indexFilePath, index = std::move(index)] {
        return IndexFile::write(path, *index);
    });
    watcher->setFuture(_save);
}

void AppIndexManager::finishSave(const std::optional<QString>& failure) {
    _isSaving = false;
    reportSaveFailure(failure);
    if (_nextSave)
        saveIndex(std::exchange(_nextSave, nullptr));
}

void AppIndexManager::setApps(std::shared_ptr<const AppIndex> index) {
    _apps.store(std::move(index));
    Q_EMIT appsChanged();
}

void AppIndexManager::setIsLoaded() {
    if (_isLoaded)
        return;
    _isLoaded = true;
    Q_EMIT isLoadedChanged(true);
}

void AppIndexManager::setIsIndexing(bool isIndexing) {
    if (_isIndexing == isIndexing)
        return;
    _isIndexing = isIndexing;
    Q_EMIT isIndexingChanged(isIndexing);
}
