// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "TempTree.h"
#include "index/AppIndexManager.h"
#include "state/AppState.h"

#include <QPushButton>

// An AppState in an environment of its own, indexing an applications folder of the test's.
struct SettingsState {
    IsolatedEnvironment environment;
    AppState appState{std::make_unique<AppIndexManager>(
        QStringList{environment.tree().makeDir(QStringLiteral("apps"))},
        environment.dataHome() + QStringLiteral("/Vantri/appIndex.json"))};
};

// The first button under `parent` showing `text` (and marked `property`, when one is named).
inline QPushButton* buttonShowing(const QWidget& parent, const QString& text,
                                  const char* property = nullptr) {
    for (QPushButton* candidate : parent.findChildren<QPushButton*>()) {
        if (candidate->text() == text && (!property || candidate->property(property).isValid()))
            return candidate;
    }
    qFatal("no button %s", qPrintable(text));
}
