// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDialog>

class VisualEffectView;

// A modal sheet over a window: a frameless card on the launcher's rounded
// backdrop that blocks its parent's window while it is open and is centred
// over it. Subclasses lay their content out in card().
class SheetDialog : public QDialog {
    Q_OBJECT

public:
    explicit SheetDialog(QWidget* parent);

protected:
    QWidget* card() const;
    void resizeEvent(QResizeEvent* event) override;

private:
    VisualEffectView* _card;
};
