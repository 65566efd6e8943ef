// The full program. `vantri` (src/control) starts it when no instance
// answers; started directly, it looks for the running instance the same way
// and never becomes a second one.
#include "app/AppDelegate.h"
#include "app/InstanceServer.h"
#include "app/VantriApp.h"
#include "control/ChannelLocation.h"
#include "control/CommandLine.h"
#include "control/InstanceStart.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <string>
#include <vector>

namespace {

void carryOut(VantriApp& scene, InstanceCommand command) {
    switch (command) {
    case InstanceCommand::toggle:
        scene.appDelegate().toggleLauncher();
        return;
    case InstanceCommand::show:
        scene.appDelegate().showLauncher();
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
    QApplication application(argc, argv);
    // Vantri lives in the tray: closing the settings window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    VantriApp scene;
    InstanceServer server(QString::fromStdString(location.socketPath),
                          [&scene](InstanceCommand received) { carryOut(scene, received); });
    if (!server.listen()) {
        InstanceStart::report("cannot listen on " + location.socketPath + " (" +
                              server.errorString().toStdString() + ")");
        return 1;
    }
    startLock.release();
    if (handoff)
        handoff->announceListening();
    // The command first (only those that start an instance come here: the
    // panel, mostly), before the loop runs anything queued during start-up;
    // the rest of the launch once the panel's window is on its way, so that
    // nothing the panel needs waits behind the tray, the hotkey or the index.
    if (command)
        carryOut(scene, *command);
    QTimer::singleShot(0, &scene, &VantriApp::finishLaunching);
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("Vantri"));
    QCoreApplication::setOrganizationName(QStringLiteral("Vantri"));

    const CommandLine commandLine = CommandLine::parse(std::vector<std::string>(argv, argv + argc));
    if (commandLine.exitCode) {
        std::fputs(commandLine.standardOutput.c_str(), stdout);
        std::fputs(commandLine.standardError.c_str(), stderr);
        return *commandLine.exitCode;
    }
    const ChannelLocation location = ChannelLocation::find();
    if (!location.error.empty()) {
        InstanceStart::report(location.error);
        return 1;
    }

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
