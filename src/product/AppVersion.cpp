// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "product/AppVersion.h"

#include "VersionInfo.h"

namespace {

// CMake leaves a value it was not given empty.
std::optional<QString> configuredValue(const char* value) {
    const QString text = QString::fromUtf8(value);
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

} // namespace

QString appVersionString(const std::optional<QString>& shortVersion,
                         const std::optional<QString>& buildVersion) {
    const QString unknown = QStringLiteral("Unknown");
    return QStringLiteral("v%1(%2)").arg(shortVersion.value_or(unknown),
                                         buildVersion.value_or(unknown));
}

QString appVersionString() {
    return appVersionString(configuredValue(VANTRI_SHORT_VERSION),
                            configuredValue(VANTRI_BUILD_VERSION));
}
