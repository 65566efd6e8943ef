// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

class FolderChangeWatch;

// Watches a scripts folder tree: the entries of the folder and of every folder
// below it (additions, removals, renames) and the contents of the files in
// them (a metadata file rewritten in place, as some editors do), and says so
// on the main thread. Changes that arrive together are reported once, on the
// next turn of the event loop, always naming the top folder.
class ScriptFolderMonitor : public QObject {
    Q_OBJECT

public:
    explicit ScriptFolderMonitor(QObject* parent = nullptr);

    // Watches `folderPath` itself, dropping unreported changes; a different
    // folder than before drops every earlier watch. When the folder cannot be
    // watched, nothing is. A folder that is deleted stops being watched; its
    // deletion is the last change reported for it.
    void watch(const QString& folderPath);
    // The folders a scan of `folderPath` found below it are watched from now
    // on, and those it no longer found are not. Does nothing unless
    // `folderPath` is the watched folder.
    void watchFolders(const QString& folderPath, const QStringList& folders);

Q_SIGNALS:
    void folderChanged(const QString& folderPath);

private:
    FolderChangeWatch* _watch;
    QTimer _reportTimer;
    QString _folderPath;
    // Whether the folders of the chosen folder's first scan are still to come.
    bool _isAwaitingFirstScan = false;
};
