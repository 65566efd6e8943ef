// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/x11/X11ActiveWindow.h"

#include "platform/x11/X11Connection.h"

#include <algorithm>

namespace {

// X coordinates are 16-bit: no decoration is wider.
constexpr uint32_t maxExtent = 0x7fff;

// The window's own area, without decorations, in root coordinates.
std::optional<QRect> clientArea(xcb_connection_t* connection, xcb_window_t root,
                                xcb_window_t window) {
    // Both requests go out before either answer is awaited.
    const xcb_get_geometry_cookie_t geometryRequest = xcb_get_geometry(connection, window);
    const xcb_translate_coordinates_cookie_t originRequest =
        xcb_translate_coordinates(connection, window, root, 0, 0);
    // A window closed meanwhile answers with errors, taken here rather than
    // left to be reported as unhandled ones.
    xcb_generic_error_t* geometryError = nullptr;
    xcb_generic_error_t* originError = nullptr;
    const XcbReply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(connection, geometryRequest, &geometryError), &std::free);
    const XcbReply<xcb_translate_coordinates_reply_t> origin(
        xcb_translate_coordinates_reply(connection, originRequest, &originError), &std::free);
    std::free(geometryError);
    std::free(originError);
    if (!geometry || !origin || !origin->same_screen)
        return std::nullopt;
    return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
}

} // namespace

std::optional<X11ActiveWindow> readX11ActiveWindow() {
    xcb_connection_t* connection = applicationX11Connection();
    const xcb_screen_t* screen = connection ? applicationX11Screen(connection) : nullptr;
    if (!screen)
        return std::nullopt;
    const std::vector<uint32_t> active =
        readX11Property32(connection, screen->root, internX11Atom(connection, "_NET_ACTIVE_WINDOW"),
                          XCB_ATOM_WINDOW, 1);
    if (active.empty() || active.front() == XCB_NONE || active.front() == screen->root)
        return std::nullopt;
    const xcb_window_t window = active.front();
    const std::optional<QRect> client = clientArea(connection, screen->root, window);
    if (!client)
        return std::nullopt;
    // Left, right, top, bottom; a window manager that draws no decorations, or
    // does not say, or says nonsense, leaves the client area as the frame.
    const std::vector<uint32_t> extents = readX11Property32(
        connection, window, internX11Atom(connection, "_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL, 4);
    if (extents.size() < 4 || std::any_of(extents.begin(), extents.end(),
                                          [](uint32_t extent) { return extent > maxExtent; }))
        return X11ActiveWindow{window, *client};
    return X11ActiveWindow{window, client->adjusted(-int(extents[0]), -int(extents[2]),
                                                    int(extents[1]), int(extents[3]))};
}

std::optional<QPoint> readX11PointerPosition() {
    xcb_connection_t* connection = applicationX11Connection();
    const xcb_screen_t* screen = connection ? applicationX11Screen(connection) : nullptr;
    if (!screen)
        return std::nullopt;
    const XcbReply<xcb_query_pointer_reply_t> pointer(
        xcb_query_pointer_reply(connection, xcb_query_pointer(connection, screen->root), nullptr),
        &std::free);
    if (!pointer || !pointer->same_screen)
        return std::nullopt;
    return QPoint(pointer->root_x, pointer->root_y);
}
