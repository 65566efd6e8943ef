// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

class QSocketNotifier;

// Watches a set of folders for any change of their entries (added, removed,
// renamed) or of the contents of the files directly in them, through one
// inotify instance; a large tree costs one watch per folder, none per file.
// Reports on the thread it lives on. A folder that is deleted or moved away
// stops being watched.
class FolderChangeWatch : public QObject {
    Q_OBJECT

public:
    explicit FolderChangeWatch(QObject* parent = nullptr);
    ~FolderChangeWatch() override;

    // Watches exactly `folders` from now on; only the differences reach the
    // system. A folder that cannot be watched is left out.
    void setFolders(const QStringList& folders);
    QStringList folders() const { return _watches.keys(); }

Q_SIGNALS:
    void changed();

private:
    void readEvents();

    int _inotify = -1;
    QSocketNotifier* _notifier = nullptr;
    QHash<QString, int> _watches;
};
