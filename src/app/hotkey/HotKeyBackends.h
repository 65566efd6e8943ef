// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "app/hotkey/ShortcutParser.h"
#include "state/HotKeyPlace.h"

#include <QString>
#include <functional>
#include <memory>

// One way of putting a combination in force on this desktop. Presses reach
// the handler given to the backend on the main thread, or, where the desktop
// itself runs `vantri toggle`, come in over the instance channel.
class HotKeyBackend {
public:
    enum class Binding {
        bound,        // in force
        refused,      // another program or shortcut holds it; the previous one stays
        failed,       // the service did not answer or store it; the previous one stays
        leftToTheUser // nothing here can bind keys: the user adds the binding
    };

    virtual ~HotKeyBackend() = default;
    virtual HotKeyPlace::Route route() const = 0;
    // Puts `shortcut` in force in place of the current combination, which is
    // kept when this one cannot be.
    virtual Binding bind(const ParsedShortcut& shortcut) = 0;
    // Lets the current combination go.
    virtual void unbind() = 0;
    // Whether presses of the combination reach Vantri without the user's doing.
    virtual bool bindsKeys() const { return true; }
};

// The backend for `route`; presses go to `onPress`. `clientProgram` is the
// absolute path of the `vantri` command that a desktop runs.
std::unique_ptr<HotKeyBackend> makeHotKeyBackend(HotKeyPlace::Route route,
                                                 std::function<void()> onPress,
                                                 const QString& clientProgram);

// The command line that toggles the panel: the client's path, quoted for a
// shell-like parser where it needs it, then "toggle".
QString toggleCommand(const QString& clientProgram);
