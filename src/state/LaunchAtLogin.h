// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// Whether Vantri starts when the user logs in. The session keeps the
// registration (the autostart entry); Vantri stores no preference for it.

// True exactly when the autostart entry is in force.
bool launchAtLoginEnabled();

// Registers (true) or unregisters (false) the start at login. Failures are
// dropped: the settings panel shows the real state the next time it appears.
// Registering while an entry is already in force keeps that entry as it is, so
// that confirming the state never overwrites an entry the user has edited.
// Registering writes the command of Vantri's installed desktop entry when
// there is one, so that login starts Vantri as the menu does; otherwise it
// writes the path of the program the user runs.
void setLaunchAtLogin(bool enabled);

// The program the user runs, `vantri`, as seen from the running program
// `runningProgram`: beside it in a build folder or in bin/, or two folders up
// in bin/ when the running program is the helper installed in
// libexec/vantri/. The running program itself when neither is there.
QString userProgramPath(const QString& runningProgram);
