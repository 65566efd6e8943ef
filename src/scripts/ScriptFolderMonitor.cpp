#include "scripts/ScriptFolderMonitor.h"

#include "platform/FolderChangeWatch.h"

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
    _folderPath = folderPath;
    if (!folderPath.isEmpty() && !folders.contains(folderPath))
        folders.append(folderPath);
    _watch->setFolders(folders);
}

void ScriptFolderMonitor::watchFolders(const QString& folderPath, const QStringList& folders) {
    if (folderPath != _folderPath || !_watch->folders().contains(folderPath))
        return;
    _watch->setFolders(folders + QStringList{folderPath});
}
