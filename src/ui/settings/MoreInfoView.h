// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ui/settings/SheetDialog.h"

// The support sheet: the version, who makes Vantri and where to find them.
// "Close" is the default button, so Return closes it.
class MoreInfoView : public SheetDialog {
    Q_OBJECT

public:
    explicit MoreInfoView(QWidget* parent);
};
