// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// Where the global key lives on this desktop, as Settings tells the user.
struct HotKeyPlace {
    enum class Route {
        none,           // no combination chosen
        x11Grab,        // grabbed on the X server by Vantri itself
        kdeShortcuts,   // an action in KDE's global shortcut service
        gnomeShortcuts, // a custom entry in GNOME's keyboard shortcuts
        swayConfig,     // a line for sway's configuration, added by the user
        desktopSettings // a key the user binds in the desktop's own settings
    };
    Route route = Route::none;
    // The combination as desktops name keys ("Ctrl+Alt+Space"); empty without one.
    QString keys;
    // Where the user binds the key: the configuration line or the command to
    // bind, with the absolute path of the `vantri` program. Empty otherwise.
    QString bindingLine;

    friend bool operator==(const HotKeyPlace&, const HotKeyPlace&) = default;
};
