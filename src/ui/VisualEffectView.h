// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QWidget>

// The dark, semi-transparent rounded backdrop behind the search field and the
// result list. It paints only itself; whatever it holds is laid out on top.
class VisualEffectView : public QWidget {
    Q_OBJECT

public:
    explicit VisualEffectView(qreal cornerRadius, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal _cornerRadius;
};
