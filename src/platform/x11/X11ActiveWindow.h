// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QPoint>
#include <QRect>
#include <QtGlobal>
#include <optional>

// The window the window manager made active (the root window's
// _NET_ACTIVE_WINDOW) and where it is: its frame, decorations included when the
// window manager tells their size (_NET_FRAME_EXTENTS), in device pixels of
// the root window, whatever scale Qt gives each screen.
struct X11ActiveWindow {
    quint64 window = 0;
    QRect frame;
};

// Nothing when the application does not run on X11, no window is active, or
// the active window is already gone.
std::optional<X11ActiveWindow> readX11ActiveWindow();

// Where the pointer is, in device pixels of the root window; nothing when the
// application does not run on X11 or the pointer is on another X screen.
std::optional<QPoint> readX11PointerPosition();
