// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "launcher/ResultItem.h"

#include <QAbstractListModel>

// The results as rows of a list view, with the highlighted row marked. Each
// row also says what a screen reader reads of it: its kind and name as its
// accessible text, its place in the list as its description.
class ResultListModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role { TypeRole = Qt::UserRole + 1, IsSelectedRole };

    explicit ResultListModel(QObject* parent = nullptr);

    void setResultItems(const ResultItems& items);
    const ResultItems& resultItems() const { return _items; }

    // An index that no row carries highlights nothing.
    void setSelectedIndex(int index);
    int selectedIndex() const { return _selectedIndex; }

    // "Application, Firefox" or "Command, greet".
    static QString spokenRow(ResultType type, const QString& name);
    // "2 of 7" for the second row of seven.
    static QString spokenPosition(int row, int count);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    void refreshRow(int row);

    ResultItems _items;
    int _selectedIndex = 0;
};
