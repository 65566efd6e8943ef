#pragma once

#include <QString>

// Who makes Vantri and where to reach them, as the support sheet and the
// settings panel show it. Everything public about the product is set here.
namespace ProductInfo {
inline const QString name = QStringLiteral("Vantri");
inline const QString developer = QStringLiteral("The Vantri developers");
// The project has no public address of its own yet: these stay on the
// reserved example domain until it has, so that nothing points at a stranger.
inline const QString email = QStringLiteral("support@vantri.example");
inline const QString website = QStringLiteral("https://vantri.example");
inline const QString scriptsRepository = QStringLiteral("https://vantri.example/scripts");
} // namespace ProductInfo
