#pragma once

#include "index/AppEntry.h"
#include "index/AppIndex.h"

#include <QObject>
#include <QStringList>
#include <atomic>
#include <memory>

// Knows the installed applications: reads the index file and scans the
// application folders in the background, keeps the result as an immutable
// snapshot, which any thread may take to search, and in the index file.
// The folders are watched: changes to them, while running or since the index
// file was written, bring a scan of their own.
class AppIndexManager : public QObject {
    Q_OBJECT

public:
    // The default folders and index file. Starts reading the index file on
    // the global thread pool; the snapshot stays empty until it is loaded.
    explicit AppIndexManager(QObject* parent = nullptr);
    AppIndexManager(QStringList directories, QString indexFilePath, QObject* parent = nullptr);
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
    void saveIndex(const AppIndex& index) const;
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
};
