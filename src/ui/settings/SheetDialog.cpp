// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/settings/SheetDialog.h"

#include "ui/VisualEffectView.h"
#include "ui/settings/SettingsTheme.h"

#include <QGuiApplication>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {
constexpr qreal cornerRadius = 15;
} // namespace

SheetDialog::SheetDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , _card(new VisualEffectView(cornerRadius)) {
    setWindowModality(Qt::WindowModal);
    SettingsTheme::apply(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(_card);
}

QWidget* SheetDialog::card() const {
    return _card;
}

// Without a compositor a translucent window shows black where it is not
// painted, so on X11 the rounded corners are cut out of the window itself.
void SheetDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    QPainterPath outline;
    outline.addRoundedRect(rect(), cornerRadius, cornerRadius);
    setMask(QRegion(outline.toFillPolygon().toPolygon()));
}
