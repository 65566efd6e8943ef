// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "index/ApplicationFolderWatch.h"

#include "index/scan/DirectoryWalk.h"
#include "platform/FolderChangeWatch.h"

#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent>
#include <algorithm>

namespace {

// The folder itself when it exists, else the closest of its parents that does.
QString nearestExisting(const QString& folder) {
    QString candidate = QDir::cleanPath(folder);
    while (!QFileInfo(candidate).isDir()) {
        const QString parent = QFileInfo(candidate).path();
        if (parent == candidate)
            break;
        candidate = parent;
    }
    return candidate;
}

} // namespace

ApplicationFolderWatch::ApplicationFolderWatch(QStringList roots, QDateTime indexWritten,
                                               QObject* parent)
    : QObject(parent)
    , _roots(std::move(roots))
    , _indexWritten(std::move(indexWritten))
    , _itemWatch(new FolderChangeWatch(this))
    , _lookoutWatch(new FolderChangeWatch(this)) {
    _settleTimer.setSingleShot(true);
    _settleTimer.setInterval(settleMs);
    connect(&_settleTimer, &QTimer::timeout, this, &ApplicationFolderWatch::settle);
    connect(_itemWatch, &FolderChangeWatch::changed, this, &ApplicationFolderWatch::noteItemChange);
    connect(_lookoutWatch, &FolderChangeWatch::changed, &_settleTimer, qOverload<>(&QTimer::start));
    startSurvey();
}

QStringList ApplicationFolderWatch::watchedFolders() const {
    QStringList folders(_folders.cbegin(), _folders.cend());
    folders.sort();
    return folders;
}

ApplicationFolderWatch::Survey ApplicationFolderWatch::survey(const QStringList& roots) {
    Survey result;
    for (const QString& root : roots) {
        const QList<WalkedFolder> folders = walkedFolders(root);
        if (folders.isEmpty())
            result.missingRoots.append(root);
        for (const WalkedFolder& folder : folders) {
            result.folders.insert(folder.path);
            if (!result.latestChange.isValid() || folder.modified > result.latestChange)
                result.latestChange = folder.modified;
        }
    }
    return result;
}

void ApplicationFolderWatch::startSurvey() {
    _surveying = true;
    // Items changed up to now are seen by the scan that follows this survey.
    _reportWhenSurveyed = std::exchange(_itemsChanged, false);
    // The watcher is this object's child: gone with it, the result is dropped.
    auto* watcher = new QFutureWatcher<Survey>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        finishSurvey(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run([roots = _roots] { return survey(roots); }));
}

void ApplicationFolderWatch::finishSurvey(const Survey& result) {
    _surveying = false;
    bool report = _reportWhenSurveyed;
    if (!_hasSurveyed) {
        report = _indexWritten.isValid() && result.latestChange.isValid() &&
                 result.latestChange > _indexWritten;
        _hasSurveyed = true;
    } else if (result.folders != _folders) {
        // A folder appeared or went away, and with it the items inside.
        report = true;
    }
    _folders = result.folders;
    _missingRoots = result.missingRoots;
    follow();
    Q_EMIT watchRenewed();
    if (report)
        Q_EMIT changed();
    if (std::exchange(_surveyAgain, false))
        startSurvey();
}

void ApplicationFolderWatch::noteItemChange() {
    _itemsChanged = true;
    _settleTimer.start();
}

void ApplicationFolderWatch::settle() {
    const bool rootAppeared =
        std::any_of(_missingRoots.cbegin(), _missingRoots.cend(),
                    [](const QString& root) { return QFileInfo(root).isDir(); });
    if (_itemsChanged || rootAppeared) {
        if (_surveying)
            _surveyAgain = true;
        else
            startSurvey();
        return;
    }
    // Only a parent of a missing folder changed: a few checks on this thread
    // move the lookouts closer without listing any folder.
    _lookoutWatch->setFolders(lookouts());
}

QStringList ApplicationFolderWatch::lookouts() const {
    QStringList folders;
    for (const QString& root : _missingRoots)
        folders.append(nearestExisting(root));
    return folders;
}

void ApplicationFolderWatch::follow() {
    _itemWatch->setFolders(QStringList(_folders.cbegin(), _folders.cend()));
    _lookoutWatch->setFolders(lookouts());
}
