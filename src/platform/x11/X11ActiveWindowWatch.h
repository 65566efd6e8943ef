// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QAbstractNativeEventFilter>
#include <QtGlobal>
#include <functional>
#include <memory>

// Follows the window the window manager makes active (the root window's
// _NET_ACTIVE_WINDOW), which is how a click in another program shows on X11.
// Inactive when the application does not run on X11 or the window manager
// does not publish an active window.
class X11ActiveWindowWatch final : public QAbstractNativeEventFilter {
public:
    // `onChange` runs on the main thread with the new active window (0 for none).
    explicit X11ActiveWindowWatch(std::function<void(quint64 window)> onChange);
    ~X11ActiveWindowWatch() override;
    X11ActiveWindowWatch(const X11ActiveWindowWatch&) = delete;
    X11ActiveWindowWatch& operator=(const X11ActiveWindowWatch&) = delete;

    bool isWatching() const { return _watch != nullptr; }
    // The window that holds the keyboard focus now, asked of the X server;
    // 0 for none (or the root following the pointer), or when not watching.
    quint64 inputFocus() const;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Watch;
    std::unique_ptr<Watch> _watch;
    std::function<void(quint64)> _onChange;
};
