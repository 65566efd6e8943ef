// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

class QScreen;

// The screen the user works on now, by chooseMainScreen: the active window,
// unless it is one of this application's own, else the pointer, else the
// primary screen, as the window system reports them at the time of the call.
// Null when there is no screen.
QScreen* mainScreen();
