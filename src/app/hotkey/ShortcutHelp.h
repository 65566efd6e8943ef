// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// The README's section on binding a key to `vantri toggle` in the desktop's
// own settings: the help Vantri gives where it cannot grab a hotkey and knows
// no settings page of the desktop to open.

// Writes the section to a file in `folder` (created when missing); the file's
// path, or empty when it cannot be written.
QString writeShortcutHelp(const QString& folder);

// Opens the desktop's keyboard shortcut settings where one is known, and the
// section written to Vantri's cache folder otherwise.
void openShortcutSettingsOrHelp();
