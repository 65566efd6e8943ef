// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "index/ApplicationFolderWatch.h"

#include "index/scan/DirectoryWalk.h"
#include "platform/FolderChangeWatch.h"
#include "platform/FolderLookout.h"

#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent>
#include <algorithm>

ApplicationFolderWatch::ApplicationFolderWatch(QStringList roots, QDateTime indexWritten,
                                               QObject* parent)
    : QObject(parent)
    , _roots(std::move(roots))
    , _indexWritten(std::move(indexWritten))
    , _itemWatch(new FolderChangeWatch(this))
    , _lookout(new FolderLookout(this)) {
    _settleTimer.setSingleShot(true);
    _settleTimer.setInterval(settleMs);
    connect(&_settleTimer, &QTimer::timeout, this, &ApplicationFolderWatch::settle);
    connect(_itemWatch, &FolderChangeWatch::changed, this, &ApplicationFolderWatch::noteItemChange);
    // A missing folder that appears counts once the changes in it have settled.
    connect(_lookout, &FolderLookout::appeared, this, &ApplicationFolderWatch::noteItemChange);
    // The roots are watched before the survey runs: an entry changed while
    // the survey is under way, before its result arms the watch, would
    // otherwise go unseen until the next change.
    _itemWatch->setFolders(_roots);
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
    if (_surveying)
        _surveyAgain = true;
    else
        startSurvey();
}

void ApplicationFolderWatch::follow() {
    // A folder that went from its path (moved, deleted, unmounted) was let
    // go by the watch; whatever is at its path now is watched afresh here.
    _itemWatch->setFolders(QStringList(_folders.cbegin(), _folders.cend()));
    _lookout->lookFor(_missingRoots);
}

QStringList ApplicationFolderWatch::lookouts() const {
    return _lookout->lookouts();
}
