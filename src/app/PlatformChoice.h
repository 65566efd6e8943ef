// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <functional>

// Which of Qt's platforms the GUI runs on, decided before the application
// object exists, because Qt ends the process when the platform it tries cannot
// start. Where an X server is reachable Vantri runs on it (through Xwayland in
// a Wayland session: there the panel can be frameless, above other windows and
// placed where it belongs); native Wayland only where there is no X server.
// A platform the user names in QT_QPA_PLATFORM is kept when it can start.
struct PlatformChoice {
    // The platform to ask Qt for; empty when what QT_QPA_PLATFORM says stands.
    QString platform;
    // When no platform can start: one line saying what is missing and how to
    // mend it; empty otherwise.
    QString failure;

    struct Environment {
        QString qpaPlatform;
        QString display;
        QString waylandDisplay;
    };
    // What is installed and who answers, asked only as the choice needs it.
    struct Probes {
        std::function<bool(const QString& plugin)> hasPlugin; // "xcb" or "wayland"
        std::function<bool(const QString& display)> x11Answers;
        std::function<bool(const QString& display)> waylandAnswers;
    };

    static PlatformChoice choose(const Environment& environment, const Probes& probes);
};

// Chooses for this process (its environment, Qt's plugin folders, the real
// display servers) and asks Qt for the platform through QT_QPA_PLATFORM until
// `withdraw` gives the variable back as it was, so that programs Vantri starts
// later choose their own.
class PlatformRequest {
public:
    PlatformRequest();
    PlatformRequest(const PlatformRequest&) = delete;
    PlatformRequest& operator=(const PlatformRequest&) = delete;

    const QString& failure() const { return _choice.failure; }
    // Call once the application object exists.
    void withdraw();

private:
    PlatformChoice _choice;
    bool _wasSet = false;
    QByteArray _previous;
};
