// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QProcessEnvironment>
#include <QString>

// How the window of a program being started is to get the focus: the startup
// id announced for it on X11, the activation token the Wayland compositor
// issued for it. Empty where there is none.
struct StartupFocus {
    QString startupId;
    QString activationToken;
};

// The environment a program Vantri starts (an application, a script) gets:
// the session's own, less everything that speaks of Vantri rather than of the
// session: every VANTRI_* variable, the autostart id the session manager gave
// Vantri, the startup id and activation token Vantri itself was started with,
// and the variables naming the entry Vantri was launched from. Where `focus`
// holds a startup id or token made for this start, the child gets those.
// Qt's platform choice needs no removal here: Vantri sets QT_QPA_PLATFORM only
// until its application object exists and then puts back the session's value.
QProcessEnvironment childEnvironment(const StartupFocus& focus = {});
// The same, from `session` instead of this process's environment.
QProcessEnvironment childEnvironment(QProcessEnvironment session, const StartupFocus& focus);
