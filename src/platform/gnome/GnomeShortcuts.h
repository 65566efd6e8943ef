// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <optional>

// GNOME's keyboard shortcuts, read and written through GSettings (GIO, loaded
// when first needed). GNOME runs a custom shortcut's command itself, so a
// program that cannot grab keys (any Wayland client) gets a global key by
// keeping one custom entry of its own, at a path of its own below
// org.gnome.settings-daemon.plugins.media-keys. Other entries are never
// changed or removed.
namespace GnomeShortcuts {

// Whether GIO loads and the schemas of custom shortcuts are installed.
bool isAvailable();

// The shortcut, other than the custom entry at `ownPath`, whose keys are
// `accelerator` (GTK's notation, "<Control><Alt>space"): a custom entry's
// name, or the name of a window manager or media key setting. Nothing when
// no shortcut uses it, or when the settings cannot be read.
std::optional<QString> shortcutUsing(const QString& accelerator, const QString& ownPath);

// Writes the custom entry at `ownPath` (a path ending in "/") with its name,
// command line and keys, and adds the path to the list of custom entries
// unless it is there already; then waits until the settings are stored.
// False when the settings cannot be written.
bool writeCustomShortcut(const QString& ownPath, const QString& name, const QString& command,
                         const QString& accelerator);

// GTK's accelerator notation in one canonical form, for comparison: modifier
// aliases unified (<Primary> and <Ctrl> are <Control>, <Mod1> is <Alt>,
// <Mod4> is <Super>), modifiers in a fixed order, the key lower-cased.
// Empty for no keys ("", "disabled").
QString canonicalAccelerator(const QString& accelerator);

} // namespace GnomeShortcuts
