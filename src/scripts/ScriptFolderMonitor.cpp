#include "scripts/ScriptFolderMonitor.h"

ScriptFolderMonitor::ScriptFolderMonitor(QObject* parent)
    : QObject(parent) {
    _reportTimer.setSingleShot(true);
    _reportTimer.setInterval(0);
    connect(&_watcher, &QFileSystemWatcher::directoryChanged, this, [this](const QString& path) {
        _changedFolder = path;
        _reportTimer.start();
    });
    connect(&_reportTimer, &QTimer::timeout, this,
            [this] { Q_EMIT folderChanged(_changedFolder); });
}

void ScriptFolderMonitor::watch(const QString& folderPath) {
    _reportTimer.stop();
    const QStringList watched = _watcher.directories();
    if (!watched.isEmpty())
        _watcher.removePaths(watched);
    if (!folderPath.isEmpty())
        _watcher.addPath(folderPath);
}
