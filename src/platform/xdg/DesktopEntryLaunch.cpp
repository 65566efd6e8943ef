// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/xdg/DesktopEntryLaunch.h"

#include "platform/ChildEnvironment.h"
#include "platform/wayland/WaylandActivationToken.h"
#include "platform/x11/X11StartupNotice.h"
#include "platform/xdg/ApplicationScope.h"
#include "platform/xdg/DesktopEntryCommand.h"
#include "platform/xdg/TerminalCommand.h"
#include "product/Diagnostics.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

namespace {

constexpr int activationTimeoutMs = 5000;

// Where `program` is, or empty when it is not installed.
QString installedProgram(const QString& program) {
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo file(program);
        return file.isFile() && file.isExecutable() ? program : QString();
    }
    return QStandardPaths::findExecutable(program);
}

// Activates an entry that has no command over D-Bus, on a worker thread.
void activateOverDBus(const QString& id, const StartupFocus& focus) {
    QString name = id;
    if (name.endsWith(QLatin1String(".desktop")))
        name.chop(8);
    QString objectPath = QLatin1Char('/') + name;
    objectPath.replace(QLatin1Char('.'), QLatin1Char('/'))
        .replace(QLatin1Char('-'), QLatin1Char('_'));
    QDBusMessage call = QDBusMessage::createMethodCall(
        name, objectPath, QStringLiteral("org.freedesktop.Application"),
        QStringLiteral("Activate"));
    QVariantMap platformData;
    if (!focus.startupId.isEmpty())
        platformData.insert(QStringLiteral("desktop-startup-id"), focus.startupId);
    if (!focus.activationToken.isEmpty())
        platformData.insert(QStringLiteral("activation-token"), focus.activationToken);
    call << platformData;
    (void)QtConcurrent::run([call, startupId = focus.startupId] {
        const QDBusMessage reply =
            QDBusConnection::sessionBus().call(call, QDBus::Block, activationTimeoutMs);
        if (reply.type() != QDBusMessage::ErrorMessage)
            return;
        qCWarning(vantriLog) << "cannot activate" << call.service() << ":" << reply.errorMessage();
        if (!startupId.isEmpty())
            QMetaObject::invokeMethod(qApp, [startupId] { withdrawX11Startup(startupId); });
    });
}

// Asked for before the panel hides: the token names the panel as the window
// the user acted in. A token is asked for whatever the entry says of startup
// notification: unlike an X11 notice, which shows launch feedback until the
// program ends it, a token unused costs nothing.
StartupFocus focusFor(const DesktopEntryCommand& command, const QString& program,
                      const QString& path) {
    StartupFocus focus;
    if (command.notifiesStartup)
        focus.startupId =
            announceX11Startup({command.name, command.icon, QFileInfo(program).fileName(), path})
                .value_or(QString());
    QString applicationId = desktopFileId(path);
    if (applicationId.endsWith(QLatin1String(".desktop")))
        applicationId.chop(8);
    focus.activationToken = requestWaylandActivationToken(applicationId).value_or(QString());
    return focus;
}

} // namespace

QString desktopFileId(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString folder = QStringLiteral("/applications/");
    const qsizetype below = absolute.lastIndexOf(folder);
    if (below < 0)
        return QFileInfo(path).fileName();
    return absolute.mid(below + folder.size()).replace(QLatin1Char('/'), QLatin1Char('-'));
}

ApplicationLaunch launchDesktopEntryFile(const QString& path) {
    const DesktopEntryCommand::Read read = DesktopEntryCommand::read(path);
    if (!read.command)
        return {false, read.failure};
    const DesktopEntryCommand& command = *read.command;
    const QString id = desktopFileId(path);
    if (command.arguments.isEmpty()) {
        activateOverDBus(id, focusFor(command, {}, path));
        return {true, {}};
    }

    QStringList words = command.arguments;
    if (command.runsInTerminal) {
        const std::optional<QStringList> inTerminal = terminalCommand(words);
        if (!inTerminal)
            return {false, QStringLiteral("No terminal found to open %1 in").arg(command.name)};
        words = *inTerminal;
    }
    const QString program = installedProgram(words.first());
    if (program.isEmpty())
        return {false, QStringLiteral("%1 cannot start: %2 is not installed")
                           .arg(command.name, words.first())};
    if (!command.workingDirectory.isEmpty() && !QFileInfo(command.workingDirectory).isDir())
        return {false, QStringLiteral("%1 cannot start: its folder %2 does not exist")
                           .arg(command.name, command.workingDirectory)};

    const StartupFocus focus = focusFor(command, program, path);
    QProcess process;
    process.setProgram(program);
    process.setArguments(words.mid(1));
    process.setWorkingDirectory(command.workingDirectory);
    process.setProcessEnvironment(childEnvironment(focus));
    process.setStandardInputFile(QProcess::nullDevice());
    qint64 processId = 0;
    // Started in a session of its own and not as Vantri's child: it outlives
    // Vantri, and nothing here waits for it.
    if (!process.startDetached(&processId)) {
        if (!focus.startupId.isEmpty())
            withdrawX11Startup(focus.startupId);
        return {false,
                QStringLiteral("%1 cannot start: %2").arg(command.name, process.errorString())};
    }
    placeInApplicationScope(id, processId);
    return {true, {}};
}

ApplicationLaunch launchDesktopEntryId(const QString& id) {
    // An id "vendor-app.desktop" may also be the file "vendor/app.desktop".
    QStringList candidates{id};
    for (qsizetype dash = id.indexOf(QLatin1Char('-')); dash > 0;
         dash = id.indexOf(QLatin1Char('-'), dash + 1))
        candidates << QString(id).replace(dash, 1, QLatin1Char('/'));
    for (const QString& folder :
         QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
        for (const QString& candidate : candidates) {
            const QString path = QDir(folder).filePath(candidate);
            if (QFileInfo(path).isFile())
                return launchDesktopEntryFile(path);
        }
    }
    return {false, QStringLiteral("%1 is not installed").arg(id)};
}
