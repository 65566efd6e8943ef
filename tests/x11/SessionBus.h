// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "PrivateSessionBus.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTest>
#include <memory>
#include <vector>

// A D-Bus session bus of the test's own, set as this process's session bus,
// and the services a test starts on it (the accessibility bus, an input
// method). Everything it started is stopped when it is destroyed, the
// services before the bus.
class SessionBus {
public:
    ~SessionBus() {
        for (auto process = _processes.rbegin(); process != _processes.rend(); ++process) {
            (*process)->terminate();
            if (!(*process)->waitForFinished(3000))
                (*process)->kill();
            (*process)->waitForFinished();
        }
    }

    QString errorString() const { return _error; }

    bool isRunning() { return _bus.isRunning() || fail(_bus.errorString()); }

    // Starts `program` with `arguments` on the bus; null (with the reason)
    // when it is not installed or does not start.
    QProcess* startProcess(const QString& program, const QStringList& arguments) {
        const QString path =
            program.startsWith(u'/') ? program : QStandardPaths::findExecutable(program);
        if (path.isEmpty() || !QFileInfo(path).isExecutable()) {
            fail(program + QStringLiteral(" is not installed"));
            return nullptr;
        }
        auto& process = _processes.emplace_back(std::make_unique<QProcess>());
        process->setProcessChannelMode(QProcess::SeparateChannels);
        process->start(path, arguments);
        if (!process->waitForStarted()) {
            fail(program + QStringLiteral(" does not start: ") + process->errorString());
            return nullptr;
        }
        return process.get();
    }

    // Waits until `name` answers on the bus.
    bool waitForName(const QString& name, int timeoutMs = 20000) {
        const bool answered = QTest::qWaitFor(
            [&] {
                QProcess ping;
                ping.start(QStringLiteral("gdbus"),
                           {QStringLiteral("call"), QStringLiteral("--session"),
                            QStringLiteral("--dest"), QStringLiteral("org.freedesktop.DBus"),
                            QStringLiteral("--object-path"),
                            QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("--method"),
                            QStringLiteral("org.freedesktop.DBus.NameHasOwner"), name});
                return ping.waitForFinished() && ping.readAllStandardOutput().contains("true");
            },
            timeoutMs);
        return answered || fail(name + QStringLiteral(" never appeared on the session bus"));
    }

    // The accessibility bus and its registry, as a desktop session starts them.
    bool startAccessibilityBus() {
        return startProcess(QStringLiteral("/usr/libexec/at-spi-bus-launcher"),
                            {QStringLiteral("--launch-immediately")}) &&
               waitForName(QStringLiteral("org.a11y.Bus"));
    }

private:
    bool fail(const QString& reason) {
        _error = reason;
        return false;
    }

    PrivateSessionBus _bus;
    std::vector<std::unique_ptr<QProcess>> _processes;
    QString _error;
};
