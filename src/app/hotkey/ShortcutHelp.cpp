// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/hotkey/ShortcutHelp.h"

#include "platform/AccessibilityTrust.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

namespace {

const QString sectionHeading = QStringLiteral("### A key for the panel on Wayland desktops");

// The section from its heading to the next heading of the same or a higher level.
QByteArray readmeSection() {
    QFile readme(QStringLiteral(":/README.md"));
    if (!readme.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromUtf8(readme.readAll()).split(u'\n');
    const qsizetype start = lines.indexOf(sectionHeading);
    if (start < 0)
        return {};
    QStringList section{lines[start]};
    for (qsizetype line = start + 1; line < lines.size(); ++line) {
        if (lines[line].startsWith(QLatin1String("# ")) ||
            lines[line].startsWith(QLatin1String("## ")) ||
            lines[line].startsWith(QLatin1String("### ")))
            break;
        section << lines[line];
    }
    return section.join(u'\n').trimmed().toUtf8() + '\n';
}

} // namespace

QString writeShortcutHelp(const QString& folder) {
    const QByteArray section = readmeSection();
    if (section.isEmpty() || !QDir().mkpath(folder))
        return {};
    QSaveFile file(QDir(folder).filePath(QStringLiteral("A key for the panel.md")));
    if (!file.open(QIODevice::WriteOnly) || file.write(section) != section.size() || !file.commit())
        return {};
    return file.fileName();
}

void openShortcutSettingsOrHelp() {
    if (openShortcutSettings())
        return;
    const QString help = writeShortcutHelp(
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation))
            .filePath(QStringLiteral("Vantri")));
    // Nothing else is left to show when even that fails.
    if (!help.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(help));
}
