#pragma once

#include <xcb/xcb.h>

// The X server connection the application's windows live on, or null when the
// application does not run on X11 (the offscreen platform, Wayland). Only code
// in this folder sees xcb types.
xcb_connection_t* applicationX11Connection();
