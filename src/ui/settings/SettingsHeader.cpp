// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/settings/SettingsHeader.h"

#include "product/AppVersion.h"
#include "product/ProductInfo.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QVBoxLayout>

namespace {
constexpr int logoSide = 32;
} // namespace

SettingsHeader::SettingsHeader(QWidget* parent)
    : QWidget(parent) {
    setCursor(Qt::PointingHandCursor);
    setToolTip(tr("About Vantri"));
    setAccessibleName(tr("About Vantri"));
    setFocusPolicy(Qt::StrongFocus);

    auto* name = new QLabel(ProductInfo::name);
    name->setObjectName(QStringLiteral("productName"));
    name->setProperty("role", "title");
    name->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* version = new QLabel(appVersionString());
    version->setObjectName(QStringLiteral("versionLabel"));
    version->setProperty("role", "caption");
    version->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* logo = new QLabel;
    logo->setObjectName(QStringLiteral("logo"));
    logo->setPixmap(QPixmap(QStringLiteral(":/logoinview.png")));
    logo->setScaledContents(true);
    logo->setFixedSize(logoSide, logoSide);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(0);
    texts->addWidget(name);
    texts->addWidget(version);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 16, 0);
    row->setSpacing(6);
    row->addLayout(texts, 1);
    row->addWidget(logo);
}

// The press is taken so that the release comes back here, wherever on the
// header it began.
void SettingsHeader::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void SettingsHeader::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

void SettingsHeader::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Q_EMIT clicked();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}
