// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/hotkey/HotKeyRegistration.h"

#include "app/hotkey/HotKeyBackends.h"
#include "app/hotkey/ShortcutNames.h"
#include "app/hotkey/ShortcutParser.h"
#include "platform/AccessibilityTrust.h"
#include "platform/gnome/GnomeShortcuts.h"
#include "platform/kde/KdeGlobalShortcut.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

HotKeyPlace::Route HotKeyRegistration::chooseRoute(const Session& session) {
    using Route = HotKeyPlace::Route;
    // The desktop's own service first: on Plasma X11 too, where a grab of our
    // own would compete with the service for the same keys.
    if (session.desktops.contains(QLatin1String("KDE")) && session.kdeServiceRunning)
        return Route::kdeShortcuts;
    if (session.desktops.contains(QLatin1String("GNOME")) && session.gnomeShortcutsAvailable)
        return Route::gnomeShortcuts;
    if (session.canGrabOnX11 && !session.isWayland)
        return Route::x11Grab;
    return session.isSway ? Route::swayConfig : Route::desktopSettings;
}

HotKeyRegistration::Session HotKeyRegistration::thisSession() {
    Session session;
    session.desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
    session.isWayland = qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
                        qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    session.isSway =
        session.desktops.contains(QLatin1String("sway")) || qEnvironmentVariableIsSet("SWAYSOCK");
    session.canGrabOnX11 = isProcessTrusted();
    if (session.desktops.contains(QLatin1String("KDE")))
        session.kdeServiceRunning = KdeGlobalShortcut::isServiceRunning();
    if (session.desktops.contains(QLatin1String("GNOME")))
        session.gnomeShortcutsAvailable = GnomeShortcuts::isAvailable();
    return session;
}

QString HotKeyRegistration::clientProgram() {
    const QDir folder(QCoreApplication::applicationDirPath());
    // Beside the full program in a build tree; two folders up, in bin/, when
    // installed (the full program lives in libexec/vantri/).
    for (const QString& candidate : {folder.filePath(QStringLiteral("vantri")),
                                     folder.filePath(QStringLiteral("../../bin/vantri"))}) {
        const QFileInfo program(candidate);
        if (program.isFile() && program.isExecutable())
            return program.canonicalFilePath();
    }
    return QStringLiteral("vantri");
}

HotKeyRegistration::HotKeyRegistration(HotKeyPlace::Route route, std::function<void()> onPress,
                                       QString clientProgram)
    : _clientProgram(std::move(clientProgram))
    , _backend(makeHotKeyBackend(route, std::move(onPress), _clientProgram)) {}

HotKeyRegistration::~HotKeyRegistration() = default;

HotKeyPlace::Route HotKeyRegistration::route() const {
    return _backend->route();
}

bool HotKeyRegistration::bindsKeys() const {
    return _backend->bindsKeys();
}

HotKeyOutcome HotKeyRegistration::registerShortcut(const QString& shortcut) {
    const std::optional<ParsedShortcut> parsed = parseShortcut(shortcut);
    if (!parsed) {
        _backend->unbind();
        return {HotKeyOutcome::Status::none, {}, {}};
    }
    switch (_backend->bind(*parsed)) {
    case HotKeyBackend::Binding::bound:
        return {HotKeyOutcome::Status::registered, {}, placeFor(shortcut)};
    case HotKeyBackend::Binding::refused:
        return {HotKeyOutcome::Status::refused,
                QCoreApplication::translate("HotKeyRegistration",
                                            "%1 is used by another program — choose another")
                    .arg(shortcut),
                {}};
    case HotKeyBackend::Binding::failed:
        return {HotKeyOutcome::Status::failed,
                QCoreApplication::translate("HotKeyRegistration",
                                            "The desktop did not take %1 — try again")
                    .arg(shortcut),
                {}};
    case HotKeyBackend::Binding::leftToTheUser:
        break;
    }
    return {HotKeyOutcome::Status::leftToTheUser, {}, placeFor(shortcut)};
}

HotKeyPlace HotKeyRegistration::placeFor(const QString& shortcut) const {
    const std::optional<ParsedShortcut> parsed = parseShortcut(shortcut);
    if (!parsed)
        return {};
    HotKeyPlace place{route(), ShortcutNames::forPeople(*parsed), {}};
    if (place.route == HotKeyPlace::Route::swayConfig)
        place.bindingLine =
            QStringLiteral("bindsym %1 exec %2")
                .arg(ShortcutNames::swayKeys(*parsed), toggleCommand(_clientProgram));
    else if (place.route == HotKeyPlace::Route::desktopSettings)
        place.bindingLine = toggleCommand(_clientProgram);
    return place;
}
