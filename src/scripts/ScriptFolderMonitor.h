#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

// Watches one folder's own list of entries (additions, removals, renames; not
// the contents of subfolders) and says so on the main thread. Changes that
// arrive together are reported once, on the next turn of the event loop.
class ScriptFolderMonitor : public QObject {
    Q_OBJECT

public:
    explicit ScriptFolderMonitor(QObject* parent = nullptr);

    // Drops any earlier watch and its unreported changes, then watches
    // `folderPath` afresh. When the folder cannot be watched, nothing is. A
    // folder that is deleted stops being watched; its deletion is the last
    // change reported for it.
    void watch(const QString& folderPath);

Q_SIGNALS:
    void folderChanged(const QString& folderPath);

private:
    QFileSystemWatcher _watcher;
    QTimer _reportTimer;
    QString _changedFolder;
};
