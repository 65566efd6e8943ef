#include "platform/AccessibilityTrust.h"

#include "platform/X11Connection.h"

#include <QtGlobal>
#include <gio/gdesktopappinfo.h>

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
        GDesktopAppInfo* settings = g_desktop_app_info_new(entry);
        if (!settings)
            continue;
        const gboolean launched =
            g_app_info_launch(G_APP_INFO(settings), nullptr, nullptr, nullptr);
        g_object_unref(settings);
        if (launched)
            return true;
    }
    return false;
}
