// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/window/LauncherPlacement.h"

#include <QRectF>

QRect launcherFrame(const QRect& available) {
    const QRectF area = available.isValid() ? QRectF(available) : QRectF();
    const qreal x = area.center().x() - launcherSize.width() / 2.0;
    const qreal y = area.top() + 0.324 * area.height();
    return QRect(QPoint(qRound(x), qRound(y)), launcherSize);
}
