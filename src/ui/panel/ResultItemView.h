// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "launcher/ResultItem.h"

#include <QFont>
#include <QStyledItemDelegate>

// Paints one result row: the coloured type badge, the name, and the highlight
// when the row is the selected one. Rows are painted, never built as widgets,
// so a list of thousands of results costs only the rows on screen.
class ResultItemView : public QStyledItemDelegate {
    Q_OBJECT

public:
    ResultItemView(int itemHeight, QObject* parent = nullptr);

    static QString badgeText(ResultType type);

    // Where the badge of a row drawn in `rowRect` lies.
    QRect badgeRect(const QRect& rowRect, ResultType type) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int _itemHeight;
    QFont _badgeFont;
    QFont _nameFont;
};
