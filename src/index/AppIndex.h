#pragma once

#include "index/AppEntry.h"

#include <QHash>
#include <QList>
#include <QString>
#include <vector>

// An immutable snapshot of the installed applications. Names are folded once
// here and the entries kept in code point order, so a search is one linear
// pass with no sorting. Shared between threads as std::shared_ptr<const AppIndex>.
class AppIndex {
public:
    struct Item {
        QString name;       // lower-cased, as filed
        QString foldedName; // the form queries are compared against
        QString path;
    };

    AppIndex() = default;
    // `pathsByName`: lower-cased name to path.
    explicit AppIndex(const QHash<QString, QString>& pathsByName);

    qsizetype size() const { return static_cast<qsizetype>(_items.size()); }
    bool isEmpty() const { return _items.empty(); }
    const std::vector<Item>& items() const { return _items; }
    QList<AppEntry> entries() const;

    // Every application whose name contains `query`, case and composition
    // aside, in code point order. An empty query matches nothing.
    QList<AppMatch> search(const QString& query) const;

private:
    std::vector<Item> _items;
};
