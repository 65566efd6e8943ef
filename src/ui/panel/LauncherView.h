// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "launcher/ResultItem.h"

#include <QWidget>
#include <functional>
#include <optional>

class AppIndexManager;
class LauncherController;
class QKeyEvent;
class QLineEdit;
class ResultView;
class ScriptManager;
class SearchPipeline;
class VisualEffectView;

// The launcher panel: the search field, and under it the result list or the
// message line. It searches as the user types, moves the highlight with the
// arrow keys, hands the highlighted result to its controller on Return, and
// clears itself on Escape. While it is on screen it sees the key presses of
// every window of the application.
class LauncherView : public QWidget {
    Q_OBJECT

public:
    static constexpr int searchAreaWidth = 600;
    static constexpr int searchAreaHeight = 60;
    static constexpr int fieldWidth = 580;
    static constexpr int fieldHeight = 50;
    static constexpr int spacing = 20;
    static constexpr int itemHeight = 50;
    static constexpr int maxVisibleItems = 4;
    static constexpr int focusDelayMs = 200;

    // Both managers must outlive the view.
    LauncherView(ScriptManager& scriptManager, AppIndexManager& appIndexManager,
                 std::function<void()> onEscPressed, std::function<void()> hideWindow,
                 QWidget* parent = nullptr);
    ~LauncherView() override;

    // Builds the field, once: the panel's window can be on its way to the
    // screen meanwhile, as the fonts that the field loads on first use take a
    // few milliseconds at start-up. Anything that needs the field builds it.
    void completeContent();
    QLineEdit* searchField();
    SearchPipeline& searchPipeline() const { return *_searchPipeline; }
    LauncherController& controller() const { return *_controller; }

    QString searchText() const;
    const ResultItems& resultItems() const { return _resultItems; }
    int selectedIndex() const { return _selectedIndex; }
    bool showResults() const { return _showResults; }

    void setupSearch();
    // Publishes the results of a search unless the query has changed since.
    void applySearchResults(const QString& query, const ResultItems& results);
    // Returns whether the key was used up.
    bool handleKeyEvent(const QKeyEvent& event);
    void executeSelectedItem();
    void resetResults();

    // The field alone while no result area is shown; the field, the gap
    // and the result area otherwise.
    int contentHeight() const;
    QSize sizeHint() const override;

Q_SIGNALS:
    void contentHeightChanged(int height);
    void resultItemsChanged();
    void selectedIndexChanged(int selectedIndex);
    void showResultsChanged(bool showResults);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setResultItems(const ResultItems& items);
    void setSelectedIndex(int index);
    void setShowResults(bool show);
    void updateContentHeight();
    ResultView& resultArea();

    std::function<void()> _onEscPressed;
    LauncherController* _controller;
    SearchPipeline* _searchPipeline;
    VisualEffectView* _fieldBackdrop;
    QLineEdit* _searchField = nullptr;
    ResultView* _resultView = nullptr;

    ResultItems _resultItems;
    // The query whose results are shown, and whether Return came before the
    // results of the query typed since: they are carried out once they come.
    std::optional<QString> _shownQuery;
    bool _isExecutionPending = false;
    int _selectedIndex = 0;
    bool _showResults = false;
    bool _isMonitoringKeys = false;
    int _contentHeight;
};
