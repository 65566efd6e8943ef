// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "launcher/LauncherModel.h"

#include "launcher/LauncherController.h"
#include "launcher/SearchPipeline.h"

#include <algorithm>
#include <utility>

LauncherModel::LauncherModel(ScriptManager& scriptManager, AppIndexManager& appIndexManager,
                             std::function<void()> hideWindow, QObject* parent)
    : QObject(parent)
    , _controller(new LauncherController(scriptManager, std::move(hideWindow), this))
    , _searchPipeline(new SearchPipeline(scriptManager, appIndexManager, this)) {
    connect(_searchPipeline, &SearchPipeline::searchFinished, this,
            &LauncherModel::applySearchResults);
    connect(_controller, &LauncherController::launchStarted, this, &LauncherModel::resetResults);
    connect(_controller, &LauncherController::messageShown, this, [this] { setShowResults(true); });
}

void LauncherModel::setupSearch() {
    _searchPipeline->setupSearch();
}

void LauncherModel::panelHidden() {
    _isExecutionPending = false;
    _controller->detachRun();
}

void LauncherModel::applySearchResults(const QString& query, const ResultItems& results) {
    if (_searchPipeline->currentQuery() != query)
        return;
    _shownQuery = query;
    setResultItems(results);
    setSelectedIndex(0);
    setShowResults(!query.isEmpty());
    _controller->clearMessage();
    if (std::exchange(_isExecutionPending, false))
        executeSelectedItem();
}

bool LauncherModel::handleKey(int key) {
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // The list may still show an earlier query's results while the typed
        // one waits for its debounce or its search: Return is for the typed one.
        if (_searchPipeline->currentQuery() != _shownQuery) {
            _isExecutionPending = true;
            _searchPipeline->flush();
            return true;
        }
        executeSelectedItem();
        return true;
    case Qt::Key_Escape:
        resetResults();
        Q_EMIT dismissRequested();
        return true;
    case Qt::Key_Down:
        if (_resultItems.isEmpty())
            return false;
        setSelectedIndex(std::min(_selectedIndex + 1, static_cast<int>(_resultItems.size()) - 1));
        return true;
    case Qt::Key_Up:
        if (_resultItems.isEmpty())
            return false;
        setSelectedIndex(std::max(_selectedIndex - 1, 0));
        return true;
    default:
        return false;
    }
}

void LauncherModel::executeSelectedItem() {
    if (_resultItems.isEmpty())
        return;
    _controller->executeItem(_resultItems.at(_selectedIndex));
}

void LauncherModel::resetResults() {
    _isExecutionPending = false;
    _controller->clearMessage();
    setResultItems({});
    setSelectedIndex(0);
    setShowResults(false);
}

void LauncherModel::setResultItems(const ResultItems& items) {
    _resultItems = items;
    Q_EMIT resultItemsChanged();
}

void LauncherModel::setSelectedIndex(int index) {
    if (index == _selectedIndex)
        return;
    _selectedIndex = index;
    Q_EMIT selectedIndexChanged(index);
}

void LauncherModel::setShowResults(bool show) {
    if (show == _showResults)
        return;
    _showResults = show;
    Q_EMIT showResultsChanged(show);
}
