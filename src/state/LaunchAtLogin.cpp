// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "state/LaunchAtLogin.h"

#include "platform/xdg/Autostart.h"
#include "product/ProductInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

bool launchAtLoginEnabled() {
    return Autostart::isEnabled(Autostart::entryPath());
}

void setLaunchAtLogin(bool enabled) {
    const QString entryPath = Autostart::entryPath();
    if (!enabled) {
        Autostart::disable(entryPath);
    } else if (!Autostart::isEnabled(entryPath)) {
        Autostart::enable(entryPath, Autostart::installedCommand(ProductInfo::desktopId +
                                                                 QStringLiteral(".desktop"))
                                         .value_or(Autostart::commandFor(userProgramPath(
                                             QCoreApplication::applicationFilePath()))));
    }
}

QString userProgramPath(const QString& runningProgram) {
    const QDir folder = QFileInfo(runningProgram).dir();
    for (const QString& candidate : {folder.filePath(QStringLiteral("vantri")),
                                     folder.filePath(QStringLiteral("../../bin/vantri"))}) {
        const QFileInfo program(candidate);
        if (program.isFile() && program.isExecutable())
            return program.absoluteFilePath();
    }
    return runningProgram;
}
