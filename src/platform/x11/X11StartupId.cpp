// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/x11/X11StartupId.h"

#include "platform/x11/X11Connection.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

// Client messages carry 20 bytes of a startup notification each.
constexpr int messageChunk = 20;

// The time of the user's action, from the "_TIME<decimal>" ending of an id.
std::optional<uint32_t> actionTime(const QByteArray& startupId) {
    const qsizetype at = startupId.lastIndexOf("_TIME");
    if (at < 0)
        return std::nullopt;
    bool ok = false;
    const uint32_t time = startupId.mid(at + 5).toUInt(&ok);
    return ok ? std::optional<uint32_t>(time) : std::nullopt;
}

// Startup notification values are quoted, with quotes and backslashes escaped.
QByteArray quoted(const QByteArray& value) {
    QByteArray escaped = value;
    escaped.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + escaped + '"';
}

void sendStartupMessage(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window,
                        const QByteArray& message) {
    const xcb_atom_t begin = internX11Atom(connection, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = internX11Atom(connection, "_NET_STARTUP_INFO");
    const QByteArray text = message + '\0';
    for (qsizetype offset = 0; offset < text.size(); offset += messageChunk) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 8;
        event.window = window;
        event.type = offset == 0 ? begin : more;
        std::memcpy(event.data.data8, text.constData() + offset,
                    std::min<qsizetype>(messageChunk, text.size() - offset));
        xcb_send_event(connection, 0, root, XCB_EVENT_MASK_PROPERTY_CHANGE,
                       reinterpret_cast<const char*>(&event));
    }
}

} // namespace

void applyX11StartupId(quint32 window, const QByteArray& startupId) {
    xcb_connection_t* connection = applicationX11Connection();
    const xcb_screen_t* screen = connection ? applicationX11Screen(connection) : nullptr;
    if (!screen || startupId.isEmpty() || window == 0)
        return;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window,
                        internX11Atom(connection, "_NET_STARTUP_ID"),
                        internX11Atom(connection, "UTF8_STRING"), 8, uint32_t(startupId.size()),
                        startupId.constData());
    if (const std::optional<uint32_t> time = actionTime(startupId)) {
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window,
                            internX11Atom(connection, "_NET_WM_USER_TIME"), XCB_ATOM_CARDINAL, 32,
                            1, &*time);
        // Source 1: a request of the application itself, dated by the user's action.
        xcb_client_message_event_t activate{};
        activate.response_type = XCB_CLIENT_MESSAGE;
        activate.format = 32;
        activate.window = window;
        activate.type = internX11Atom(connection, "_NET_ACTIVE_WINDOW");
        activate.data.data32[0] = 1;
        activate.data.data32[1] = *time;
        xcb_send_event(connection, 0, screen->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&activate));
    }
    sendStartupMessage(connection, screen->root, window, "remove: ID=" + quoted(startupId));
    xcb_flush(connection);
}
