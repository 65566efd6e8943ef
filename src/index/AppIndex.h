// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "index/AppEntry.h"
#include "text/NameBlock.h"

#include <QHash>
#include <QList>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// An immutable snapshot of the installed applications, in code point order of
// their folded names (the names themselves break ties between spellings that
// fold alike). The folded names lie in one block, computed once, so a search
// is one pass over contiguous memory with no sorting. Shared between threads
// as std::shared_ptr<const AppIndex>.
class AppIndex {
public:
    // Longer names are no application's real name, and would only spill over
    // rows and slow every search down: they are left out.
    static constexpr qsizetype maxNameLength = 1024;

    // Collects name/path pairs in UTF-8, as the index file holds them. Pairs
    // that arrive in order (as the index file is written) are laid out as
    // they come; otherwise they are sorted once at the end. When a name comes
    // twice, the later pair wins.
    class Builder {
    public:
        void reserve(std::size_t count, std::size_t bytes);
        void add(std::string_view name, std::string_view path);
        AppIndex build() &&;

    private:
        NameBlock _folded;
        NameBlock _names;
        NameBlock _paths;
        std::string _scratch;
        bool _isInOrder = true;
    };

    AppIndex() = default;
    // `pathsByName`: lower-cased name to path.
    explicit AppIndex(const QHash<QString, QString>& pathsByName);

    qsizetype size() const { return static_cast<qsizetype>(_names.size()); }
    bool isEmpty() const { return _names.isEmpty(); }
    QString name(qsizetype position) const;
    QString path(qsizetype position) const;
    std::string_view foldedName(qsizetype position) const { return _folded.at(position); }
    // The name and path in UTF-8, as the index file holds them.
    std::string_view nameBytes(qsizetype position) const { return _names.at(position); }
    std::string_view pathBytes(qsizetype position) const { return _paths.at(position); }
    QList<AppEntry> entries() const;

    // The positions of the applications whose folded name contains
    // `foldedQuery` (UTF-8), ascending, and so in name order.
    std::vector<uint32_t> find(std::string_view foldedQuery) const {
        return _folded.find(foldedQuery);
    }

private:
    NameBlock _folded;
    NameBlock _names;
    NameBlock _paths;
};
