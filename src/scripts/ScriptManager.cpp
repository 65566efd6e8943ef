#include "scripts/ScriptManager.h"

ScriptManager::ScriptManager(QObject* parent)
    : QObject(parent) {}

ScriptManager& ScriptManager::shared() {
    // Never destroyed: it lives as long as the process, like the folder it watches.
    static ScriptManager* const instance = new ScriptManager;
    return *instance;
}

void ScriptManager::loadScripts(const QString& path) {
    _lastUsedScriptFolderPath = path;
}
