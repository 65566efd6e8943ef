// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "launcher/SearchPipeline.h"

#include "index/AppIndexManager.h"
#include "text/TextMatching.h"

#include <QFutureWatcher>
#include <QtConcurrent>
#include <algorithm>
#include <vector>

SearchPipeline::SearchPipeline(ScriptManager& scriptManager, AppIndexManager& appIndexManager,
                               QObject* parent)
    : QObject(parent)
    , _scriptManager(scriptManager)
    , _appIndexManager(appIndexManager)
    , _debounce(new QTimer(this)) {
    _debounce->setSingleShot(true);
    _debounce->setInterval(debounceMs);
    connect(_debounce, &QTimer::timeout, this, &SearchPipeline::passDebouncedQuery);
}

void SearchPipeline::setupSearch() {
    _searchSubject = QString();
    _lastPassedQuery.reset();
    _debounce->start();
}

void SearchPipeline::send(const QString& text) {
    if (!_searchSubject)
        return;
    _searchSubject = text;
    _debounce->start();
}

void SearchPipeline::flush() {
    if (!_debounce->isActive())
        return;
    _debounce->stop();
    passDebouncedQuery();
}

void SearchPipeline::passDebouncedQuery() {
    if (!_searchSubject || _searchSubject == _lastPassedQuery)
        return;
    _lastPassedQuery = _searchSubject;
    startSearch(*_searchSubject);
}

void SearchPipeline::startSearch(const QString& query) {
    Q_EMIT searchStarted(query);
    // Until the index file is read, the snapshot is empty: a search typed
    // that early waits for it rather than miss every application.
    if (!_appIndexManager.isLoaded()) {
        connect(
            &_appIndexManager, &AppIndexManager::isLoadedChanged, this,
            [this, query] { runSearch(query); }, Qt::SingleShotConnection);
        return;
    }
    runSearch(query);
}

void SearchPipeline::runSearch(const QString& query) {
    struct Outcome {
        ResultItems results;
        std::shared_ptr<const SearchableScripts> scripts;
    };
    // The search works on snapshots of its own. The watcher belongs to the
    // pipeline: should the pipeline go first, the hand-back goes with it.
    auto* watcher = new QFutureWatcher<Outcome>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, query] {
        watcher->deleteLater();
        const Outcome outcome = watcher->result();
        _searchableScripts = outcome.scripts;
        Q_EMIT searchFinished(query, outcome.results);
    });
    // A catalogue is laid out for searching once, by the first search that
    // sees it (on the pool, as its size is the user's), and handed back for
    // the searches after it.
    watcher->setFuture(
        QtConcurrent::run([apps = _appIndexManager.apps(), catalogue = _scriptManager.scripts(),
                           laidOut = _searchableScripts, query]() -> Outcome {
            std::shared_ptr<const SearchableScripts> scripts = laidOut;
            if (!scripts || scripts->catalogue() != catalogue)
                scripts = std::make_shared<const SearchableScripts>(catalogue);
            return {performSearch(apps, *scripts, query), scripts};
        }));
}

ResultItems SearchPipeline::performSearch(std::shared_ptr<const AppIndex> apps,
                                          std::shared_ptr<const ScriptCatalogue> scripts,
                                          const QString& query) {
    return performSearch(std::move(apps), SearchableScripts(std::move(scripts)), query);
}

ResultItems SearchPipeline::performSearch(std::shared_ptr<const AppIndex> apps,
                                          const SearchableScripts& scripts, const QString& query) {
    const std::string foldedQuery = TextMatching::foldedUtf8(query);
    const std::vector<uint32_t> appMatches = apps->find(foldedQuery);
    const std::vector<uint32_t> scriptMatches = scripts.find(foldedQuery);

    // Both runs are in order of their folded names already; merging them
    // keeps an application ahead of a script whose name folds alike.
    ResultItems results(apps, scripts.catalogue());
    results.reserve(appMatches.size() + scriptMatches.size());
    auto app = appMatches.cbegin();
    auto script = scriptMatches.cbegin();
    while (app != appMatches.cend() || script != scriptMatches.cend()) {
        if (script == scriptMatches.cend() ||
            (app != appMatches.cend() && apps->foldedName(*app) <= scripts.foldedKey(*script))) {
            results.appendApp(*app);
            ++app;
        } else {
            results.appendScript(scripts.entry(*script));
            ++script;
        }
    }
    return results;
}
