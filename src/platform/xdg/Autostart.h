// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <optional>

// The freedesktop autostart entry that has the session start Vantri at login.
namespace Autostart {

// What an entry starts: its Exec value as the desktop entry rules write it
// (quoted, with %% for a percent sign), and its Icon (empty for none).
struct Command {
    QString exec;
    QString icon;

    friend bool operator==(const Command&, const Command&) = default;
};

// $XDG_CONFIG_HOME/autostart/vantri.desktop
QString entryPath();

// True exactly when the entry exists, reads as a desktop entry, is not Hidden
// and is not switched off with X-GNOME-Autostart-enabled=false.
bool isEnabled(const QString& entryPath);

// The command that starts `programPath` with no arguments.
Command commandFor(const QString& programPath);

// The command of the installed desktop entry `desktopId` (found in the
// `applications` folders of the XDG data folders, as the menus find it), or
// nothing when it is not installed or names no Exec.
std::optional<Command> installedCommand(const QString& desktopId);

// Writes an entry that runs `command`, replacing any entry at that path.
// Returns false when the entry cannot be written.
bool enable(const QString& entryPath, const Command& command);

// Removes the entry. Returns false when it exists and cannot be removed.
bool disable(const QString& entryPath);

} // namespace Autostart
