// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <xcb/xcb.h>

#include <QByteArray>
#include <cstdlib>
#include <memory>
#include <vector>

// The X server connection the application's windows live on, or null when the
// application does not run on X11 (the offscreen platform, Wayland). Only code
// in this folder sees xcb types.
xcb_connection_t* applicationX11Connection();

// The screen the application was started on (the screen number of DISPLAY),
// or null when the connection has no such screen.
xcb_screen_t* applicationX11Screen(xcb_connection_t* connection);
int applicationX11ScreenNumber();

// An atom by name; XCB_ATOM_NONE when the server does not answer.
xcb_atom_t internX11Atom(xcb_connection_t* connection, const QByteArray& name);

// The first `count` 32-bit values of a window property of type `type`; fewer
// (none at all when the property is missing, of another type or the window is
// gone) when the property holds fewer.
std::vector<uint32_t> readX11Property32(xcb_connection_t* connection, xcb_window_t window,
                                        xcb_atom_t property, xcb_atom_t type, uint32_t count);

// Replies of xcb requests are malloc'ed.
template <typename T> using XcbReply = std::unique_ptr<T, decltype(&std::free)>;
