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

bool openAccessibilitySettings() {
    // The accessibility panels of the common desktops, by their entry names.
    static const char* const settingsEntries[] = {
        "gnome-accessibility-panel.desktop",
        "gnome-universal-access-panel.desktop",
        "kcm_access.desktop",
        "xfce4-accessibility-settings.desktop",
        "mate-at-properties.desktop",
        "cinnamon-settings-universal-access.desktop",
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
