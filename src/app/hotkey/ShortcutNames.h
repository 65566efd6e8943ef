// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "app/hotkey/ShortcutParser.h"

#include <QString>

// A parsed combination as each desktop writes keys. ⌘ is the Super key
// everywhere, ⌥ the Alt key.
namespace ShortcutNames {

// As desktops show it to people: "Ctrl+Alt+Space", "Shift+Super+K".
QString forPeople(const ParsedShortcut& shortcut);
// GTK's accelerator notation, as GNOME stores it: "<Control><Alt>space".
QString gtkAccelerator(const ParsedShortcut& shortcut);
// sway's key combination for bindsym: "Ctrl+Mod1+space".
QString swayKeys(const ParsedShortcut& shortcut);
// Qt's key combination (the modifiers or'ed with the key), as KDE's shortcut
// service takes it.
int qtKeyCombination(const ParsedShortcut& shortcut);

} // namespace ShortcutNames
