// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/panel/ResultItemView.h"

#include "ui/panel/ResultListModel.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int horizontalPadding = 10;
constexpr int spacing = 8;
constexpr int badgeHorizontalPadding = 6;
constexpr int badgeVerticalPadding = 2;
constexpr qreal badgeRadius = 4;
constexpr qreal highlightRadius = 6;
// The highlight stays clear of the list's rounded corners.
constexpr QMarginsF highlightInset(4, 2, 4, 2);
const QColor nameColor(255, 255, 255, 235);

QColor withOpacity(QColor color, qreal opacity) {
    color.setAlphaF(static_cast<float>(opacity));
    return color;
}

QColor badgeColor(ResultType type) {
    return type == ResultType::command ? withOpacity(QColor(255, 69, 58), 0.7)
                                       : withOpacity(QColor(48, 209, 88), 0.7);
}

const QColor highlightColor = withOpacity(QColor(10, 132, 255), 0.3);

QFont fontOfSize(int pixelSize, QFont::Weight weight) {
    QFont font = QApplication::font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}
} // namespace

ResultItemView::ResultItemView(int itemHeight, QObject* parent)
    : QStyledItemDelegate(parent)
    , _itemHeight(itemHeight)
    , _badgeFont(fontOfSize(12, QFont::Medium))
    , _nameFont(fontOfSize(14, QFont::Normal)) {}

QString ResultItemView::badgeText(ResultType type) {
    return type == ResultType::command ? QStringLiteral("command") : QStringLiteral("app");
}

QRect ResultItemView::badgeRect(const QRect& rowRect, ResultType type) const {
    const QFontMetrics metrics(_badgeFont);
    const QSize size(metrics.horizontalAdvance(badgeText(type)) + 2 * badgeHorizontalPadding,
                     metrics.height() + 2 * badgeVerticalPadding);
    return QRect(QPoint(rowRect.left() + horizontalPadding,
                        rowRect.top() + (rowRect.height() - size.height()) / 2),
                 size);
}

void ResultItemView::paint(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
    const QRect row = option.rect;
    const auto type = index.data(ResultListModel::TypeRole).value<ResultType>();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);

    if (index.data(ResultListModel::IsSelectedRole).toBool()) {
        QPainterPath highlight;
        highlight.addRoundedRect(QRectF(row) - highlightInset, highlightRadius, highlightRadius);
        painter->fillPath(highlight, highlightColor);
    }

    const QRect badge = badgeRect(row, type);
    QPainterPath badgeShape;
    badgeShape.addRoundedRect(badge, badgeRadius, badgeRadius);
    painter->fillPath(badgeShape, badgeColor(type));
    painter->setFont(_badgeFont);
    painter->setPen(Qt::white);
    painter->drawText(badge, Qt::AlignCenter, badgeText(type));

    const QRect nameRect(badge.right() + 1 + spacing, row.top(),
                         row.right() - horizontalPadding - badge.right() - spacing, row.height());
    const QFontMetrics nameMetrics(_nameFont);
    painter->setFont(_nameFont);
    painter->setPen(nameColor);
    painter->drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      nameMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight,
                                             nameRect.width()));
    painter->restore();
}

QSize ResultItemView::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return QSize(option.rect.width(), _itemHeight);
}
