// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/window/TrayMenuAnchor.h"

#include <QEvent>
#include <QMenu>

#include <utility>

namespace {

// Large enough for every compositor to map, small enough to pass unseen.
constexpr QSize anchorSize{2, 2};

} // namespace

TrayMenuAnchor::TrayMenuAnchor(const QMenu& trayMenu)
    : QWidget(nullptr, Qt::Dialog | Qt::FramelessWindowHint)
    , _menu(new QMenu(this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    // A fixed size is what tiling compositors take for a dialog to float.
    setFixedSize(anchorSize);
    _menu->addActions(trayMenu.actions());
    // Before the program has had any input there is no event to open a
    // popup with: the menu is then a small window of its own over the
    // anchor, which compositors float as the anchor's child, and it is
    // left without a title bar like the popup it stands for.
    _menu->setWindowFlag(Qt::FramelessWindowHint);
    connect(_menu, &QMenu::aboutToHide, this, &QWidget::hide);
}

void TrayMenuAnchor::popUp(std::optional<QPoint> position) {
    if (_menu->isVisible())
        return;
    _isAwaitingActivation = true;
    _position = position;
    show();
    raise();
    activateWindow();
}

bool TrayMenuAnchor::event(QEvent* event) {
    // The menu's popup needs its parent mapped: a compositor overlooks the
    // popups of a window it has not mapped yet. It activates a window only
    // once it is mapped.
    if (event->type() == QEvent::WindowActivate && std::exchange(_isAwaitingActivation, false))
        _menu->popup(_position.value_or(mapToGlobal(QPoint())));
    return QWidget::event(event);
}
