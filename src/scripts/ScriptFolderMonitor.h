// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

class FolderChangeWatch;
class FolderLookout;

// Watches a scripts folder tree: the entries of the folder and of every folder
// below it (additions, removals, renames) and the contents of the files in
// them (a metadata file rewritten in place, as some editors do), and says so
// on the main thread. Changes that arrive together are reported once, on the
// next turn of the event loop, always naming the top folder.
//
// The watch follows the folder's path, not the folder: when the folder is
// replaced (renamed away and another renamed in its place, deleted and made
// again, or unmounted and mounted again), the one now at the path is watched
// and the replacement reported. While nothing is at the path, its nearest
// existing parent is watched for the folder to appear.
class ScriptFolderMonitor : public QObject {
    Q_OBJECT

public:
    explicit ScriptFolderMonitor(QObject* parent = nullptr);

    // Watches `folderPath` itself, dropping unreported changes; a different
    // folder than before drops every earlier watch.
    void watch(const QString& folderPath);
    // The folders a scan of `folderPath` found below it are watched from now
    // on, and those it no longer found are not. Does nothing unless
    // `folderPath` is the watched folder.
    void watchFolders(const QString& folderPath, const QStringList& folders);

Q_SIGNALS:
    void folderChanged(const QString& folderPath);

private:
    void watchTop();

    FolderChangeWatch* _watch;
    FolderLookout* _lookout;
    QTimer _reportTimer;
    QString _folderPath;
    // Whether the folders of the first scan since the top folder was last
    // watched afresh are still to come.
    bool _isAwaitingFirstScan = false;
};
