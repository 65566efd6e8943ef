// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/x11/X11ActiveWindowWatch.h"

#include "platform/x11/X11Connection.h"

#include <QCoreApplication>

#include <algorithm>

struct X11ActiveWindowWatch::Watch {
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = XCB_NONE;
    xcb_atom_t activeWindow = XCB_ATOM_NONE;

    quint64 readActiveWindow() const {
        const std::vector<uint32_t> window =
            readX11Property32(connection, root, activeWindow, XCB_ATOM_WINDOW, 1);
        return window.empty() ? 0 : window.front();
    }
};

namespace {

bool windowManagerPublishes(xcb_connection_t* connection, xcb_window_t root, xcb_atom_t atom) {
    const xcb_atom_t supported = internX11Atom(connection, "_NET_SUPPORTED");
    const XcbReply<xcb_get_property_reply_t> list(
        xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, root, supported, XCB_ATOM_ATOM, 0, 4096),
            nullptr),
        &std::free);
    if (!list || list->type != XCB_ATOM_ATOM)
        return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(list.get()));
    const int count = xcb_get_property_value_length(list.get()) / int(sizeof(xcb_atom_t));
    return std::find(atoms, atoms + count, atom) != atoms + count;
}

// Adds property changes to what this client hears of the root window, keeping
// whatever Qt asked for there.
void listenToRootProperties(xcb_connection_t* connection, xcb_window_t root) {
    const XcbReply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, root),
                                        nullptr),
        &std::free);
    const uint32_t current = attributes ? attributes->your_event_mask : 0;
    if (current & XCB_EVENT_MASK_PROPERTY_CHANGE)
        return;
    const uint32_t mask = current | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
}

} // namespace

X11ActiveWindowWatch::X11ActiveWindowWatch(std::function<void(quint64 window)> onChange)
    : _onChange(std::move(onChange)) {
    xcb_connection_t* connection = applicationX11Connection();
    if (!connection)
        return;
    const xcb_screen_t* screen = applicationX11Screen(connection);
    const xcb_atom_t activeWindow = internX11Atom(connection, "_NET_ACTIVE_WINDOW");
    if (!screen || activeWindow == XCB_ATOM_NONE ||
        !windowManagerPublishes(connection, screen->root, activeWindow))
        return;
    listenToRootProperties(connection, screen->root);
    _watch = std::make_unique<Watch>(Watch{connection, screen->root, activeWindow});
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11ActiveWindowWatch::~X11ActiveWindowWatch() {
    if (_watch && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

quint64 X11ActiveWindowWatch::inputFocus() const {
    if (!_watch)
        return 0;
    const XcbReply<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(_watch->connection, xcb_get_input_focus(_watch->connection),
                                  nullptr),
        &std::free);
    if (!focus || focus->focus == XCB_INPUT_FOCUS_POINTER_ROOT || focus->focus == _watch->root)
        return 0;
    return focus->focus;
}

bool X11ActiveWindowWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (!_watch || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
        return false;
    const auto* change = reinterpret_cast<const xcb_property_notify_event_t*>(event);
    if (change->window == _watch->root && change->atom == _watch->activeWindow && _onChange)
        _onChange(_watch->readActiveWindow());
    // Qt follows other root properties (the work area) from the same events.
    return false;
}
