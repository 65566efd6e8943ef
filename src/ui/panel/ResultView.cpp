// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/panel/ResultView.h"

#include "ui/VisualEffectView.h"
#include "ui/panel/ResultItemView.h"
#include "ui/panel/ResultListModel.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QPropertyAnimation>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

namespace {
constexpr qreal cornerRadius = 10;
constexpr int placeholderPadding = 10;
constexpr int scrollDurationMs = 220;

// A slim bar that appears only when the list scrolls, drawn over the backdrop.
const char* const scrollBarStyle = R"(
QScrollBar:vertical { width: 6px; background: transparent; margin: 6px 1px 6px 0; }
QScrollBar::handle:vertical { background: rgba(255, 255, 255, 70); border-radius: 2px;
                              min-height: 24px; }
QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }
QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }
)";
} // namespace

ResultView::ResultView(int itemHeight, int maxVisibleItems,
                       std::function<void(const ResultItem&)> onItemSelected, QWidget* parent)
    : QWidget(parent)
    , _itemHeight(itemHeight)
    , _maxVisibleItems(maxVisibleItems)
    , _onItemSelected(std::move(onItemSelected))
    , _model(new ResultListModel(this))
    , _itemView(new ResultItemView(itemHeight, this))
    , _backdrop(new VisualEffectView(cornerRadius, this))
    , _list(new QListView(_backdrop))
    , _placeholder(new QLabel(_backdrop))
    , _scrollAnimation(new QPropertyAnimation(_list->verticalScrollBar(), "value", this)) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    _list->setModel(_model);
    _list->setItemDelegate(_itemView);
    _list->setUniformItemSizes(true);
    _list->setSelectionMode(QAbstractItemView::NoSelection);
    _list->setFocusPolicy(Qt::NoFocus);
    _list->setFrameShape(QFrame::NoFrame);
    _list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    _list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    _list->verticalScrollBar()->setStyleSheet(QString::fromLatin1(scrollBarStyle));
    _list->setAccessibleName(QStringLiteral("Results"));
    _list->setAutoFillBackground(false);
    _list->viewport()->setAutoFillBackground(false);
    connect(_list, &QListView::clicked, this, [this](const QModelIndex& index) {
        if (_onItemSelected && index.isValid())
            _onItemSelected(_model->resultItems().at(index.row()));
    });

    QFont placeholderFont = QApplication::font();
    placeholderFont.setPixelSize(13);
    _placeholder->setFont(placeholderFont);
    _placeholder->setTextFormat(Qt::PlainText);
    _placeholder->setWordWrap(true);
    _placeholder->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    _placeholder->setContentsMargins(placeholderPadding, 0, placeholderPadding, 0);
    _placeholder->setFixedHeight(_itemHeight);

    _scrollAnimation->setDuration(scrollDurationMs);
    _scrollAnimation->setEasingCurve(QEasingCurve::OutCubic);

    auto* backdropLayout = new QVBoxLayout(_backdrop);
    backdropLayout->setContentsMargins(0, 0, 0, 0);
    backdropLayout->setSpacing(0);
    backdropLayout->addWidget(_placeholder);
    backdropLayout->addWidget(_list);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(_backdrop);

    updatePlaceholder();
    updateLayout();
}

void ResultView::setResultItems(const ResultItems& items) {
    _scrollAnimation->stop();
    _model->setResultItems(items);
    updateLayout();
    // A new list starts with its selected row in view (or at its top), not
    // where the old one was scrolled.
    _list->doItemsLayout();
    const int selected = _model->selectedIndex();
    _list->verticalScrollBar()->setValue(
        selected >= 0 && selected < _model->rowCount() ? centredScrollValue(selected) : 0);
    announceSelectedRow();
}

void ResultView::setErrorMessage(const std::optional<QString>& message) {
    _errorMessage = message;
    updatePlaceholder();
}

void ResultView::setSelectedIndex(int index) {
    if (index == _model->selectedIndex())
        return;
    _model->setSelectedIndex(index);
    if (index < 0 || index >= _model->rowCount())
        return;
    announceSelectedRow();
    _scrollAnimation->stop();
    _scrollAnimation->setStartValue(_list->verticalScrollBar()->value());
    _scrollAnimation->setEndValue(centredScrollValue(index));
    _scrollAnimation->start();
}

int ResultView::selectedIndex() const {
    return _model->selectedIndex();
}

QString ResultView::spokenSummary() const {
    const int count = _model->rowCount();
    const int selected = _model->selectedIndex();
    if (selected >= 0 && selected < count) {
        const QModelIndex row = _model->index(selected);
        return row.data(Qt::AccessibleTextRole).toString() + QStringLiteral(", ") +
               row.data(Qt::AccessibleDescriptionRole).toString();
    }
    return _placeholder->text();
}

void ResultView::announceSelectedRow() {
    // The list never takes the focus (the field keeps it), so the row that
    // the arrows reach is announced as the list's active descendant.
    const int selected = _model->selectedIndex();
    if (selected < 0 || selected >= _model->rowCount() || !QAccessible::isActive())
        return;
    QAccessibleEvent event(_list, QAccessible::ActiveDescendantChanged);
    event.setChild(selected);
    QAccessible::updateAccessibility(&event);
}

int ResultView::contentHeight() const {
    const auto count = _model->rowCount();
    if (count == 0)
        return _itemHeight;
    return std::min(_maxVisibleItems, count) * _itemHeight;
}

QSize ResultView::sizeHint() const {
    return QSize(QWidget::sizeHint().width(), contentHeight());
}

QColor ResultView::placeholderColor() {
    return QColor(152, 152, 157);
}

QColor ResultView::messageColor() {
    return QColor(255, 69, 58);
}

void ResultView::updatePlaceholder() {
    const bool hasMessage = _errorMessage && !_errorMessage->isEmpty();
    _placeholder->setText(hasMessage ? *_errorMessage : QStringLiteral("No results"));
    QPalette palette = _placeholder->palette();
    palette.setColor(QPalette::WindowText, hasMessage ? messageColor() : placeholderColor());
    _placeholder->setPalette(palette);
}

void ResultView::updateLayout() {
    const bool empty = _model->rowCount() == 0;
    _placeholder->setVisible(empty);
    _list->setVisible(!empty);
    if (!empty)
        _list->setFixedHeight(contentHeight());
    setFixedHeight(contentHeight());
    updateGeometry();
}

int ResultView::centredScrollValue(int row) const {
    // Worked out from the rows rather than the scroll bar, whose range the
    // list only updates once it has laid the new rows out.
    const int visibleHeight = contentHeight();
    const int furthest = std::max(0, _model->rowCount() * _itemHeight - visibleHeight);
    const int rowCentre = row * _itemHeight + _itemHeight / 2;
    return std::clamp(rowCentre - visibleHeight / 2, 0, furthest);
}
