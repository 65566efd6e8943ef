// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// Who makes Vantri and where to reach them, as the support sheet and the
// settings panel show it. Everything public about the product is set here.
namespace ProductInfo {
inline const QString name = QStringLiteral("Vantri");
inline const QString developer = QStringLiteral("The Vantri developers");
// SPDX identifier of the licence the program is published under.
inline const QString licence = QStringLiteral("GPL-3.0-or-later");
// The project has no public address of its own yet: these stay on the
// reserved example domain until it has, so that nothing points at a stranger.
inline const QString email = QStringLiteral("support@vantri.example");
inline const QString website = QStringLiteral("https://vantri.example");
inline const QString scriptsRepository = QStringLiteral("https://vantri.example/scripts");
// The installed desktop entry, icon and metadata are named after this id
// (reverse DNS on the project's own domain).
inline const QString desktopId = QStringLiteral("example.vantri.Vantri");
// The one-colour tray icon of the installed icon theme, which desktops recolour
// to suit light and dark panels.
inline const QString trayIconName = desktopId + QStringLiteral("-symbolic");
} // namespace ProductInfo
