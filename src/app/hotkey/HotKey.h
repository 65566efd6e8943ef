// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtGlobal>
#include <functional>
#include <memory>

class X11HotKeyGrab;

// The X11 modifiers a parsed modifier mask stands for: ⇧ Shift, ⌃ Control,
// ⌥ Alt (Mod1), ⌘ Super (Mod4). Other bits are dropped.
quint16 x11ModifiersForMask(quint32 modifierMask);

// The one system-wide key combination that summons the launcher. It is
// registered from construction until destruction; when the system refuses it
// (another program holds the combination, or there is no X11 session) it stays
// unregistered and presses do nothing.
class HotKey {
public:
    HotKey(quint32 keyCode, quint32 modifierMask);
    ~HotKey();
    HotKey(const HotKey&) = delete;
    HotKey& operator=(const HotKey&) = delete;

    // Runs on every press, on the main thread.
    void setKeyDownHandler(std::function<void()> handler) { _keyDownHandler = std::move(handler); }

    bool isRegistered() const;
    // True when the system turned the combination down because another
    // program holds it (not when there is no X11 session to register with).
    bool isRefused() const { return _isRefused; }

private:
    std::function<void()> _keyDownHandler;
    std::unique_ptr<X11HotKeyGrab> _grab;
    bool _isRefused = false;
};
