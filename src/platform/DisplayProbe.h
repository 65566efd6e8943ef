// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// Whether a display server answers, asked before any GUI is created: Qt ends
// the process when its platform cannot connect, so a start that is bound to
// fail is found out beforehand and reported instead.

// Whether an X server accepts a connection at `display` (a DISPLAY value).
bool canConnectToX11(const QString& display);

// Whether a Wayland compositor listens at `display` (a WAYLAND_DISPLAY value:
// a socket name in `runtimeDir`, or an absolute path).
bool canConnectToWayland(const QString& display, const QString& runtimeDir);
