// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/xdg/ApplicationOpener.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

ApplicationLaunch openApplication(const QString& path) {
    if (path.endsWith(QLatin1String(".desktop")))
        return launchDesktopEntryFile(path);
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        return {true, {}};
    return {false, QStringLiteral("Nothing opens %1").arg(QFileInfo(path).fileName())};
}
