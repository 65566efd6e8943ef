// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/window/MainScreenChoice.h"

#include <algorithm>

namespace {

std::optional<qsizetype> screenAt(const QList<QRect>& screens, const QPoint& point) {
    const auto found = std::find_if(screens.begin(), screens.end(),
                                    [&](const QRect& screen) { return screen.contains(point); });
    if (found == screens.end())
        return std::nullopt;
    return std::distance(screens.begin(), found);
}

} // namespace

std::optional<qsizetype> chooseMainScreen(const QList<QRect>& screens, qsizetype primary,
                                          const std::optional<QRect>& activeWindow,
                                          const std::optional<QPoint>& pointer) {
    if (screens.isEmpty())
        return std::nullopt;
    if (activeWindow && !activeWindow->isEmpty())
        if (const auto screen = screenAt(screens, activeWindow->center()))
            return screen;
    if (pointer)
        if (const auto screen = screenAt(screens, *pointer))
            return screen;
    return primary >= 0 && primary < screens.size() ? primary : 0;
}
