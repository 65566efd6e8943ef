// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QWidget>
#include <chrono>
#include <memory>

class X11ActiveWindowWatch;

// The launcher's window: frameless, above ordinary windows, left out of task
// bars, and able to take the keyboard focus. With a compositor it is
// translucent, so the rounded content shows the desktop around and between its
// shapes; without one it is shaped to what its content paints, so the corners
// and gaps show what lies behind instead of a black backing.
class KeyableWindow : public QWidget {
    Q_OBJECT

public:
    // How long a place the window manager gave the window must last before
    // it counts as the window manager's own choice.
    static constexpr std::chrono::milliseconds placementSettleDelay{300};

    explicit KeyableWindow(bool translucent, QWidget* parent = nullptr);
    ~KeyableWindow() override;

    bool isTranslucent() const { return _translucent; }

    // Hosts `view` for the rest of the window's life, at the window's top left
    // and as large as the window (or as large as the view allows).
    void setContentView(QWidget* view);
    QWidget* contentView() const { return _contentView; }

    // Asks for the window at `topLeft`, `width` wide and as high as its
    // content. The top edge, the centre and the width stay; the height
    // follows setContentHeight, or is `fullHeight` once the window manager is
    // seen to place the window itself: it would move the window at every
    // change of size, so from then on the window keeps one size and what the
    // content leaves free is see-through.
    void place(const QPoint& topLeft, int width);
    void setContentHeight(int height);
    void setFullHeight(int height) { _fullHeight = height; }
    // Keeps the full height from the start, where the window manager is
    // known to place windows itself.
    void keepFullHeight();
    bool keepsFullHeight() const { return _keepsFullHeight; }

Q_SIGNALS:
    // The activation went from this window, while it was shown, to another
    // window or to none.
    void deactivated();
    // The first frame since the window was last shown has been drawn.
    void framePresented();
    // The window was hidden.
    void hidden();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void updateShape();
    void activeWindowChanged(quint64 activeWindow);
    void requestGeometry();
    void placedByWindowManager();

    const bool _translucent;
    QWidget* _contentView = nullptr;
    std::unique_ptr<X11ActiveWindowWatch> _activeWindowWatch;
    bool _activatedSinceShown = false;
    bool _lossReported = false;
    bool _isAwaitingFrame = false;
    // The size the shape was last worked out for.
    QSize _shapedSize;
    // Where the window was last asked to stand, and how high.
    QPoint _requestedTopLeft;
    int _requestedWidth = 0;
    int _contentHeight = 0;
    int _fullHeight = 0;
    bool _keepsFullHeight = false;
};
