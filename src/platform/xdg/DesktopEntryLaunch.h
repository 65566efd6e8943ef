// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// Starts the program a freedesktop entry describes the way the desktop starts
// it (GIO: field codes, terminal, startup notification, D-Bus activation).
// GIO and the libraries it pulls in are loaded on the first launch rather
// than with the program, whose start they would slow by a millisecond. Each
// returns whether the launch was started: false when the entry cannot be
// found or read, the program cannot be started, or GIO cannot be loaded.

// The entry in the file at `path`.
bool launchDesktopEntryFile(const QString& path);

// The installed entry whose desktop file id is `id` ("org.example.App.desktop").
bool launchDesktopEntryId(const char* id);
