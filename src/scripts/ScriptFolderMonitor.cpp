// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scripts/ScriptFolderMonitor.h"

#include "platform/FolderChangeWatch.h"
#include "platform/FolderLookout.h"

#include <QFileInfo>

#include <algorithm>
#include <utility>

ScriptFolderMonitor::ScriptFolderMonitor(QObject* parent)
    : QObject(parent)
    , _watch(new FolderChangeWatch(this))
    , _lookout(new FolderLookout(this)) {
    _reportTimer.setSingleShot(true);
    _reportTimer.setInterval(0);
    connect(_watch, &FolderChangeWatch::changed, &_reportTimer, qOverload<>(&QTimer::start));
    connect(_watch, &FolderChangeWatch::folderGone, this, [this](const QString& folder) {
        if (folder == _folderPath)
            watchTop();
    });
    connect(_lookout, &FolderLookout::appeared, this, [this] {
        watchTop();
        _reportTimer.start();
    });
    connect(&_reportTimer, &QTimer::timeout, this, [this] { Q_EMIT folderChanged(_folderPath); });
}

void ScriptFolderMonitor::watch(const QString& folderPath) {
    _reportTimer.stop();
    if (folderPath != _folderPath) {
        _watch->setFolders({});
        _folderPath = folderPath;
    }
    watchTop();
}

void ScriptFolderMonitor::watchTop() {
    if (_folderPath.isEmpty()) {
        _lookout->lookFor({});
        return;
    }
    // Looked for before it is tried again, so that a folder put in place
    // between the two is not missed; tried twice at most, as one that is
    // there but cannot be watched would be found again and again.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!_watch->folders().contains(_folderPath)) {
            // A new top folder: the folders below the old one are not its own.
            _watch->setFolders({_folderPath});
            _isAwaitingFirstScan = true;
        }
        if (_watch->folders().contains(_folderPath)) {
            _lookout->lookFor({});
            return;
        }
        _lookout->lookFor({_folderPath});
        if (!QFileInfo(_folderPath).isDir())
            return;
    }
}

void ScriptFolderMonitor::watchFolders(const QString& folderPath, const QStringList& folders) {
    if (folderPath != _folderPath || !_watch->folders().contains(folderPath))
        return;
    const QStringList watched = _watch->folders();
    _watch->setFolders(folders + QStringList{folderPath});
    // A folder made since the last scan was listed by it before its watch
    // was added here: a folder or a file made inside it meanwhile went
    // unseen, and one more scan finds it. The first scan of a folder began
    // after its watches, so it missed nothing.
    const bool foundNewFolders =
        std::any_of(folders.cbegin(), folders.cend(),
                    [&](const QString& folder) { return !watched.contains(folder); });
    if (!std::exchange(_isAwaitingFirstScan, false) && foundNewFolders)
        _reportTimer.start();
}
