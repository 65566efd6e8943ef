// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "state/HotKeyPlace.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class HotKeyBackend;

// What registering a combination came to; the caller decides what the user sees.
struct HotKeyOutcome {
    enum class Status {
        registered,    // in force
        refused,       // held by another program or shortcut; the previous one stays
        failed,        // not stored by the desktop's service; the previous one stays
        leftToTheUser, // the user binds it: `place` says how
        none           // the string names no combination; nothing is in force
    };
    Status status = Status::none;
    // When refused or failed: why, in words for the user.
    QString refusal;
    // Where the combination in force lives now.
    HotKeyPlace place;
};

// The global key on this desktop, by one route chosen once, at construction,
// from the session: KDE's shortcut service, GNOME's keyboard shortcuts, a grab
// on the X server, or a binding the user adds (sway's configuration, another
// desktop's settings). Main thread only.
class HotKeyRegistration {
public:
    // What the route is chosen from.
    struct Session {
        QStringList desktops; // XDG_CURRENT_DESKTOP, split at ':'
        bool isWayland = false;
        bool isSway = false;
        // Whether a grab on the X server is global: an X11 session, not Xwayland.
        bool canGrabOnX11 = false;
        bool kdeServiceRunning = false;
        bool gnomeShortcutsAvailable = false;
    };
    static HotKeyPlace::Route chooseRoute(const Session& session);
    // This process's session; asks the bus and GSettings only on the desktops they serve.
    static Session thisSession();
    // The `vantri` program beside this one, or where an installation puts it.
    static QString clientProgram();

    // Presses that reach this process run `onPress` on the main thread.
    HotKeyRegistration(HotKeyPlace::Route route, std::function<void()> onPress,
                       QString clientProgram = HotKeyRegistration::clientProgram());
    ~HotKeyRegistration();
    HotKeyRegistration(const HotKeyRegistration&) = delete;
    HotKeyRegistration& operator=(const HotKeyRegistration&) = delete;

    HotKeyPlace::Route route() const;
    // Whether the key reaches Vantri from anywhere on the desktop without the
    // user's doing: grabbed, or bound through the desktop's own service.
    bool bindsKeys() const;

    // Puts `shortcut` (the stored symbol string) in force in place of the
    // current combination. A refused or failed one leaves the current one in
    // force; a string that names no combination lets it go.
    HotKeyOutcome registerShortcut(const QString& shortcut);

private:
    HotKeyPlace placeFor(const QString& shortcut) const;

    QString _clientProgram;
    std::unique_ptr<HotKeyBackend> _backend;
};
