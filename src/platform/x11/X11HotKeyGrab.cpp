// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/x11/X11HotKeyGrab.h"

#include "platform/x11/X11Connection.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>
#include <xcb/xcb_keysyms.h>

namespace {

constexpr xcb_keysym_t numLockKeysym = 0xff7f;
// Where Num Lock sits on nearly every keyboard map, for maps that lack it.
constexpr quint16 fallbackNumLockMask = XCB_MOD_MASK_2;

struct KeySymbolsDeleter {
    void operator()(xcb_key_symbols_t* symbols) const { xcb_key_symbols_free(symbols); }
};
using KeySymbols = std::unique_ptr<xcb_key_symbols_t, KeySymbolsDeleter>;

template <typename Container, typename Value> bool contains(const Container& c, Value value) {
    return std::find(c.begin(), c.end(), value) != c.end();
}

std::vector<xcb_keycode_t> keycodesFor(xcb_key_symbols_t* symbols, xcb_keysym_t keysym) {
    std::vector<xcb_keycode_t> keycodes;
    xcb_keycode_t* found = xcb_key_symbols_get_keycode(symbols, keysym);
    if (!found)
        return keycodes;
    for (const xcb_keycode_t* code = found; *code != XCB_NO_SYMBOL; ++code)
        if (!contains(keycodes, *code))
            keycodes.push_back(*code);
    std::free(found);
    return keycodes;
}

quint16 numLockMask(xcb_connection_t* connection, xcb_key_symbols_t* symbols) {
    const std::vector<xcb_keycode_t> numLockKeycodes = keycodesFor(symbols, numLockKeysym);
    XcbReply<xcb_get_modifier_mapping_reply_t> mapping(
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr),
        &std::free);
    if (!mapping)
        return fallbackNumLockMask;
    const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier)
        for (int slot = 0; slot < perModifier; ++slot)
            if (contains(numLockKeycodes, keycodes[modifier * perModifier + slot]))
                return quint16(1u << modifier);
    return fallbackNumLockMask;
}

} // namespace

quint32 keysymForVirtualKeyCode(quint32 virtualKeyCode) {
    for (const HotKeyKey& key : hotKeyKeys) {
        if (key.virtualKeyCode == virtualKeyCode)
            return quint32(key.keysym);
    }
    return 0;
}

struct X11HotKeyGrab::Grab {
    xcb_connection_t* connection = nullptr;
    std::vector<xcb_window_t> roots;
    std::vector<xcb_keycode_t> keycodes;
    quint16 modifiers = 0;
    std::array<quint16, 4> lockVariants{};

    template <typename Action> void forEachVariant(Action action) const {
        for (const xcb_window_t root : roots)
            for (const xcb_keycode_t keycode : keycodes)
                for (const quint16 locks : lockVariants)
                    action(root, keycode, quint16(modifiers | locks));
    }
};

X11HotKeyGrab::X11HotKeyGrab(quint32 virtualKeyCode, quint16 modifiers,
                             std::function<void()> onPress)
    : _onPress(std::move(onPress)) {
    xcb_connection_t* connection = applicationX11Connection();
    const xcb_keysym_t keysym = keysymForVirtualKeyCode(virtualKeyCode);
    if (!connection || keysym == 0)
        return;
    const KeySymbols symbols(xcb_key_symbols_alloc(connection));
    if (!symbols)
        return;

    auto grab = std::make_unique<Grab>();
    grab->connection = connection;
    grab->modifiers = modifiers;
    grab->keycodes = keycodesFor(symbols.get(), keysym);
    const quint16 numLock = numLockMask(connection, symbols.get());
    grab->lockVariants = {0, XCB_MOD_MASK_LOCK, numLock, quint16(XCB_MOD_MASK_LOCK | numLock)};
    for (auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection)); screens.rem;
         xcb_screen_next(&screens))
        grab->roots.push_back(screens.data->root);
    if (grab->keycodes.empty() || grab->roots.empty())
        return;

    // Send every request first, then collect the answers: one round trip.
    struct Request {
        xcb_void_cookie_t cookie;
        xcb_window_t root;
        xcb_keycode_t keycode;
        quint16 modifiers;
    };
    std::vector<Request> requests;
    // Reported to the root window even while one of our own windows has the
    // focus, so a press always toggles instead of typing into the panel.
    const quint8 ownerEvents = 0;
    grab->forEachVariant([&](xcb_window_t root, xcb_keycode_t keycode, quint16 mask) {
        requests.push_back({xcb_grab_key_checked(connection, ownerEvents, root, mask, keycode,
                                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                            root, keycode, mask});
    });
    bool refused = false;
    std::vector<const Request*> granted;
    for (const Request& request : requests) {
        // BadAccess when another client holds the combination; any other error
        // leaves it just as unusable.
        if (xcb_generic_error_t* error = xcb_request_check(connection, request.cookie)) {
            refused = true;
            std::free(error);
        } else {
            granted.push_back(&request);
        }
    }
    if (refused) {
        _isRefused = true;
        for (const Request* request : granted)
            xcb_ungrab_key(connection, request->keycode, request->root, request->modifiers);
        xcb_flush(connection);
        return;
    }
    _grab = std::move(grab);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11HotKeyGrab::~X11HotKeyGrab() {
    release();
}

void X11HotKeyGrab::release() {
    if (!_grab)
        return;
    // Once the application is gone so is its connection, and with it the grab.
    if (QCoreApplication* application = QCoreApplication::instance()) {
        application->removeNativeEventFilter(this);
        _grab->forEachVariant([&](xcb_window_t root, xcb_keycode_t keycode, quint16 mask) {
            xcb_ungrab_key(_grab->connection, keycode, root, mask);
        });
        xcb_flush(_grab->connection);
    }
    _grab.reset();
}

bool X11HotKeyGrab::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (!_grab || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event);
    const quint16 keyboardState = press->state & 0xff;
    if (!contains(_grab->roots, press->event) || !contains(_grab->keycodes, press->detail) ||
        !contains(_grab->lockVariants, quint16(keyboardState & ~_grab->modifiers)) ||
        (keyboardState & _grab->modifiers) != _grab->modifiers)
        return false;
    if (_onPress)
        _onPress();
    // Not swallowed: Qt has no window for the root and drops the press after
    // noting its time as the user's latest action, which the window manager
    // asks for before it lets a window that the press shows take the focus.
    return false;
}
