// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/x11/X11Connection.h"

#include <QGuiApplication>

#include <algorithm>

xcb_connection_t* applicationX11Connection() {
    // The native interface exists on other platforms too, with a null connection.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

int applicationX11ScreenNumber() {
    char* host = nullptr;
    int display = 0;
    int screen = 0;
    if (!xcb_parse_display(nullptr, &host, &display, &screen))
        return 0;
    std::free(host);
    return screen;
}

xcb_screen_t* applicationX11Screen(xcb_connection_t* connection) {
    int number = applicationX11ScreenNumber();
    for (auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection)); screens.rem;
         xcb_screen_next(&screens), --number)
        if (number == 0)
            return screens.data;
    return nullptr;
}

xcb_atom_t internX11Atom(xcb_connection_t* connection, const QByteArray& name) {
    const XcbReply<xcb_intern_atom_reply_t> atom(
        xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()),
            nullptr),
        &std::free);
    return atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
}

std::vector<uint32_t> readX11Property32(xcb_connection_t* connection, xcb_window_t window,
                                        xcb_atom_t property, xcb_atom_t type, uint32_t count) {
    // A window that is gone answers with an error, which is taken here rather
    // than left to be reported as an unhandled one.
    xcb_generic_error_t* error = nullptr;
    const XcbReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, window, property, type, 0, count), &error),
        &std::free);
    std::free(error);
    if (!reply || reply->type != type || reply->format != 32)
        return {};
    const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    const int length = xcb_get_property_value_length(reply.get()) / int(sizeof(uint32_t));
    return std::vector<uint32_t>(values, values + std::min<int>(length, int(count)));
}
