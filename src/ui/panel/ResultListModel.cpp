// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/panel/ResultListModel.h"

ResultListModel::ResultListModel(QObject* parent)
    : QAbstractListModel(parent) {}

void ResultListModel::setResultItems(const ResultItems& items) {
    beginResetModel();
    _items = items;
    endResetModel();
}

void ResultListModel::setSelectedIndex(int index) {
    if (index == _selectedIndex)
        return;
    const int previous = _selectedIndex;
    _selectedIndex = index;
    refreshRow(previous);
    refreshRow(index);
}

void ResultListModel::refreshRow(int row) {
    if (row >= 0 && row < _items.size())
        Q_EMIT dataChanged(this->index(row), this->index(row), {IsSelectedRole});
}

QString ResultListModel::spokenRow(ResultType type, const QString& name) {
    return (type == ResultType::app ? QStringLiteral("Application, ")
                                    : QStringLiteral("Command, ")) +
           name;
}

QString ResultListModel::spokenPosition(int row, int count) {
    return QStringLiteral("%1 of %2").arg(row + 1).arg(count);
}

int ResultListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(_items.size());
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return _items.name(index.row());
    case TypeRole:
        return QVariant::fromValue(_items.type(index.row()));
    case Qt::AccessibleTextRole:
        return spokenRow(_items.type(index.row()), _items.name(index.row()));
    case Qt::AccessibleDescriptionRole:
        return spokenPosition(index.row(), static_cast<int>(_items.size()));
    case IsSelectedRole:
        return index.row() == _selectedIndex;
    default:
        return {};
    }
}
