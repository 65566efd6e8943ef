#include "index/AppIndex.h"

#include "text/TextMatching.h"

#include <algorithm>

AppIndex::AppIndex(const QHash<QString, QString>& pathsByName) {
    _items.reserve(static_cast<size_t>(pathsByName.size()));
    for (auto it = pathsByName.cbegin(); it != pathsByName.cend(); ++it)
        _items.push_back({it.key(), TextMatching::fold(it.key()), it.value()});
    // Distinct names may share a folded form (precomposed and decomposed
    // spellings); the names themselves break the tie so the order is total.
    std::sort(_items.begin(), _items.end(), [](const Item& a, const Item& b) {
        if (a.foldedName != b.foldedName)
            return TextMatching::codePointLess(a.foldedName, b.foldedName);
        return TextMatching::codePointLess(a.name, b.name);
    });
}

QList<AppEntry> AppIndex::entries() const {
    QList<AppEntry> entries;
    entries.reserve(size());
    for (const Item& item : _items)
        entries.append({item.name, item.path});
    return entries;
}

QList<AppMatch> AppIndex::search(const QString& query) const {
    const QString foldedQuery = TextMatching::fold(query);
    QList<AppMatch> matches;
    if (foldedQuery.isEmpty())
        return matches;
    for (const Item& item : _items) {
        if (TextMatching::containsFolded(item.foldedName, foldedQuery))
            matches.append({item.name, item.path});
    }
    return matches;
}
