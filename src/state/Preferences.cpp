// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "state/Preferences.h"

#include "product/Diagnostics.h"

#include <QSaveFile>

namespace {

// QSettings only says that it failed. Opening the file the way it writes it
// (a new file beside the old one, renamed over it) fails again for the same
// reason, and the system's words for that reason are what the user can act on.
QString writeFailure(const QSettings& preferences) {
    if (preferences.status() == QSettings::FormatError)
        return QStringLiteral("%1 is not a readable preferences file").arg(preferences.fileName());
    QSaveFile probe(preferences.fileName());
    if (!probe.open(QIODevice::WriteOnly))
        return QStringLiteral("%1: %2").arg(preferences.fileName(), probe.errorString());
    probe.cancelWriting();
    return QStringLiteral("%1 could not be written").arg(preferences.fileName());
}

} // namespace

std::unique_ptr<QSettings> openPreferences() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Vantri"), QStringLiteral("Vantri"));
}

void writePreference(const QString& key, const QVariant& value) {
    const std::unique_ptr<QSettings> preferences = openPreferences();
    preferences->setValue(key, value);
    preferences->sync();
    if (preferences->status() == QSettings::NoError)
        return;
    printSaveFailure(QStringLiteral("preferences"), writeFailure(*preferences));
}
