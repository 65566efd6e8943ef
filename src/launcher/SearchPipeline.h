// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "launcher/ResultItem.h"
#include "scripts/ScriptManager.h"
#include "scripts/SearchableScripts.h"

#include <QObject>
#include <QTimer>
#include <optional>

class AppIndexManager;

// Turns the edits of the search field into searches: an edit is passed on
// once no newer one has arrived for 100 ms, and only if it differs from the
// query passed before it. Each query passed is matched on the global thread
// pool against snapshots of the application index and the script catalogue
// taken when it passed (once the index file is loaded); the results come back on the main thread
// through searchFinished, whether or not the query is still the current one.
class SearchPipeline : public QObject {
    Q_OBJECT

public:
    static constexpr int debounceMs = 100;

    SearchPipeline(ScriptManager& scriptManager, AppIndexManager& appIndexManager,
                   QObject* parent = nullptr);

    // Starts a fresh pipeline whose current query is empty; that empty query
    // is searched one debounce later unless an edit comes first.
    void setupSearch();
    // An edit of the search field. Ignored until the pipeline is set up.
    void send(const QString& text);
    // Passes the latest edit on at once instead of after the debounce, when
    // one is waiting: Return must act on what has been typed.
    void flush();
    // The latest query sent (empty right after set-up); absent before set-up.
    std::optional<QString> currentQuery() const { return _searchSubject; }

    // The matches for `query`: the applications whose folded name contains
    // the folded query and the scripts whose folded key or folded name does,
    // in code point order of their folded names, an application before a
    // script whose name folds alike. Runs on any thread.
    static ResultItems performSearch(std::shared_ptr<const AppIndex> apps,
                                     std::shared_ptr<const ScriptCatalogue> scripts,
                                     const QString& query);
    // The same over a catalogue already laid out for searching.
    static ResultItems performSearch(std::shared_ptr<const AppIndex> apps,
                                     const SearchableScripts& scripts, const QString& query);

Q_SIGNALS:
    void searchStarted(const QString& query);
    void searchFinished(const QString& query, const ResultItems& results);

private:
    void passDebouncedQuery();
    void startSearch(const QString& query);
    void runSearch(const QString& query);

    ScriptManager& _scriptManager;
    AppIndexManager& _appIndexManager;
    std::optional<QString> _searchSubject;
    // The query the duplicate filter let through last; forgotten at each set-up.
    std::optional<QString> _lastPassedQuery;
    std::shared_ptr<const SearchableScripts> _searchableScripts;
    QTimer* _debounce;
};
