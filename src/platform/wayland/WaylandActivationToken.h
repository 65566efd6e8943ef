// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <optional>

// An activation token for a program about to be started, issued by the
// Wayland compositor (xdg_activation_v1) on Qt's own connection. The request
// names the window that has the keyboard focus (the panel the user pressed
// a key in), the seat, and the serial of the user's last input event, so
// that a compositor which prevents focus stealing lets the started program's
// first window take the focus: the program finds the token in
// XDG_ACTIVATION_TOKEN. It must be asked for while that window is still
// shown and focused: a compositor refuses tokens for a window that is gone.
//
// `applicationId` is the started program's desktop file id without
// ".desktop", empty when unknown. Nothing where Vantri does not run as a
// native Wayland client, and nothing where the compositor has no
// xdg_activation_v1 or does not answer within a fraction of a second (the
// first such failure is logged). Runs on the main thread and waits for the
// compositor's answer.
std::optional<QString> requestWaylandActivationToken(const QString& applicationId);
