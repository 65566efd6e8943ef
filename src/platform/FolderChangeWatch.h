// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

class QSocketNotifier;

// Watches a set of folders for any change of their entries (added, removed,
// renamed) and, unless told to watch entries only, of the contents of the
// files directly in them, through one inotify instance; a large tree costs
// one watch per folder, none per file. Reports on the thread it lives on.
//
// A watch follows the folder, not its path. So a folder that is deleted,
// moved away (with the watched folders inside it), unmounted, or covered or
// uncovered by a mount stops being watched, and folderGone() names its path:
// whatever is at that path now is a folder this object has never seen, and
// its owner decides whether to watch it (setFolders with the path again).
class FolderChangeWatch : public QObject {
    Q_OBJECT

public:
    enum class Events {
        // Entries, and writes to and attribute changes of the files in the folders.
        entriesAndContents,
        // Entries made, moved in, moved away or removed: a busy folder whose
        // files are only written never wakes the program.
        entriesOnly,
    };

    explicit FolderChangeWatch(QObject* parent = nullptr)
        : FolderChangeWatch(Events::entriesAndContents, parent) {}
    explicit FolderChangeWatch(Events events, QObject* parent = nullptr);
    ~FolderChangeWatch() override;

    // Watches exactly `folders` from now on; only the differences reach the
    // system. A folder that cannot be watched is left out.
    void setFolders(const QStringList& folders);
    QStringList folders() const { return _watches.keys(); }

Q_SIGNALS:
    // Emitted before the changed() of the same batch of events.
    void folderGone(const QString& folder);
    void changed();

private:
    void readEvents();
    void checkMounts();
    QString forget(int watch);

    const uint32_t _mask;
    int _inotify = -1;
    // The mount table, which tells of mounts and unmounts that no watch sees:
    // a file system mounted over a watched folder leaves its watch in place.
    int _mounts = -1;
    QHash<QString, int> _watches;
    QHash<int, QString> _folders;
};
