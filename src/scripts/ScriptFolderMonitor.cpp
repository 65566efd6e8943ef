// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scripts/ScriptFolderMonitor.h"

#include "platform/FolderChangeWatch.h"

#include <algorithm>
#include <utility>

ScriptFolderMonitor::ScriptFolderMonitor(QObject* parent)
    : QObject(parent)
    , _watch(new FolderChangeWatch(this)) {
    _reportTimer.setSingleShot(true);
    _reportTimer.setInterval(0);
    connect(_watch, &FolderChangeWatch::changed, &_reportTimer, qOverload<>(&QTimer::start));
    connect(&_reportTimer, &QTimer::timeout, this, [this] { Q_EMIT folderChanged(_folderPath); });
}

void ScriptFolderMonitor::watch(const QString& folderPath) {
    _reportTimer.stop();
    QStringList folders;
    if (folderPath == _folderPath)
        folders = _watch->folders();
    _isAwaitingFirstScan = folderPath != _folderPath;
    _folderPath = folderPath;
    if (!folderPath.isEmpty() && !folders.contains(folderPath))
        folders.append(folderPath);
    _watch->setFolders(folders);
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
