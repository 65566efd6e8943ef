// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/x11/CompositorCheck.h"

#include "platform/x11/X11Connection.h"

bool isCompositorRunning() {
    xcb_connection_t* connection = applicationX11Connection();
    if (!connection)
        return false;
    // A compositing manager owns the selection _NET_WM_CM_S<screen number>.
    const xcb_atom_t selection = internX11Atom(
        connection, "_NET_WM_CM_S" + QByteArray::number(applicationX11ScreenNumber()));
    if (selection == XCB_ATOM_NONE)
        return false;
    const XcbReply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection),
                                      nullptr),
        &std::free);
    return owner && owner->owner != XCB_NONE;
}
