// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <optional>

// Which of the screens the user works on: the one holding the centre of the
// active window's frame, else the one under the pointer, else the primary one
// (`primary`, or the first when `primary` names none). Nothing when there is
// no screen.
//
// Everything is in device pixels of the whole desktop, the window system's own
// coordinates: with screens of different scales, Qt's logical geometries keep
// each screen's top left but shrink its size, so they can leave gaps or
// overlap, and a window or pointer in one would be misjudged in the other.
std::optional<qsizetype> chooseMainScreen(const QList<QRect>& screens, qsizetype primary,
                                          const std::optional<QRect>& activeWindow,
                                          const std::optional<QPoint>& pointer);
