// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// Whether an application was started, and why not.
struct ApplicationLaunch {
    bool started = false;
    // For the message line when it was not started: what went wrong, in the
    // user's words ("No terminal found to open Htop in").
    QString failure;
};

// Starts the program a freedesktop entry describes the way the desktop starts
// it, without asking any other part of the desktop to find or read the entry
// (nothing walks the application folders, which may hold links that loop):
// the entry's command with its field codes expanded, in a terminal where it
// asks for one, with the focus its window is to get (a startup notice on X11,
// an activation token on Wayland), in the session's environment without
// Vantri's own, in a process session of its own and, where a systemd user
// manager runs, in a scope of its own. An entry without a command that can be
// activated over D-Bus is activated so. Returns at once: nothing waits for
// the program or for D-Bus.

// The entry in the file at `path`.
ApplicationLaunch launchDesktopEntryFile(const QString& path);

// The installed entry whose desktop file id is `id` ("org.example.App.desktop"),
// looked up in the application folders of XDG_DATA_HOME and XDG_DATA_DIRS.
ApplicationLaunch launchDesktopEntryId(const QString& id);

// The desktop file id of the entry at `path`: its path below the nearest
// "applications" folder with "/" turned into "-", else its file name.
QString desktopFileId(const QString& path);
