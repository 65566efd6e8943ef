// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// Every key Vantri keeps in its preferences file.
namespace PreferenceKeys {
inline const QString savedShortcut = QStringLiteral("vantricommandshortcut");
inline const QString scriptFolderPath = QStringLiteral("scriptFolderPath");
inline const QString accessibilityGranted = QStringLiteral("accessibilityGranted");
inline const QString accessibilityPromptShown = QStringLiteral("accessibilityPromptShown");
} // namespace PreferenceKeys
