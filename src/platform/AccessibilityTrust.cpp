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
    static const char* const settingsEntries[] = {
        "gnome-keyboard-panel.desktop",       "kcm_keys.desktop",
        "xfce4-keyboard-settings.desktop",    "mate-keybinding.desktop",
        "cinnamon-settings-keyboard.desktop", "lxqt-config-globalkeyshortcuts.desktop",
    };
    for (const char* entry : settingsEntries) {
        if (launchDesktopEntryId(entry))
            return true;
    }
    return false;
}
