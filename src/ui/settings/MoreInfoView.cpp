// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/settings/MoreInfoView.h"

#include "product/AppVersion.h"
#include "product/ProductInfo.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLayout* makeRow(const QString& label, const QString& value) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 6, 0, 6);
    row->addWidget(new QLabel(label));
    row->addStretch();
    auto* valueLabel = new QLabel(value);
    valueLabel->setProperty("role", "rowValue");
    // Addresses are there to be copied.
    valueLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(valueLabel);
    return row;
}

} // namespace

MoreInfoView::MoreInfoView(QWidget* parent)
    : SheetDialog(parent) {
    setWindowTitle(tr("Vantri Launcher Support"));

    auto* layout = new QVBoxLayout(card());
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(20);
    layout->setAlignment(Qt::AlignCenter);

    auto* title = new QLabel(tr("Vantri Launcher Support"));
    title->setProperty("role", "largeTitle");
    layout->addWidget(title, 0, Qt::AlignHCenter);

    auto* rows = new QGroupBox;
    rows->setMinimumWidth(320);
    auto* rowLayout = new QVBoxLayout(rows);
    rowLayout->setContentsMargins(16, 10, 16, 10);
    rowLayout->setSpacing(10);
    rowLayout->addLayout(makeRow(tr("Version:"), appVersionString()));
    rowLayout->addLayout(makeRow(tr("Developer:"), ProductInfo::developer));
    rowLayout->addLayout(makeRow(tr("Email:"), ProductInfo::email));
    rowLayout->addLayout(makeRow(tr("Website:"), ProductInfo::website));
    rowLayout->addLayout(makeRow(tr("Scripts Repo:"), ProductInfo::scriptsRepository));
    layout->addWidget(rows, 0, Qt::AlignHCenter);

    auto* closeButton = new QPushButton(tr("Close"));
    closeButton->setDefault(true);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(closeButton, 0, Qt::AlignHCenter);

    setFixedSize(400 + 2 * 16, 300 + 2 * 16);
}
