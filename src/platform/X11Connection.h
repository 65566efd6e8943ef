#pragma once

#include <xcb/xcb.h>

#include <QByteArray>
#include <cstdlib>
#include <memory>

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

// Replies of xcb requests are malloc'ed.
template <typename T> using XcbReply = std::unique_ptr<T, decltype(&std::free)>;
