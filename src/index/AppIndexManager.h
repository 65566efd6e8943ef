// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "index/AppEntry.h"
#include "index/AppIndex.h"

#include <QFuture>
#include <QObject>
#include <QStringList>
#include <QThreadPool>
#include <atomic>
#include <memory>
#include <optional>

// Knows the installed applications: reads the index file and scans the
// application folders in the background, keeps the result as an immutable
// snapshot, which any thread may take to search, and in the index file.
// The folders are watched: changes to them, while running or since the index
// file was written, bring a scan of their own. The file is written on a
// thread of the manager's own, one snapshot at a time, as a flush to a slow
// disk may take long.
class AppIndexManager : public QObject {
    Q_OBJECT

public:
    // The default folders and index file. Starts reading the index file on
    // the global thread pool; the snapshot stays empty until it is loaded.
    explicit AppIndexManager(QObject* parent = nullptr);
    AppIndexManager(QStringList directories, QString indexFilePath, QObject* parent = nullptr);
    // Waits for the index file being written, and writes the newest snapshot
    // still waiting, so that the file is whole for whoever reads it next.
    ~AppIndexManager() override;

    static QStringList defaultDirectories();
    static QString defaultIndexFilePath();

    const QString& indexFilePath() const { return _indexFilePath; }

    // The current snapshot; safe to call from any thread.
    std::shared_ptr<const AppIndex> apps() const;
    bool isIndexing() const { return _isIndexing; }
    // Whether the index file has been read (or found missing or damaged, or
    // a scan came first): from then on the snapshot is the index to search.
    bool isLoaded() const { return _isLoaded; }

    // Starts a background scan unless one is running. Main thread.
    void indexApps();

Q_SIGNALS:
    void appsChanged();
    void isIndexingChanged(bool isIndexing);
    void isLoadedChanged(bool isLoaded);

private:
    void loadIndex();
    void finishLoad(std::shared_ptr<const AppIndex> index);
    void saveIndex(std::shared_ptr<const AppIndex> index);
    void finishSave(const std::optional<QString>& failure);
    void indexAfterChange();
    void finishScan(std::shared_ptr<const AppIndex> index);
    void setApps(std::shared_ptr<const AppIndex> index);
    void setIsLoaded();
    void setIsIndexing(bool isIndexing);

    const QStringList _directories;
    const QString _indexFilePath;
    std::atomic<std::shared_ptr<const AppIndex>> _apps;
    bool _isIndexing = false;
    bool _isLoaded = false;
    bool _changedWhileIndexing = false;
    // One thread, so that the file is never written twice at once.
    QThreadPool _savePool;
    QFuture<std::optional<QString>> _save;
    bool _isSaving = false;
    // The snapshot to write once the running save ends; only the newest counts.
    std::shared_ptr<const AppIndex> _nextSave;
};
