// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

class QWidget;

// The dark, rounded look that the settings window and its sheets share with
// the launcher panel.
namespace SettingsTheme {

// Gives `window` and everything in it the settings look.
void apply(QWidget* window);

} // namespace SettingsTheme
