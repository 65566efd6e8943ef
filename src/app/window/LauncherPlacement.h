// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QRect>
#include <QSize>

// The launcher's size before any result area is shown.
inline constexpr QSize launcherSize{600, 60};

// The launcher's frame on a screen whose available area (without panels and
// docks, origin top left) is `available`: centred horizontally, its top edge
// 0.324 of the available height below the top. Without a screen, `available`
// is empty and the frame sits at (-300, 0).
QRect launcherFrame(const QRect& available);
