// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/VisualEffectView.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {
// A smoky graphite, a touch lighter at the top as if lit from above.
const QColor backdropTop(46, 46, 54, 242);
const QColor backdropBottom(30, 30, 36, 242);
// A hairline edge keeps the panel readable over dark and light windows alike.
const QColor edgeLight(255, 255, 255, 34);
const QColor edgeShade(0, 0, 0, 90);
} // namespace

VisualEffectView::VisualEffectView(qreal cornerRadius, QWidget* parent)
    : QWidget(parent)
    , _cornerRadius(cornerRadius) {}

void VisualEffectView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF outer = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(outer, _cornerRadius, _cornerRadius);

    QLinearGradient fill(outer.topLeft(), outer.bottomLeft());
    fill.setColorAt(0, backdropTop);
    fill.setColorAt(1, backdropBottom);
    painter.fillPath(shape, fill);

    painter.setPen(QPen(edgeShade, 1));
    painter.drawPath(shape);
    QPainterPath inner;
    const QRectF innerRect = outer.adjusted(1, 1, -1, -1);
    inner.addRoundedRect(innerRect, _cornerRadius - 1, _cornerRadius - 1);
    QLinearGradient glint(innerRect.topLeft(), innerRect.bottomLeft());
    glint.setColorAt(0, edgeLight);
    glint.setColorAt(0.5, Qt::transparent);
    painter.setPen(QPen(QBrush(glint), 1));
    painter.drawPath(inner);
}
