// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "launcher/ResultItem.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class AppIndexManager;
class LauncherController;
class ScriptManager;
class SearchPipeline;

// What the launcher panel shows and what its keys do, without a widget: the
// results of the latest search, the highlighted row, whether the result area
// is shown, and a Return that waits for the results of what was typed. Owns
// the search pipeline and the controller that carries results out. Lives on
// the main thread; the panel draws it and hands it its keys.
class LauncherModel : public QObject {
    Q_OBJECT

public:
    // Both managers must outlive the model. `hideWindow` hides the panel.
    LauncherModel(ScriptManager& scriptManager, AppIndexManager& appIndexManager,
                  std::function<void()> hideWindow, QObject* parent = nullptr);

    SearchPipeline& searchPipeline() const { return *_searchPipeline; }
    LauncherController& controller() const { return *_controller; }

    const ResultItems& resultItems() const { return _resultItems; }
    int selectedIndex() const { return _selectedIndex; }
    bool showResults() const { return _showResults; }

    // The panel came on screen: a fresh search pipeline.
    void setupSearch();
    // The panel has gone: a waiting Return is forgotten and the run in
    // progress is no longer the panel's.
    void panelHidden();
    // Publishes the results of a search unless the query has changed since.
    void applySearchResults(const QString& query, const ResultItems& results);
    // Return, Enter, Escape, Up and Down (`key` is a Qt::Key); returns
    // whether the key was used up. Escape empties the panel and asks for it
    // to go through dismissRequested.
    bool handleKey(int key);
    void executeSelectedItem();
    void resetResults();

Q_SIGNALS:
    void resultItemsChanged();
    void selectedIndexChanged(int selectedIndex);
    void showResultsChanged(bool showResults);
    // Escape: the field is to be emptied and the panel dismissed.
    void dismissRequested();

private:
    void setResultItems(const ResultItems& items);
    void setSelectedIndex(int index);
    void setShowResults(bool show);

    LauncherController* _controller;
    SearchPipeline* _searchPipeline;
    ResultItems _resultItems;
    // The query whose results are shown, and whether Return came before the
    // results of the query typed since: they are carried out once they come.
    std::optional<QString> _shownQuery;
    bool _isExecutionPending = false;
    int _selectedIndex = 0;
    bool _showResults = false;
};
