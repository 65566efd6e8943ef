// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/panel/LauncherView.h"

#include "launcher/LauncherController.h"
#include "launcher/SearchPipeline.h"
#include "ui/VisualEffectView.h"
#include "ui/panel/ResultView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace {
constexpr qreal fieldCornerRadius = 10;
constexpr int fieldInset = 10;
constexpr int fieldFontPixelSize = 16;

QLineEdit* makeSearchField(QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setPlaceholderText(QStringLiteral("Enter command or app name..."));
    field->setFrame(false);
    field->setTextMargins(fieldInset, fieldInset, fieldInset, fieldInset);
    QFont font = QApplication::font();
    font.setPixelSize(fieldFontPixelSize);
    field->setFont(font);
    // The backdrop behind the field shows through; the text is light on it.
    field->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; border: none;"
                                        " color: rgba(255, 255, 255, 240);"
                                        " selection-background-color: rgba(10, 132, 255, 150); }"));
    QPalette palette = field->palette();
    palette.setColor(QPalette::PlaceholderText, QColor(255, 255, 255, 110));
    field->setPalette(palette);
    return field;
}
} // namespace

LauncherView::LauncherView(ScriptManager& scriptManager, AppIndexManager& appIndexManager,
                           std::function<void()> onEscPressed, std::function<void()> hideWindow,
                           QWidget* parent)
    : QWidget(parent)
    , _onEscPressed(std::move(onEscPressed))
    , _controller(new LauncherController(scriptManager, std::move(hideWindow), this))
    , _searchPipeline(new SearchPipeline(scriptManager, appIndexManager, this)) {
    auto* searchArea = new QWidget(this);
    searchArea->setFixedSize(searchAreaWidth, searchAreaHeight);
    _fieldBackdrop = new VisualEffectView(fieldCornerRadius, searchArea);
    _fieldBackdrop->setGeometry((searchAreaWidth - fieldWidth) / 2,
                                (searchAreaHeight - fieldHeight) / 2, fieldWidth, fieldHeight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(searchArea, 0, Qt::AlignHCenter);
    _contentHeight = contentHeight();

    connect(_searchPipeline, &SearchPipeline::searchFinished, this,
            &LauncherView::applySearchResults);
    connect(_controller, &LauncherController::errorMessageChanged, this,
            [this] { resultArea().setErrorMessage(_controller->errorMessage()); });
    connect(_controller, &LauncherController::launchStarted, this, &LauncherView::resetResults);
    connect(_controller, &LauncherController::messageShown, this, [this] { setShowResults(true); });
}

LauncherView::~LauncherView() {
    if (_isMonitoringKeys)
        qApp->removeEventFilter(this);
}

void LauncherView::completeContent() {
    if (_searchField)
        return;
    _searchField = makeSearchField(_fieldBackdrop);
    _searchField->setGeometry(0, 0, fieldWidth, fieldHeight);
    _searchField->show();
    connect(_searchField, &QLineEdit::textChanged, _searchPipeline, &SearchPipeline::send);
}

QLineEdit* LauncherView::searchField() {
    completeContent();
    return _searchField;
}

QString LauncherView::searchText() const {
    return _searchField ? _searchField->text() : QString();
}

void LauncherView::setupSearch() {
    _searchPipeline->setupSearch();
}

void LauncherView::applySearchResults(const QString& query, const ResultItems& results) {
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

bool LauncherView::handleKeyEvent(const QKeyEvent& event) {
    switch (event.key()) {
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
        if (_searchField)
            _searchField->clear();
        resetResults();
        if (_onEscPressed)
            _onEscPressed();
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

void LauncherView::executeSelectedItem() {
    if (_resultItems.isEmpty())
        return;
    _controller->executeItem(_resultItems.at(_selectedIndex));
}

void LauncherView::resetResults() {
    _isExecutionPending = false;
    _controller->clearMessage();
    setResultItems({});
    setSelectedIndex(0);
    setShowResults(false);
}

int LauncherView::contentHeight() const {
    if (!_showResults)
        return searchAreaHeight;
    return searchAreaHeight + spacing + _resultView->contentHeight();
}

QSize LauncherView::sizeHint() const {
    return QSize(searchAreaWidth, contentHeight());
}

void LauncherView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The kept query stays in view, selected, so that the first key typed replaces it.
    if (_searchField)
        _searchField->selectAll();
    setupSearch();
    if (!_isMonitoringKeys) {
        qApp->installEventFilter(this);
        _isMonitoringKeys = true;
    }
    QTimer::singleShot(focusDelayMs, this, [this] {
        searchField()->setFocus(Qt::OtherFocusReason);
        // Built while the user has yet to type, so that the first results
        // do not wait for it.
        resultArea();
    });
}

void LauncherView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    _isExecutionPending = false;
    _controller->detachRun();
    if (_isMonitoringKeys) {
        qApp->removeEventFilter(this);
        _isMonitoringKeys = false;
    }
}

bool LauncherView::eventFilter(QObject* watched, QEvent* event) {
    // A key press may pass this filter several times on its way (window,
    // focus widget, parents); only the first pass can use it up, and a key
    // that is not used up changes nothing, so the repeats are harmless.
    if (event->type() == QEvent::KeyPress)
        return handleKeyEvent(*static_cast<QKeyEvent*>(event));
    return QWidget::eventFilter(watched, event);
}

void LauncherView::setResultItems(const ResultItems& items) {
    _resultItems = items;
    if (_resultView || !items.isEmpty())
        resultArea().setResultItems(items);
    Q_EMIT resultItemsChanged();
    updateContentHeight();
}

void LauncherView::setSelectedIndex(int index) {
    if (index == _selectedIndex)
        return;
    _selectedIndex = index;
    if (_resultView)
        _resultView->setSelectedIndex(index);
    Q_EMIT selectedIndexChanged(index);
}

void LauncherView::setShowResults(bool show) {
    if (show == _showResults)
        return;
    _showResults = show;
    if (_resultView || show)
        resultArea().setVisible(show);
    Q_EMIT showResultsChanged(show);
    updateContentHeight();
}

ResultView& LauncherView::resultArea() {
    // Built on first need rather than with the panel, which then appears a
    // few milliseconds sooner at start-up: the list is hidden until a search.
    if (!_resultView) {
        _resultView = new ResultView(
            itemHeight, maxVisibleItems,
            [this](const ResultItem& item) { _controller->executeItem(item); }, this);
        _resultView->setFixedWidth(searchAreaWidth);
        _resultView->setVisible(_showResults);
        _resultView->setResultItems(_resultItems);
        _resultView->setSelectedIndex(_selectedIndex);
        _resultView->setErrorMessage(_controller->errorMessage());
        layout()->addWidget(_resultView);
        layout()->setAlignment(_resultView, Qt::AlignHCenter);
    }
    return *_resultView;
}

void LauncherView::updateContentHeight() {
    const int height = contentHeight();
    if (height == _contentHeight)
        return;
    _contentHeight = height;
    updateGeometry();
    Q_EMIT contentHeightChanged(height);
}
