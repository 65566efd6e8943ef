#pragma once

#include <QWidget>
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
    explicit KeyableWindow(bool translucent, QWidget* parent = nullptr);
    ~KeyableWindow() override;

    bool isTranslucent() const { return _translucent; }

    // Hosts `view` for the rest of the window's life, at the window's top left
    // and as large as the window (or as large as the view allows).
    void setContentView(QWidget* view);
    QWidget* contentView() const { return _contentView; }

Q_SIGNALS:
    // The activation went from this window, while it was shown, to another
    // window or to none.
    void deactivated();
    // The window was shown or moved at `topLeft` (by the window manager too).
    void moved(const QPoint& topLeft);
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

    const bool _translucent;
    QWidget* _contentView = nullptr;
    std::unique_ptr<X11ActiveWindowWatch> _activeWindowWatch;
    bool _activatedSinceShown = false;
    bool _lossReported = false;
    bool _isAwaitingFrame = false;
    // The size the shape was last worked out for.
    QSize _shapedSize;
};
