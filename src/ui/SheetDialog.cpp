#include "ui/SheetDialog.h"

#include "ui/SettingsTheme.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr qreal cornerRadius = 15;

QPainterPath cardOutline(const QRectF& rect) {
    QPainterPath path;
    path.addRoundedRect(rect, cornerRadius, cornerRadius);
    return path;
}
} // namespace

SheetDialog::SheetDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setWindowModality(Qt::WindowModal);
    SettingsTheme::apply(this);
}

void SheetDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x3e, 0x44, 0x52), 1));
    painter.setBrush(palette().window());
    painter.drawPath(cardOutline(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5)));
}

// Without a compositor a translucent window shows black where it is not
// painted, so on X11 the rounded corners are cut out of the window itself.
void SheetDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        setMask(QRegion(cardOutline(rect()).toFillPolygon().toPolygon()));
}
