// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/xdg/InstalledPrograms.h"

#include <QByteArrayList>
#include <QString>
#include <optional>

// Reads freedesktop application entries (*.desktop files) for the index.
class DesktopEntryReader {
public:
    // Judges "OnlyShowIn" and "NotShowIn" against the desktops named in
    // XDG_CURRENT_DESKTOP now, and looks programs up in PATH as it is now.
    DesktopEntryReader();
    explicit DesktopEntryReader(QByteArrayList currentDesktops);

    // The entry's Name in the user's language, or nothing when the entry is
    // not an application to list: unreadable, [Desktop Entry] not its first
    // group, a Type other than Application, no Name, a TryExec program that
    // cannot be found, an Exec that does not split as a command line or whose
    // program cannot be found (no Exec at all unless DBusActivatable), NoDisplay
    // or Hidden set, or not meant for the current desktop.
    std::optional<QString> applicationName(const QString& entryPath) const;

private:
    QByteArrayList _currentDesktops;
    InstalledPrograms _programs;
};
