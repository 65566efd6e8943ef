// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/PlatformChoice.h"

#include "platform/DisplayProbe.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>

namespace {

const QString xcb = QStringLiteral("xcb");
const QString wayland = QStringLiteral("wayland");

// The plugin family a platform name belongs to ("wayland-egl" is Wayland),
// or empty for platforms that need no display server (offscreen, vnc, ...).
QString family(const QString& platform) {
    const QString name = platform.section(QLatin1Char(':'), 0, 0).trimmed();
    if (name == xcb)
        return xcb;
    if (name.startsWith(wayland))
        return wayland;
    return {};
}

bool canStart(const QString& platformFamily, const PlatformChoice::Environment& environment,
              const PlatformChoice::Probes& probes) {
    if (platformFamily == xcb)
        return probes.hasPlugin(xcb) && probes.x11Answers(environment.display);
    if (platformFamily == wayland)
        return probes.hasPlugin(wayland) && probes.waylandAnswers(environment.waylandDisplay);
    return true;
}

// Why the default choice found nothing, and what the user can do about it.
QString explainNoDisplay(const PlatformChoice::Environment& environment,
                         const PlatformChoice::Probes& probes) {
    QStringList reasons;
    if (environment.display.isEmpty() && environment.waylandDisplay.isEmpty())
        return QStringLiteral("no display: neither DISPLAY nor WAYLAND_DISPLAY is set; start "
                              "Vantri inside a desktop session");
    if (!environment.display.isEmpty())
        reasons
            << (probes.hasPlugin(xcb)
                    ? QStringLiteral("no X server answers at DISPLAY=%1").arg(environment.display)
                    : QStringLiteral("Qt's X11 platform plugin is missing (install libqt6gui6)"));
    if (!environment.waylandDisplay.isEmpty())
        reasons << (probes.hasPlugin(wayland)
                        ? QStringLiteral("no Wayland compositor answers at WAYLAND_DISPLAY=%1")
                              .arg(environment.waylandDisplay)
                        : QStringLiteral(
                              "Qt's Wayland platform plugin is missing (install "
                              "qt6-wayland, or enable Xwayland so that DISPLAY is set)"));
    else
        reasons << QStringLiteral("WAYLAND_DISPLAY is not set");
    return QStringLiteral("cannot open a display: ") + reasons.join(QStringLiteral("; "));
}

bool hasPlatformPlugin(const QString& platformFamily) {
    QStringList folders = QCoreApplication::libraryPaths();
    folders << QLibraryInfo::path(QLibraryInfo::PluginsPath);
    const QString pattern = QStringLiteral("libq%1*.so").arg(platformFamily);
    for (const QString& folder : folders) {
        if (!QDir(folder + QStringLiteral("/platforms"))
                 .entryList({pattern}, QDir::Files | QDir::Readable)
                 .isEmpty())
            return true;
    }
    return false;
}

} // namespace

PlatformChoice PlatformChoice::choose(const Environment& environment, const Probes& probes) {
    if (!environment.qpaPlatform.isEmpty()) {
        // The user's list, tried in order by Qt: fine when any of it can start.
        for (const QString& platform : environment.qpaPlatform.split(QLatin1Char(';'))) {
            if (canStart(family(platform), environment, probes))
                return {};
        }
        return {{},
                QStringLiteral("none of the platforms in QT_QPA_PLATFORM=%1 can start (%2); "
                               "unset QT_QPA_PLATFORM to let Vantri choose")
                    .arg(environment.qpaPlatform, explainNoDisplay(environment, probes))};
    }
    if (!environment.display.isEmpty() && canStart(xcb, environment, probes))
        return {xcb, {}};
    if (!environment.waylandDisplay.isEmpty() && canStart(wayland, environment, probes))
        return {wayland, {}};
    return {{}, explainNoDisplay(environment, probes)};
}

PlatformRequest::PlatformRequest()
    : _wasSet(qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
    , _previous(qgetenv("QT_QPA_PLATFORM")) {
    // Where the Wayland client library looks for the compositor's socket.
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    _choice = PlatformChoice::choose(
        {qEnvironmentVariable("QT_QPA_PLATFORM"), qEnvironmentVariable("DISPLAY"),
         qEnvironmentVariable("WAYLAND_DISPLAY")},
        {&hasPlatformPlugin, &canConnectToX11, [&runtimeDir](const QString& display) {
             return canConnectToWayland(display, runtimeDir);
         }});
    if (!_choice.platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", _choice.platform.toLocal8Bit());
}

void PlatformRequest::withdraw() {
    if (_choice.platform.isEmpty())
        return;
    if (_wasSet)
        qputenv("QT_QPA_PLATFORM", _previous);
    else
        qunsetenv("QT_QPA_PLATFORM");
}
