#pragma once

#include <QString>

// Every key Vantri keeps in its preferences file.
namespace PreferenceKeys {
inline const QString savedShortcut = QStringLiteral("vantricommandshortcut");
inline const QString scriptFolderPath = QStringLiteral("scriptFolderPath");
inline const QString accessibilityGranted = QStringLiteral("accessibilityGranted");
inline const QString accessibilityPromptShown = QStringLiteral("accessibilityPromptShown");
} // namespace PreferenceKeys
