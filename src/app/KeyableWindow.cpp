#include "app/KeyableWindow.h"

#include <QBitmap>
#include <QEvent>
#include <QImage>
#include <QLayout>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

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
    , _translucent(translucent) {
    setWindowTitle(QStringLiteral("Vantri"));
    setAttribute(Qt::WA_TranslucentBackground, translucent);
    if (!translucent) {
        QPalette backing = palette();
        backing.setColor(QPalette::Window, opaqueBacking);
        setPalette(backing);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

void KeyableWindow::setContentView(QWidget* view) {
    _contentView = view;
    layout()->addWidget(view);
}

bool KeyableWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate && isVisible())
        Q_EMIT deactivated();
    return QWidget::event(event);
}

void KeyableWindow::showEvent(QShowEvent* event) {
    // Shaped before the window is mapped, so it never appears unshaped.
    updateShape();
    QWidget::showEvent(event);
}

void KeyableWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The content lays itself out for the new size first.
    QTimer::singleShot(0, this, &KeyableWindow::updateShape);
}

void KeyableWindow::updateShape() {
    if (_translucent || !_contentView)
        return;
    activateLayouts(this);
    QImage painted(size(), QImage::Format_ARGB32_Premultiplied);
    painted.fill(Qt::transparent);
    _contentView->render(&painted, _contentView->pos(), QRegion(), QWidget::DrawChildren);
    // Content that paints nothing gives an empty shape, which leaves the window whole.
    setMask(QRegion(QBitmap::fromImage(painted.createAlphaMask())));
}
