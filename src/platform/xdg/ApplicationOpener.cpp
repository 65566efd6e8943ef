// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/xdg/ApplicationOpener.h"

#include "platform/xdg/DesktopEntryLaunch.h"

#include <QDesktopServices>
#include <QUrl>

bool openApplication(const QString& path) {
    if (path.endsWith(QLatin1String(".desktop")))
        return launchDesktopEntryFile(path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
