// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "launcher/ResultItem.h"

#include <QWidget>
#include <functional>
#include <optional>

class QLabel;
class QListView;
class QPropertyAnimation;
class ResultItemView;
class ResultListModel;
class VisualEffectView;

// The result list under the search field: up to `maxVisibleItems` rows of
// `itemHeight` each, scrolling beyond that, the selected row kept in the
// middle; a single line with a placeholder or a message when there are no
// results. It shows what it is given and changes nothing itself: a click on
// a row only reports the row's result.
class ResultView : public QWidget {
    Q_OBJECT

public:
    ResultView(int itemHeight, int maxVisibleItems,
               std::function<void(const ResultItem&)> onItemSelected, QWidget* parent = nullptr);

    void setResultItems(const ResultItems& items);
    void setErrorMessage(const std::optional<QString>& message);
    void setSelectedIndex(int index);

    int selectedIndex() const;
    // What lies under the field, as a screen reader is to say it: the
    // selected row with its place ("Application, Firefox, 2 of 7"), the
    // message, or "No results".
    QString spokenSummary() const;

    // Rows times row height, at most `maxVisibleItems` rows; one row's height for the line.
    int contentHeight() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    QListView* listView() const { return _list; }
    QLabel* placeholderLine() const { return _placeholder; }
    ResultItemView* itemView() const { return _itemView; }

    static QColor placeholderColor();
    static QColor messageColor();

private:
    void updatePlaceholder();
    void announceSelectedRow();
    void updateLayout();
    int centredScrollValue(int row) const;

    const int _itemHeight;
    const int _maxVisibleItems;
    std::function<void(const ResultItem&)> _onItemSelected;
    std::optional<QString> _errorMessage;
    ResultListModel* _model;
    ResultItemView* _itemView;
    VisualEffectView* _backdrop;
    QListView* _list;
    QLabel* _placeholder;
    QPropertyAnimation* _scrollAnimation;
};
