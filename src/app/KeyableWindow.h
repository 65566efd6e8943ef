#pragma once

#include <QWidget>

// The launcher's window: frameless, above ordinary windows, left out of task
// bars, and able to take the keyboard focus. With a compositor it is
// translucent, so the rounded content shows the desktop around and between its
// shapes; without one it is shaped to what its content paints, so the corners
// and gaps show what lies behind instead of a black backing.
class KeyableWindow : public QWidget {
    Q_OBJECT

public:
    explicit KeyableWindow(bool translucent, QWidget* parent = nullptr);

    bool isTranslucent() const { return _translucent; }

    // Hosts `view` for the rest of the window's life, filling the window.
    void setContentView(QWidget* view);
    QWidget* contentView() const { return _contentView; }

Q_SIGNALS:
    // Another window took the activation while this one was shown.
    void deactivated();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateShape();

    const bool _translucent;
    QWidget* _contentView = nullptr;
};
