// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Whether Vantri may listen for its global hotkey. In an X11 session the key
// grab needs no permission; elsewhere (a Wayland session, no display) an X11
// grab is not global, so the process does not count as trusted.
bool isProcessTrusted();

// Opens the desktop's keyboard shortcut settings, where a key can be bound to
// `vantri toggle` when a global grab is not possible; false when none of the
// known settings applications is installed.
bool openShortcutSettings();
