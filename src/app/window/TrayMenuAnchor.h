// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QPoint>
#include <QWidget>
#include <optional>

class QMenu;

// Where the tray menu opens under a Wayland compositor, which gives the
// keyboard only to a window it has activated. On native Wayland a menu is a
// popup of a window of the program's own and is placed relative to it; a
// menu with no such window becomes an ordinary window, which a tiling
// compositor tiles like a document. The anchor is a tiny see-through
// window without decorations, which compositors float as a dialog where new
// dialogs go; the menu opens from it, holding the tray menu's own actions,
// and the anchor goes away with the menu. Taking the activation, it also
// sends the panel away, so the menu never covers a search field.
class TrayMenuAnchor : public QWidget {
    Q_OBJECT

public:
    explicit TrayMenuAnchor(const QMenu& trayMenu);

    // Shows the anchor and opens the menu from it once the anchor is active:
    // at `position` where the program may place windows (through Xwayland),
    // at the anchor otherwise.
    void popUp(std::optional<QPoint> position = std::nullopt);
    QMenu& menu() const { return *_menu; }

protected:
    bool event(QEvent* event) override;

private:
    QMenu* _menu;
    bool _isAwaitingActivation = false;
    std::optional<QPoint> _position;
};
