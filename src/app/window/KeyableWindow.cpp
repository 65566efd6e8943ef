// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/window/KeyableWindow.h"

#include "platform/x11/X11ActiveWindowWatch.h"

#include <QBitmap>
#include <QEvent>
#include <QImage>
#include <QLayout>
#include <QMoveEvent>
#include <QPainter>
#include <QTimer>

#include <utility>

namespace {
// Behind the content's own translucent backdrops when nothing shows through.
const QColor opaqueBacking(28, 28, 30);

void activateLayouts(QWidget* widget) {
    widget->ensurePolished();
    if (QLayout* layout = widget->layout())
        layout->activate();
    for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        activateLayouts(child);
}
} // namespace

KeyableWindow::KeyableWindow(bool translucent, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , _translucent(translucent)
    , _activeWindowWatch(std::make_unique<X11ActiveWindowWatch>(
          [this](quint64 activeWindow) { activeWindowChanged(activeWindow); })) {
    // Never shown on screen, but it tells the window apart from the tray icon
    // for window manager rules and tools.
    setWindowTitle(QStringLiteral("Vantri Launcher"));
    setAttribute(Qt::WA_TranslucentBackground, translucent);
    if (!translucent) {
        QPalette backing = palette();
        backing.setColor(QPalette::Window, opaqueBacking);
        setPalette(backing);
    }
}

void KeyableWindow::setContentView(QWidget* view) {
    // No layout: the window's size is set from outside alone, and never held
    // up by a content size that is about to change.
    _contentView = view;
    view->setParent(this);
    view->setGeometry(rect());
    view->show();
}

KeyableWindow::~KeyableWindow() = default;

bool KeyableWindow::event(QEvent* event) {
    // Qt also makes up an activation of its own when the window is shown
    // again while still its focus window: with the window manager watched,
    // only the X server's focus on the window makes an activation real.
    if (event->type() == QEvent::WindowActivate &&
        (!_activeWindowWatch->isWatching() || _activeWindowWatch->inputFocus() == winId()))
        _activatedSinceShown = true;
    // Announced once the frame is out, from the event loop.
    if (event->type() == QEvent::Paint && std::exchange(_isAwaitingFrame, false))
        QMetaObject::invokeMethod(this, &KeyableWindow::framePresented, Qt::QueuedConnection);
    // Without the window manager's word, Qt's own deactivation is the best
    // there is.
    if (event->type() == QEvent::WindowDeactivate && isVisible() &&
        !_activeWindowWatch->isWatching())
        Q_EMIT deactivated();
    return QWidget::event(event);
}

void KeyableWindow::activeWindowChanged(quint64 activeWindow) {
    if (!isVisible())
        return;
    if (activeWindow == winId()) {
        _activatedSinceShown = true;
        _lossReported = false;
        return;
    }
    // A change still under way from before this window was activated again
    // (the focus moving on when it was last hidden) takes nothing from it, and
    // the window manager may announce the same window more than once. No
    // active window at all is a loss too: a click on the bare desktop, or the
    // focus going to a window the X server does not know (a native Wayland
    // window, seen through Xwayland). But while the window manager passes the
    // activation on, it may announce no window for a moment although the
    // focus is still here: only the X server's word on the focus tells the two
    // apart.
    if (activeWindow == 0 && _activeWindowWatch->inputFocus() == winId())
        return;
    if (_activatedSinceShown && !std::exchange(_lossReported, true))
        Q_EMIT deactivated();
}

void KeyableWindow::showEvent(QShowEvent* event) {
    _activatedSinceShown = false;
    _lossReported = false;
    _isAwaitingFrame = true;
    // Shaped before the window is mapped, so it never appears unshaped.
    updateShape();
    QWidget::showEvent(event);
}

void KeyableWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    Q_EMIT hidden();
}

void KeyableWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (_contentView)
        _contentView->setGeometry(rect());
    // The content lays itself out for the new size first. Shown at a new
    // size, the window is shaped at once and need not be again.
    QTimer::singleShot(0, this, [this] {
        if (size() != _shapedSize)
            updateShape();
    });
}

void KeyableWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (isVisible() && !_keepsFullHeight && pos() != _requestedTopLeft)
        placedByWindowManager();
}

void KeyableWindow::place(const QPoint& topLeft, int width) {
    _requestedTopLeft = topLeft;
    _requestedWidth = width;
    requestGeometry();
}

void KeyableWindow::setContentHeight(int height) {
    _contentHeight = height;
    requestGeometry();
}

void KeyableWindow::keepFullHeight() {
    _keepsFullHeight = true;
    requestGeometry();
}

void KeyableWindow::requestGeometry() {
    // The position goes with every request: some window managers keep a
    // window where it was asked to be only until its size changes.
    const int height = _keepsFullHeight ? _fullHeight : _contentHeight;
    setGeometry(QRect(_requestedTopLeft, QSize(_requestedWidth, height)));
}

void KeyableWindow::placedByWindowManager() {
    // A window manager passes the window through other places while it maps
    // it (its frame's origin, say): only where the window stays counts.
    QTimer::singleShot(placementSettleDelay, this, [this] {
        if (_keepsFullHeight || !isVisible() || pos() == _requestedTopLeft)
            return;
        keepFullHeight();
    });
}

void KeyableWindow::updateShape() {
    if (_translucent || !_contentView)
        return;
    _shapedSize = size();
    activateLayouts(this);
    QImage painted(size(), QImage::Format_ARGB32_Premultiplied);
    painted.fill(Qt::transparent);
    _contentView->render(&painted, _contentView->pos(), QRegion(), QWidget::DrawChildren);
    // Content that paints nothing gives an empty shape, which leaves the window whole.
    setMask(QRegion(QBitmap::fromImage(painted.createAlphaMask())));
}
