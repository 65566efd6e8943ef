// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>

// A D-Bus session bus of the test's own (dbus-daemon), with the services it
// can start on demand (dconf's, for GSettings), so that a test never talks to
// the user's desktop. This process's DBUS_SESSION_BUS_ADDRESS points at it
// while it lives: create it before anything connects to a session bus.
class PrivateSessionBus {
public:
    PrivateSessionBus() {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty()) {
            _error = QStringLiteral("dbus-daemon is not installed (package dbus)");
            return;
        }
        _daemon.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"),
                       QStringLiteral("--print-address=1")});
        if (!_daemon.waitForStarted() || !_daemon.waitForReadyRead(10000)) {
            _error = QStringLiteral("dbus-daemon did not start: ") + _daemon.errorString();
            return;
        }
        _address = QString::fromUtf8(_daemon.readLine().trimmed());
        _previous = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("DBUS_SESSION_BUS_ADDRESS", _address.toUtf8());
    }
    ~PrivateSessionBus() {
        if (!_address.isEmpty())
            qputenv("DBUS_SESSION_BUS_ADDRESS", _previous);
        _daemon.terminate();
        _daemon.waitForFinished();
    }
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    bool isRunning() const { return !_address.isEmpty(); }
    QString errorString() const { return _error; }
    QString address() const { return _address; }

private:
    QProcess _daemon;
    QString _address;
    QString _error;
    QByteArray _previous;
};
