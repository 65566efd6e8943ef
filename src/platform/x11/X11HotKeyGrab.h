// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QAbstractNativeEventFilter>
#include <QtGlobal>
#include <functional>
#include <memory>

// X11 modifier bits a hotkey can require.
namespace X11Modifier {
inline constexpr quint16 shift = 0x0001;
inline constexpr quint16 control = 0x0004;
inline constexpr quint16 mod1 = 0x0008; // Alt
inline constexpr quint16 mod4 = 0x0040; // Super
} // namespace X11Modifier

// The X keysym for an ANSI virtual key code (A is 0, the space bar 49); 0 for
// codes that stand for no letter or space.
quint32 keysymForVirtualKeyCode(quint32 virtualKeyCode);

// One key combination grabbed on the root window for the whole X session.
// Each press runs `onPress` on the main thread. The grab takes the key with
// and without Caps Lock and Num Lock, so those locks do not disable it. When
// another client already holds the combination, or the application does not
// run on X11, nothing is grabbed and the object stays inactive.
class X11HotKeyGrab final : public QAbstractNativeEventFilter {
public:
    X11HotKeyGrab(quint32 virtualKeyCode, quint16 modifiers, std::function<void()> onPress);
    ~X11HotKeyGrab() override;
    X11HotKeyGrab(const X11HotKeyGrab&) = delete;
    X11HotKeyGrab& operator=(const X11HotKeyGrab&) = delete;

    bool isActive() const { return _grab != nullptr; }
    // True when the X server turned the grab down, as it does while another
    // client holds the combination; false when there was no X server to ask.
    bool isRefused() const { return _isRefused; }
    // Gives the combination back to the X server; the object stays inactive.
    void release();

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Grab;
    std::unique_ptr<Grab> _grab;
    std::function<void()> _onPress;
    bool _isRefused = false;
};
