#include "index/ApplicationFolderWatch.h"

#include "index/DirectoryWalk.h"

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
    , _indexWritten(std::move(indexWritten)) {
    _settleTimer.setSingleShot(true);
    _settleTimer.setInterval(settleMs);
    connect(&_settleTimer, &QTimer::timeout, this, &ApplicationFolderWatch::settle);
    connect(&_watcher, &QFileSystemWatcher::directoryChanged, this,
            &ApplicationFolderWatch::noteChange);
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
    watchOnly(_folders + lookouts());
    Q_EMIT watchRenewed();
    if (report)
        Q_EMIT changed();
    if (std::exchange(_surveyAgain, false))
        startSurvey();
}

void ApplicationFolderWatch::noteChange(const QString& folder) {
    if (_folders.contains(folder))
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
    watchOnly(_folders + lookouts());
}

QSet<QString> ApplicationFolderWatch::lookouts() const {
    QSet<QString> folders;
    for (const QString& root : _missingRoots)
        folders.insert(nearestExisting(root));
    return folders;
}

void ApplicationFolderWatch::watchOnly(const QSet<QString>& folders) {
    const QStringList watched = _watcher.directories();
    QStringList gone;
    for (const QString& folder : watched) {
        if (!folders.contains(folder))
            gone.append(folder);
    }
    if (!gone.isEmpty())
        _watcher.removePaths(gone);
    const QSet<QString> kept(watched.cbegin(), watched.cend());
    QStringList added;
    for (const QString& folder : folders) {
        if (!kept.contains(folder))
            added.append(folder);
    }
    if (!added.isEmpty())
        _watcher.addPaths(added);
}
