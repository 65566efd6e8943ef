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

void SearchPipeline::passDebouncedQuery() {
    if (!_searchSubject || _searchSubject == _lastPassedQuery)
        return;
    _lastPassedQuery = _searchSubject;
    startSearch(*_searchSubject);
}

void SearchPipeline::startSearch(const QString& query) {
    Q_EMIT searchStarted(query);
    // The search works on snapshots of its own. The watcher belongs to the
    // pipeline: should the pipeline go first, the hand-back goes with it.
    auto* watcher = new QFutureWatcher<ResultItems>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, query] {
        watcher->deleteLater();
        Q_EMIT searchFinished(query, watcher->result());
    });
    watcher->setFuture(
        QtConcurrent::run([apps = _appIndexManager.apps(), scripts = _scriptManager.scripts(),
                           query] { return performSearch(*apps, *scripts, query); }));
}

ResultItems SearchPipeline::performSearch(const AppIndex& apps, const ScriptCatalogue& scripts,
                                          const QString& query) {
    const QList<AppMatch> appMatches = apps.search(query);
    const QString foldedQuery = TextMatching::fold(query);
    std::vector<ScriptCatalogue::const_iterator> scriptMatches;
    for (auto entry = scripts.cbegin(); entry != scripts.cend(); ++entry) {
        if (TextMatching::containsFolded(entry->foldedKey, foldedQuery) ||
            TextMatching::containsFolded(entry->foldedName, foldedQuery))
            scriptMatches.push_back(entry);
    }
    // The catalogue iterates in UTF-16 order; the list wants code points.
    std::sort(scriptMatches.begin(), scriptMatches.end(), [](const auto& a, const auto& b) {
        return TextMatching::codePointLess(a.key(), b.key());
    });

    // The applications arrive in name order already. Merging the two runs
    // builds every result once, in place, and keeps an application ahead of
    // a script of the same name.
    ResultItems results;
    results.reserve(appMatches.size() + static_cast<qsizetype>(scriptMatches.size()));
    auto app = appMatches.cbegin();
    auto script = scriptMatches.cbegin();
    while (app != appMatches.cend() || script != scriptMatches.cend()) {
        if (script == scriptMatches.cend() ||
            (app != appMatches.cend() &&
             !TextMatching::codePointLess((*script).key(), app->name))) {
            results.emplaceBack(newResultId(), app->name, ResultType::app, app->path, std::nullopt);
            ++app;
        } else {
            results.emplaceBack(newResultId(), (*script).key(), ResultType::command, std::nullopt,
                                (*script)->metadata);
            ++script;
        }
    }
    return results;
}
