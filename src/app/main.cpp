#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/InstanceChannel.h"
#include "app/InstanceServer.h"
#include "app/PlatformChoice.h"
#include "app/VantriApp.h"

#include <QApplication>
#include <QLockFile>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <memory>

namespace {

// How long a start waits for another start to finish, and for the running
// instance to carry a command out.
constexpr std::chrono::seconds instanceTimeout{10};

void print(FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

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

// Hands the command (Settings for a plain start) to the running instance.
// Returns this process's exit code when it is done, or nothing when it is to
// become the instance; the start lock is then held, so that no other start can
// become one meanwhile.
std::optional<int> handToRunningInstance(std::optional<InstanceCommand> command,
                                         const QString& socketPath, QLockFile& startLock) {
    if (!startLock.tryLock(std::chrono::milliseconds(instanceTimeout).count()) &&
        startLock.error() == QLockFile::LockFailedError) {
        print(stderr, QStringLiteral("vantri: another start of Vantri has not finished\n"));
        return 1;
    }
    // A start lock that cannot be created at all (a read-only runtime folder)
    // leaves nothing to serialise with: go on without it.
    const InstanceChannel::Delivery delivery = InstanceChannel::deliver(
        socketPath, command.value_or(InstanceCommand::settings), instanceTimeout);
    switch (delivery.result) {
    case InstanceChannel::Delivery::Result::carriedOut:
        return 0;
    case InstanceChannel::Delivery::Result::failed:
        print(stderr, QStringLiteral("vantri: %1\n").arg(delivery.error));
        return 1;
    case InstanceChannel::Delivery::Result::noInstance:
        break;
    }
    if (command && !InstanceCommands::startsInstance(*command))
        return 0;
    return std::nullopt;
}

int runInstance(int& argc, char** argv, const QString& socketPath, QLockFile& startLock,
                std::optional<InstanceCommand> command) {
    PlatformRequest platform;
    if (!platform.failure().isEmpty()) {
        print(stderr, QStringLiteral("vantri: %1\n").arg(platform.failure()));
        return 1;
    }
    QApplication application(argc, argv);
    platform.withdraw();
    // Vantri lives in the tray: closing the settings window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    VantriApp scene;
    QTimer::singleShot(0, &scene.appDelegate(), &AppDelegate::applicationDidFinishLaunching);
    InstanceServer server(socketPath,
                          [&scene](InstanceCommand received) { carryOut(scene, received); });
    if (!server.listen())
        print(stderr, QStringLiteral("vantri: cannot listen on %1 (%2); later starts will not "
                                     "reach this one\n")
                          .arg(socketPath, server.errorString()));
    startLock.unlock();
    if (command)
        QTimer::singleShot(0, &scene, [&scene, command] { carryOut(scene, *command); });
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("Vantri"));
    QCoreApplication::setOrganizationName(QStringLiteral("Vantri"));

    // Reaching the running instance needs no display, and leaving the GUI out
    // keeps `vantri toggle` quick: the GUI application replaces this one only
    // when this process is to become the instance.
    auto client = std::make_unique<QCoreApplication>(argc, argv);
    const CommandLine commandLine = CommandLine::parse(QCoreApplication::arguments());
    if (commandLine.exitCode) {
        print(stdout, commandLine.standardOutput);
        print(stderr, commandLine.standardError);
        return *commandLine.exitCode;
    }

    const QString socketPath = InstanceChannel::defaultSocketPath();
    QLockFile startLock(InstanceChannel::startLockPath(socketPath));
    if (const std::optional<int> exitCode =
            handToRunningInstance(commandLine.command, socketPath, startLock))
        return *exitCode;
    client.reset();
    return runInstance(argc, argv, socketPath, startLock, commandLine.command);
}
