#include "state/LaunchAtLogin.h"

#include "platform/Autostart.h"

#include <QCoreApplication>

bool launchAtLoginEnabled() {
    return Autostart::isEnabled(Autostart::entryPath());
}

void setLaunchAtLogin(bool enabled) {
    const QString entryPath = Autostart::entryPath();
    if (!enabled)
        Autostart::disable(entryPath);
    else if (!Autostart::isEnabled(entryPath))
        Autostart::enable(entryPath, QCoreApplication::applicationFilePath());
}
