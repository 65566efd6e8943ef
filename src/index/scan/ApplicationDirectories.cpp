// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "index/scan/ApplicationDirectories.h"

#include <QDir>
#include <QStandardPaths>

namespace ApplicationDirectories {

namespace {

// The freedesktop base directory rules: only absolute entries count.
QStringList dataDirectories() {
    QStringList directories;
    const QString variable = qEnvironmentVariable("XDG_DATA_DIRS");
    for (const QString& entry : variable.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(entry))
            directories.append(QDir::cleanPath(entry));
    }
    if (directories.isEmpty())
        directories = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    return directories;
}

// $XDG_DATA_HOME, or ~/.local/share; the same folder the index is kept in.
QString dataHome() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

} // namespace

QStringList defaultDirectories() {
    const QString userHome = QDir::homePath();
    QStringList directories = {
        userHome + QStringLiteral("/Applications"),
        userHome + QStringLiteral("/Applications/Utilities"),
        QStringLiteral("/Applications"),
        QStringLiteral("/System/Applications"),
        QStringLiteral("/Applications/Utilities"),
        QStringLiteral("/System/Applications/Utilities"),
        QStringLiteral("/System/Cryptexes/App/System/Applications"),
    };
    // XDG_DATA_DIRS lists the most important folder first; walk it last.
    const QStringList dataDirs = dataDirectories();
    for (auto it = dataDirs.crbegin(); it != dataDirs.crend(); ++it)
        directories.append(*it + QStringLiteral("/applications"));
    if (const QString home = dataHome(); !home.isEmpty())
        directories.append(home + QStringLiteral("/applications"));
    return directories;
}

QString defaultIndexFilePath() {
    const QString dataFolder = dataHome();
    if (dataFolder.isEmpty())
        return {};
    return dataFolder + QStringLiteral("/Vantri/appIndex.json");
}

} // namespace ApplicationDirectories
