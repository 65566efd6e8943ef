#include "app/AppDelegate.h"

#include "scripts/ScriptManager.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"

namespace {
AppDelegate* sharedDelegate = nullptr;
}

AppDelegate::AppDelegate(QObject* parent)
    : QObject(parent) {
    sharedDelegate = this;
}

AppDelegate::~AppDelegate() {
    if (sharedDelegate == this)
        sharedDelegate = nullptr;
}

AppDelegate* AppDelegate::shared() {
    return sharedDelegate;
}

void AppDelegate::applicationDidFinishLaunching() {
    registerHotKey();
    checkAccessibilityPermission();
    loadSavedScriptFolder();
}

void AppDelegate::registerHotKey() {}

void AppDelegate::checkAccessibilityPermission() {}

void AppDelegate::loadSavedScriptFolder() {
    const QString path = openPreferences()->value(PreferenceKeys::scriptFolderPath).toString();
    if (!path.isEmpty())
        ScriptManager::shared().loadScripts(path);
}

void AppDelegate::toggleLauncher() {}

void AppDelegate::showLauncher() {}

void AppDelegate::hideLauncher() {}
