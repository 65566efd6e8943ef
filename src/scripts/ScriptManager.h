// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "scripts/ScriptCatalogue.h"
#include "scripts/ScriptFolderScan.h"
#include "scripts/ScriptMetadata.h"
#include "scripts/run/ScriptError.h"
#include "scripts/run/ScriptRunner.h"
#include "scripts/run/ScriptRuns.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class ScriptFolderMonitor;

// A script named by a typed line or a result row, ready to run.
struct FoundScript {
    ScriptMetadata metadata;
    QString scriptPath;
    QStringList arguments;
};

// The catalogue of the user's scripts, filed under their command keywords,
// kept up to date with the scripts folder; runs them through ScriptRuns. Lives on the main
// thread; only scripts() may be called from other threads. The folder is read
// on a worker, one scan at a time, and each catalogue is published on the
// main thread.
class ScriptManager : public QObject {
    Q_OBJECT

public:
    explicit ScriptManager(QObject* parent = nullptr);

    static ScriptManager& shared();

    // Catalogues the folder at `path` afresh and watches its tree, so that
    // adding, removing or renaming entries anywhere in it, or rewriting a
    // metadata file, catalogues it again; so does replacing the folder
    // itself (by renaming, deleting and making it again, or mounting). An
    // empty, missing or unreadable folder empties the catalogue at once, and
    // the earlier folder is no longer watched; a missing one is catalogued
    // once it appears.
    // Otherwise the folder is scanned on a worker and the catalogue replaced
    // when the scan is done; a request made while a scan runs is held, and
    // the requests held meanwhile make one more scan, of the latest folder.
    // The folder that is being scanned is not asked for again: the running
    // scan and the watch already cover it.
    void loadScripts(const QString& path);
    // Whether a scan is running or waiting to run.
    bool isScanning() const { return _scanningPath.has_value(); }

    // The current catalogue, never changed once handed out.
    std::shared_ptr<const ScriptCatalogue> scripts() const { return _scripts.load(); }
    QString lastUsedScriptFolderPath() const { return _lastUsedScriptFolderPath; }

    // The script whose command is the first space-separated word of `line`
    // (in any letter case), with the remaining words as its arguments.
    std::optional<FoundScript> findScript(const QString& line) const;

    // Starts the child and returns at once. outputHandler: once per piece, on
    // the main thread, in order. completion: once, on the main thread, after
    // every piece was delivered; no failure means success.
    void runScript(const ScriptMetadata& metadata, const QString& scriptPath,
                   const QStringList& arguments, std::function<void(const QString&)> outputHandler,
                   std::function<void(const std::optional<ScriptFailure>&)> completion);

    // The runner of each script type; tests point its interpreters at stand-ins.
    ScriptRunners& runners() { return _runs.runners(); }

    // Ends every run still going, and whatever it started: the end of the
    // program's life. Called when the application is about to quit.
    void endRuns();

Q_SIGNALS:
    void scriptsChanged();

private:
    void load(const QString& path, bool isChange);
    void startScan(const QString& path);
    void scanFinished();
    void publish(ScriptCatalogue catalogue);

    std::atomic<std::shared_ptr<const ScriptCatalogue>> _scripts;
    QString _lastUsedScriptFolderPath;
    ScriptFolderMonitor* _folderMonitor;
    QFutureWatcher<ScriptFolderContents> _scan;
    std::optional<QString> _scanningPath;
    std::optional<QString> _nextScanPath;
    ScriptRuns _runs;
};
