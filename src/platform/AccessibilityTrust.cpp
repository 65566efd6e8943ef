// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/AccessibilityTrust.h"

#include "platform/x11/X11Connection.h"
#include "platform/xdg/DesktopEntryLaunch.h"

#include <QtGlobal>

bool isProcessTrusted() {
    const bool waylandSession =
        qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
        qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    return applicationX11Connection() != nullptr && !waylandSession;
}

bool openShortcutSettings() {
    // The keyboard shortcut panels of the common desktops, by their entry names.
    static const QLatin1String settingsEntries[] = {
        QLatin1String("gnome-keyboard-panel.desktop"),
        QLatin1String("kcm_keys.desktop"),
        QLatin1String("xfce4-keyboard-settings.desktop"),
        QLatin1String("mate-keybinding.desktop"),
        QLatin1String("cinnamon-settings-keyboard.desktop"),
        QLatin1String("lxqt-config-globalkeyshortcuts.desktop"),
    };
    for (const QLatin1String entry : settingsEntries) {
        if (launchDesktopEntryId(entry).started)
            return true;
    }
    return false;
}
