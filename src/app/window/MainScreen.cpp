// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/window/MainScreen.h"

#include "app/window/MainScreenChoice.h"
#include "platform/x11/X11ActiveWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace {

// Qt keeps each screen's top left where the window system has it and divides
// only its size by the screen's scale.
QRect deviceGeometry(const QScreen* screen) {
    const QRect logical = screen->geometry();
    return QRect(logical.topLeft(), logical.size() * screen->devicePixelRatio());
}

bool isOwnWindow(quint64 window) {
    const QWindowList windows = QGuiApplication::topLevelWindows();
    return std::any_of(windows.begin(), windows.end(),
                       [&](const QWindow* own) { return own->handle() && own->winId() == window; });
}

} // namespace

QScreen* mainScreen() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    QList<QRect> geometries;
    for (const QScreen* screen : screens)
        geometries.append(deviceGeometry(screen));
    // The launcher itself, or the settings window, says nothing of where the
    // user works: the pointer does better then.
    std::optional<QRect> activeWindow;
    if (const std::optional<X11ActiveWindow> active = readX11ActiveWindow();
        active && !isOwnWindow(active->window))
        activeWindow = active->frame;
    const std::optional<qsizetype> chosen =
        chooseMainScreen(geometries, screens.indexOf(QGuiApplication::primaryScreen()),
                         activeWindow, readX11PointerPosition());
    return chosen ? screens.at(*chosen) : nullptr;
}
