#pragma once

#include "scripts/ScriptCatalogue.h"
#include "scripts/ScriptError.h"
#include "scripts/ScriptMetadata.h"
#include "scripts/ScriptRunner.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class ScriptFolderMonitor;

// A script named by a typed line, ready to run.
struct FoundScript {
    ScriptMetadata metadata;
    QString scriptPath;
    QStringList arguments;
};

// The catalogue of the user's scripts, filed under their command keywords,
// kept up to date with the scripts folder; also runs them. Lives on the main
// thread; only scripts() may be called from other threads.
class ScriptManager : public QObject {
    Q_OBJECT

public:
    explicit ScriptManager(QObject* parent = nullptr);

    static ScriptManager& shared();

    // Catalogues the folder at `path` afresh and watches it, so that adding,
    // removing or renaming its entries catalogues it again. An empty, missing
    // or unreadable folder leaves the catalogue empty and the watch as it was.
    void loadScripts(const QString& path);

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
    ScriptRunners& runners() { return _runners; }

Q_SIGNALS:
    void scriptsChanged();

private:
    void publish(ScriptCatalogue catalogue);

    std::atomic<std::shared_ptr<const ScriptCatalogue>> _scripts;
    QString _lastUsedScriptFolderPath;
    ScriptFolderMonitor* _folderMonitor;
    ScriptRunners _runners;
};
