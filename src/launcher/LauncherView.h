#pragma once

#include "launcher/ResultItem.h"

#include <QWidget>
#include <functional>
#include <optional>

class AppIndexManager;
class QKeyEvent;
class QLineEdit;
class ResultView;
class ScriptManager;
class SearchPipeline;

// The launcher panel: the search field, and under it the result list or the
// message line. It searches as the user types, moves the highlight with the
// arrow keys, opens the highlighted application or runs the highlighted
// script on Return, and clears itself on Escape. While it is on screen it
// sees the key presses of every window of the application.
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
    static constexpr int successDelayMs = 500;

    using ApplicationOpener = std::function<bool(const QString& path)>;

    // Both managers must outlive the view.
    LauncherView(ScriptManager& scriptManager, AppIndexManager& appIndexManager,
                 std::function<void()> onEscPressed, std::function<void()> hideWindow,
                 QWidget* parent = nullptr);
    ~LauncherView() override;

    QLineEdit* searchField() const { return _searchField; }
    ResultView* resultView() const { return _resultView; }
    SearchPipeline& searchPipeline() const { return *_searchPipeline; }
    // Replaces the way applications are opened (the desktop's, by default).
    void setApplicationOpener(ApplicationOpener opener) { _openApplication = std::move(opener); }

    QString searchText() const;
    const ResultItems& resultItems() const { return _resultItems; }
    int selectedIndex() const { return _selectedIndex; }
    bool showResults() const { return _showResults; }
    const std::optional<QString>& errorMessage() const { return _errorMessage; }
    bool isExecuting() const { return _isExecuting; }

    void setupSearch();
    // Publishes the results of a search unless the query has changed since.
    void applySearchResults(const QString& query, const ResultItems& results);
    // Returns whether the key was used up.
    bool handleKeyEvent(const QKeyEvent& event);
    void executeSelectedItem();
    void executeItem(const ResultItem& item);
    // Takes its own copy: the caller's may live in the results, which a launch clears.
    void executeScript(ScriptMetadata metadata);
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
    void errorMessageChanged();
    void isExecutingChanged(bool isExecuting);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setResultItems(const ResultItems& items);
    void setSelectedIndex(int index);
    void setShowResults(bool show);
    void setErrorMessage(const std::optional<QString>& message);
    void setIsExecuting(bool executing);
    void showMessage(const QString& message);
    void updateContentHeight();

    std::function<void()> _onEscPressed;
    std::function<void()> _hideWindow;
    ScriptManager& _scriptManager;
    ApplicationOpener _openApplication;
    SearchPipeline* _searchPipeline;
    QLineEdit* _searchField;
    ResultView* _resultView;

    ResultItems _resultItems;
    int _selectedIndex = 0;
    bool _showResults = false;
    std::optional<QString> _errorMessage;
    bool _isExecuting = false;
    bool _isMonitoringKeys = false;
    int _contentHeight;
};
