// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QWidget>

// The settings panel's header: the product name and version beside the logo.
// One click anywhere on it, or Space or Return while it has the focus, emits
// clicked().
class SettingsHeader : public QWidget {
    Q_OBJECT

public:
    explicit SettingsHeader(QWidget* parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
