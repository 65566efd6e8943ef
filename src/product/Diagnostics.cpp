// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "product/Diagnostics.h"

#include <cstdio>

Q_LOGGING_CATEGORY(vantriLog, "vantri", QtInfoMsg)

void printSaveFailure(const QString& what, const QString& reason) {
    std::fputs(qUtf8Printable(QStringLiteral("Failed to save %1: %2\n").arg(what, reason)), stdout);
    std::fflush(stdout);
}
