// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/panel/LauncherView.h"

#include "launcher/LauncherController.h"
#include "launcher/LauncherModel.h"
#include "launcher/SearchPipeline.h"
#include "ui/VisualEffectView.h"
#include "ui/panel/ResultView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

namespace {
constexpr qreal fieldCornerRadius = 10;
constexpr int fieldInset = 10;
constexpr int fieldFontPixelSize = 16;

QLineEdit* makeSearchField(QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setPlaceholderText(QStringLiteral("Enter command or app name..."));
    field->setAccessibleName(QStringLiteral("Search applications and scripts"));
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
    , _model(new LauncherModel(scriptManager, appIndexManager, std::move(hideWindow), this)) {
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
    setAccessibleName(QStringLiteral("Vantri launcher"));

    const LauncherController& controller = _model->controller();
    connect(&controller, &LauncherController::errorMessageChanged, this, [this] {
        resultArea().setErrorMessage(_model->controller().errorMessage());
        describeWhatIsUnderTheField();
    });
    connect(_model, &LauncherModel::resultItemsChanged, this, &LauncherView::showResultItems);
    connect(_model, &LauncherModel::selectedIndexChanged, this, &LauncherView::showSelectedIndex);
    connect(_model, &LauncherModel::showResultsChanged, this, &LauncherView::showResultArea);
    connect(_model, &LauncherModel::dismissRequested, this, &LauncherView::dismiss);
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
    takeTheKeyboard();
    connect(_searchField, &QLineEdit::textChanged, &_model->searchPipeline(),
            &SearchPipeline::send);
}

QLineEdit* LauncherView::searchField() {
    completeContent();
    return _searchField;
}

QString LauncherView::searchText() const {
    return _searchField ? _searchField->text() : QString();
}

int LauncherView::contentHeight() const {
    if (!_model->showResults())
        return searchAreaHeight;
    return searchAreaHeight + spacing + _resultView->contentHeight();
}

QSize LauncherView::sizeHint() const {
    return QSize(searchAreaWidth, contentHeight());
}

void LauncherView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The window is announced by the panel's name when it comes up.
    if (window() != this && window()->accessibleName().isEmpty())
        window()->setAccessibleName(accessibleName());
    // The kept query stays in view, selected, so that the first key typed replaces it.
    if (_searchField) {
        _searchField->selectAll();
        takeTheKeyboard();
    }
    _model->setupSearch();
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
    _model->panelHidden();
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
        return _model->handleKey(static_cast<QKeyEvent*>(event)->key());
    return QWidget::eventFilter(watched, event);
}

void LauncherView::takeTheKeyboard() {
    // The field is the window's focus widget from the moment the window is
    // shown, not only once the focus delay has passed: the keys typed as soon
    // as the window is active, and an input method's first composition, go
    // to the field rather than to a window with no focus widget.
    _searchField->setFocus(Qt::OtherFocusReason);
}

void LauncherView::dismiss() {
    if (_searchField)
        _searchField->clear();
    if (_onEscPressed)
        _onEscPressed();
}

void LauncherView::showResultItems() {
    const ResultItems& items = _model->resultItems();
    if (_resultView || !items.isEmpty())
        resultArea().setResultItems(items);
    updateContentHeight();
    describeWhatIsUnderTheField();
}

void LauncherView::showSelectedIndex() {
    if (_resultView)
        _resultView->setSelectedIndex(_model->selectedIndex());
    describeWhatIsUnderTheField();
}

void LauncherView::showResultArea() {
    if (_resultView || _model->showResults())
        resultArea().setVisible(_model->showResults());
    updateContentHeight();
    describeWhatIsUnderTheField();
}

void LauncherView::describeWhatIsUnderTheField() {
    // The focus stays in the field while the arrows move the highlight and
    // while messages come, so what a screen reader is to say of them is the
    // field's description; each change of it is announced. A search changes
    // the list, the highlight and the result area one after another: the
    // description waits for the last of them, so that only the outcome is read.
    if (std::exchange(_isDescriptionPending, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            _isDescriptionPending = false;
            if (!_searchField)
                return;
            const QString description =
                _model->showResults() && _resultView ? _resultView->spokenSummary() : QString();
            if (description != _searchField->accessibleDescription())
                _searchField->setAccessibleDescription(description);
        },
        Qt::QueuedConnection);
}

ResultView& LauncherView::resultArea() {
    // Built on first need rather than with the panel, which then appears a
    // few milliseconds sooner at start-up: the list is hidden until a search.
    if (!_resultView) {
        _resultView = new ResultView(
            itemHeight, maxVisibleItems,
            [this](const ResultItem& item) { _model->controller().executeItem(item); }, this);
        _resultView->setFixedWidth(searchAreaWidth);
        _resultView->setVisible(_model->showResults());
        _resultView->setResultItems(_model->resultItems());
        _resultView->setSelectedIndex(_model->selectedIndex());
        _resultView->setErrorMessage(_model->controller().errorMessage());
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
