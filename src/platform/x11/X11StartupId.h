// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QtGlobal>

// Hands the window manager the startup id of the start that asked for
// `window` (a top-level window of this application, already mapped): the
// window is marked as that start's window (_NET_STARTUP_ID), asked to be
// activated with the time of the user's action that the id carries
// ("…_TIME<time>"), and the desktop's launch feedback for the id is ended.
// A window manager that prevents focus stealing then lets the window take
// the focus, which a request from a process the user did not touch could
// not. Does nothing off X11 or for an empty id.
void applyX11StartupId(quint32 window, const QByteArray& startupId);
