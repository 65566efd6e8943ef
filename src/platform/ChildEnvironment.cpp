// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/ChildEnvironment.h"

namespace {

const QString startupIdVariable = QStringLiteral("DESKTOP_STARTUP_ID");
const QString activationTokenVariable = QStringLiteral("XDG_ACTIVATION_TOKEN");

// Set for Vantri by whoever started it; each describes Vantri's own start.
const QString startVariables[] = {
    startupIdVariable,
    activationTokenVariable,
    QStringLiteral("DESKTOP_AUTOSTART_ID"),
    QStringLiteral("GIO_LAUNCHED_DESKTOP_FILE"),
    QStringLiteral("GIO_LAUNCHED_DESKTOP_FILE_PID"),
};

} // namespace

QProcessEnvironment childEnvironment(const StartupFocus& focus) {
    return childEnvironment(QProcessEnvironment::systemEnvironment(), focus);
}

QProcessEnvironment childEnvironment(QProcessEnvironment session, const StartupFocus& focus) {
    for (const QString& name : session.keys()) {
        if (name.startsWith(QLatin1String("VANTRI_")))
            session.remove(name);
    }
    for (const QString& name : startVariables)
        session.remove(name);
    if (!focus.startupId.isEmpty())
        session.insert(startupIdVariable, focus.startupId);
    if (!focus.activationToken.isEmpty())
        session.insert(activationTokenVariable, focus.activationToken);
    return session;
}
