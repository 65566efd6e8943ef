// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/hotkey/HotKey.h"

#include "app/hotkey/ShortcutParser.h"
#include "platform/x11/X11HotKeyGrab.h"

quint16 x11ModifiersForMask(quint32 modifierMask) {
    quint16 modifiers = 0;
    if (modifierMask & ShortcutModifier::command)
        modifiers |= X11Modifier::mod4;
    if (modifierMask & ShortcutModifier::option)
        modifiers |= X11Modifier::mod1;
    if (modifierMask & ShortcutModifier::control)
        modifiers |= X11Modifier::control;
    if (modifierMask & ShortcutModifier::shift)
        modifiers |= X11Modifier::shift;
    return modifiers;
}

HotKey::HotKey(quint32 keyCode, quint32 modifierMask)
    : _grab(std::make_unique<X11HotKeyGrab>(keyCode, x11ModifiersForMask(modifierMask), [this] {
        if (_keyDownHandler)
            _keyDownHandler();
    })) {
    if (!_grab->isActive()) {
        _isRefused = _grab->isRefused();
        _grab.reset();
    }
}

HotKey::~HotKey() = default;

bool HotKey::isRegistered() const {
    return _grab != nullptr;
}
