// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The full program. `vantri` (src/control) starts it when no instance
// answers; started directly, it looks for the running instance the same way
// and never becomes a second one.
#include "app/AppDelegate.h"
#include "app/PlatformChoice.h"
#include "app/VantriApp.h"
#include "control/ChannelLocation.h"
#include "control/CommandLine.h"
#include "control/InstanceStart.h"
#include "instance/InstanceServer.h"

#include <QApplication>
#include <QTimer>

#include <string>
#include <vector>

namespace {

void carryOut(VantriApp& scene, InstanceCommand command, const ActivationToken& activation) {
    switch (command) {
    case InstanceCommand::toggle:
        scene.appDelegate().toggleLauncher(activation);
        return;
    case InstanceCommand::show:
        scene.appDelegate().showLauncher(activation);
        return;
    case InstanceCommand::hide:
        scene.appDelegate().hideLauncher();
        return;
    case InstanceCommand::settings:
        scene.openSettingsWindow();
        return;
    case InstanceCommand::quit:
        QCoreApplication::quit();
        return;
    }
}

// Runs the instance. The start lock is held until it listens, so that no
// other start can become one meanwhile.
int runInstance(int& argc, char** argv, const ChannelLocation& location, StartLock& startLock,
                std::optional<InstanceStart::Handoff>& handoff,
                std::optional<InstanceCommand> command) {
    // The tokens this start was given belong to the command it carries out
    // (Qt's X11 platform would otherwise take the startup id for itself);
    // nothing this instance starts later may inherit them.
    const ActivationToken startActivation = ActivationToken::takeFromEnvironment();
    PlatformRequest platform;
    if (!platform.failure().isEmpty()) {
        InstanceStart::report(platform.failure().toStdString());
        return InstanceStart::startRefusedStatus;
    }
    QApplication application(argc, argv);
    platform.withdraw();
    // Vantri lives in the tray: closing the settings window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    VantriApp scene;
    InstanceServer server(QString::fromStdString(location.socketPath),
                          [&scene](InstanceCommand received, const ActivationToken& activation) {
                              carryOut(scene, received, activation);
                          });
    if (!server.listen()) {
        InstanceStart::report("cannot listen on " + location.socketPath + " (" +
                              server.errorString().toStdString() + ")");
        return InstanceStart::startRefusedStatus;
    }
    // The command first (only those that start an instance come here: the
    // panel, mostly), before the loop runs anything queued during start-up;
    // the rest of the launch once the panel has drawn its first frame, so
    // that nothing the panel needs waits behind the tray, the hotkey or the
    // scripts.
    // The starter returns once it is carried out, as with a running instance.
    if (command)
        carryOut(scene, *command, startActivation);
    startLock.release();
    if (handoff)
        handoff->announceListening();
    scene.finishLaunchingSoon();
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("Vantri"));
    QCoreApplication::setOrganizationName(QStringLiteral("Vantri"));

    const InstanceStart::Invocation invocation =
        InstanceStart::readInvocation(std::vector<std::string>(argv, argv + argc));
    if (invocation.exitCode)
        return *invocation.exitCode;
    const CommandLine& commandLine = invocation.commandLine;
    const ChannelLocation& location = invocation.location;

    // Started by `vantri`, which found no instance and holds the start lock
    // for this process; started any other way, look for the instance first.
    std::optional<InstanceStart::Handoff> handoff = InstanceStart::Handoff::take();
    InstanceStart::Reach reach;
    if (!handoff) {
        reach = InstanceStart::reachRunningInstance(commandLine.command, location);
        if (reach.exitCode)
            return *reach.exitCode;
    }
    return runInstance(argc, argv, location, handoff ? handoff->lock() : reach.lock, handoff,
                       commandLine.command);
}
