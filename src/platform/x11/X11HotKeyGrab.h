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

// The keys a hotkey may use: each one's ANSI virtual key code (A is 0, B is
// 11, the space bar 49, and so on) and the X keysym naming the same key. The
// stored shortcut names each by its letter in upper case, or "␣" for the space
// bar, so this one list serves both the parser and the grab.
struct HotKeyKey {
    quint32 virtualKeyCode;
    char keysym;
};
inline constexpr HotKeyKey hotKeyKeys[] = {
    {0, 'a'},  {11, 'b'}, {8, 'c'},  {2, 'd'},  {14, 'e'}, {3, 'f'},  {5, 'g'},
    {4, 'h'},  {34, 'i'}, {38, 'j'}, {40, 'k'}, {37, 'l'}, {46, 'm'}, {45, 'n'},
    {31, 'o'}, {35, 'p'}, {12, 'q'}, {15, 'r'}, {1, 's'},  {17, 't'}, {32, 'u'},
    {9, 'v'},  {13, 'w'}, {7, 'x'},  {16, 'y'}, {6, 'z'},  {49, ' '},
};

// The X keysym for an ANSI virtual key code; 0 for codes of no key in hotKeyKeys.
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
