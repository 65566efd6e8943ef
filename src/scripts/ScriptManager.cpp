#include "scripts/ScriptManager.h"

#include "scripts/ScriptFolderMonitor.h"
#include "scripts/ScriptFolderScan.h"
#include "scripts/ScriptRun.h"

#include <QDir>
#include <QTimer>

ScriptManager::ScriptManager(QObject* parent)
    : QObject(parent)
    , _scripts(std::make_shared<const ScriptCatalogue>())
    , _folderMonitor(new ScriptFolderMonitor(this)) {
    connect(_folderMonitor, &ScriptFolderMonitor::folderChanged, this, &ScriptManager::loadScripts);
}

ScriptManager& ScriptManager::shared() {
    // Never destroyed: it lives as long as the process, like the folder it watches.
    static ScriptManager* const instance = new ScriptManager;
    return *instance;
}

void ScriptManager::loadScripts(const QString& path) {
    _lastUsedScriptFolderPath = path;
    if (!isScannableFolder(path)) {
        publish({});
        return;
    }
    // Watching starts before the folder is read, so that a change made while
    // it is being read still leads to another scan.
    _folderMonitor->watch(path);
    publish(scanScriptFolder(path));
}

std::optional<FoundScript> ScriptManager::findScript(const QString& line) const {
    QStringList words = line.split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return std::nullopt;
    const std::shared_ptr<const ScriptCatalogue> catalogue = scripts();
    const auto entry = catalogue->constFind(words.takeFirst().toLower());
    if (entry == catalogue->constEnd())
        return std::nullopt;
    return FoundScript{entry->metadata,
                       QDir(_lastUsedScriptFolderPath).filePath(entry->relativePath), words};
}

void ScriptManager::runScript(const ScriptMetadata& metadata, const QString& scriptPath,
                              const QStringList& arguments,
                              std::function<void(const QString&)> outputHandler,
                              std::function<void(const std::optional<ScriptFailure>&)> completion) {
    const std::optional<ScriptRunner> runner = _runners.runnerFor(metadata.type);
    if (!runner) {
        // Reported later like every other outcome, never from inside this call.
        QTimer::singleShot(0, this, [completion = std::move(completion), type = metadata.type] {
            completion(ScriptError::unsupportedScriptType(type));
        });
        return;
    }
    auto* run = new ScriptRun(*runner, std::move(outputHandler), std::move(completion), this);
    run->start(scriptPath, arguments);
}

void ScriptManager::publish(ScriptCatalogue catalogue) {
    if (*_scripts.load() == catalogue)
        return;
    _scripts.store(std::make_shared<const ScriptCatalogue>(std::move(catalogue)));
    Q_EMIT scriptsChanged();
}
