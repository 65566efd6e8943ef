// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "index/AppIndex.h"
#include "scripts/ScriptCatalogue.h"
#include "scripts/ScriptMetadata.h"

#include <QString>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

enum class ResultType { app, command };

// One line of the result list, as a value of its own: what is shown, chosen
// and carried out. ResultItems builds one when a row is asked for.
struct ResultItem {
    // Fresh for every result of every search; the list's row identity.
    quint64 id = 0;
    // What is shown and sorted on: the application's name as filed, or the
    // script's catalogue key.
    QString name;
    ResultType type = ResultType::app;
    // The application's location (the path of its bundle or entry file); absent for scripts.
    std::optional<QString> url;
    // The script's description; absent for applications.
    std::optional<ScriptMetadata> metadata;
    // The script file, as the catalogue the search read has it: the row runs
    // what it shows, whatever the catalogue has become since. Absent for applications.
    std::optional<QString> scriptPath;
};

// The results of one search, in list order. A row is a position in the
// application snapshot or an entry of the script catalogue the search read
// (both kept alive here), so a search over thousands of names copies no
// string; names, paths and metadata are read when a row is shown or chosen.
class ResultItems {
public:
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = ResultItem;
        using difference_type = qsizetype;
        using pointer = void;
        using reference = ResultItem;

        const_iterator(const ResultItems* items, qsizetype row)
            : _items(items)
            , _row(row) {}
        ResultItem operator*() const { return _items->at(_row); }
        const_iterator& operator++() {
            ++_row;
            return *this;
        }
        bool operator==(const const_iterator&) const = default;

    private:
        const ResultItems* _items;
        qsizetype _row;
    };

    ResultItems() = default;
    ResultItems(std::shared_ptr<const AppIndex> apps,
                std::shared_ptr<const ScriptCatalogue> scripts);

    void reserve(std::size_t rows) { _rows.reserve(rows); }
    // `position` in the application snapshot.
    void appendApp(uint32_t position) { _rows.push_back({{}, position, ResultType::app}); }
    void appendScript(ScriptCatalogue::const_iterator entry) {
        _rows.push_back({entry, 0, ResultType::command});
    }

    qsizetype size() const { return static_cast<qsizetype>(_rows.size()); }
    bool isEmpty() const { return _rows.empty(); }
    ResultItem at(qsizetype row) const;
    ResultItem first() const { return at(0); }
    // What the list draws of a row, without building the whole item.
    QString name(qsizetype row) const;
    ResultType type(qsizetype row) const { return _rows[static_cast<std::size_t>(row)].type; }

    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

private:
    struct Row {
        ScriptCatalogue::const_iterator script;
        uint32_t app;
        ResultType type;
    };

    std::shared_ptr<const AppIndex> _apps;
    std::shared_ptr<const ScriptCatalogue> _scripts;
    std::vector<Row> _rows;
    // Row n's id is _firstId + n; every list takes a fresh range.
    quint64 _firstId = 0;
};
