// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "control/InstanceStart.h"

#include "control/InstanceClient.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace InstanceStart {

namespace {

// Names the descriptors of the start lock and of the pipe on which the
// started program announces that it listens: "<lock>,<ready>".
constexpr const char* handoffVariable = "VANTRI_START_HANDOFF";
constexpr char listeningByte = 'L';

int exitCodeOf(const InstanceClient::Delivery& delivery) {
    if (delivery.result == InstanceClient::Delivery::Result::failed) {
        report(delivery.error);
        return 1;
    }
    return 0;
}

// Waits for the started program to announce that it listens; on failure, says why.
std::optional<std::string> awaitListening(pid_t child, int readyFd) {
    const auto deadline = std::chrono::steady_clock::now() + startTimeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd watched{readyFd, POLLIN, 0};
        const int ready = ::poll(&watched, 1, static_cast<int>(std::max<long>(left.count(), 0)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0)
            return "Vantri did not start within " + std::to_string(startTimeout.count()) +
                   " seconds";
        char byte = 0;
        ssize_t count = -1;
        do
            count = ::read(readyFd, &byte, 1);
        while (count < 0 && errno == EINTR);
        if (count == 1 && byte == listeningByte)
            return std::nullopt;
        break;
    }
    // The pipe closed without the announcement: the program ended at start.
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status))
        return "Vantri could not start: it was ended by signal " +
               std::to_string(WTERMSIG(status)) + " (" + ::strsignal(WTERMSIG(status)) + ")";
    // Status 1 is the program's own refusal to start, which it has already
    // explained on standard error: one line says it all.
    if (WIFEXITED(status) && WEXITSTATUS(status) == startRefusedStatus)
        return std::string();
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
        return "Vantri could not start: it ended with status " +
               std::to_string(WEXITSTATUS(status));
    return "Vantri could not start: it ended before it was ready";
}

// Whether `fd` is open on a file of type `type` (S_IFREG, S_IFIFO, ...).
bool isOpenAs(int fd, mode_t type) {
    struct stat status {};
    return fd >= 0 && ::fstat(fd, &status) == 0 && (status.st_mode & S_IFMT) == type;
}

bool keepAcrossExec(int fd) {
    return fd < 0 || ::fcntl(fd, F_SETFD, 0) == 0;
}

} // namespace

void report(const std::string& message) {
    const std::string line = "vantri: " + InstanceProtocol::printable(message) + "\n";
    std::fputs(line.c_str(), stderr);
}

Invocation readInvocation(const std::vector<std::string>& arguments) {
    Invocation invocation{CommandLine::parse(arguments), {}, std::nullopt};
    const CommandLine& commandLine = invocation.commandLine;
    if (commandLine.exitCode) {
        std::fputs(commandLine.standardOutput.c_str(), stdout);
        std::fputs(commandLine.standardError.c_str(), stderr);
        invocation.exitCode = commandLine.exitCode;
        return invocation;
    }
    invocation.location = ChannelLocation::find();
    if (!invocation.location.error.empty()) {
        report(invocation.location.error);
        invocation.exitCode = startRefusedStatus;
    }
    return invocation;
}

Reach reachRunningInstance(std::optional<InstanceCommand> command,
                           const ChannelLocation& location) {
    const InstanceCommand delivered = command.value_or(InstanceCommand::settings);
    // The desktop's proof that the user asked for the panel, so that the
    // running instance may give it the focus. An instance this start brings
    // up finds the same tokens in the environment it inherits.
    const ActivationToken activation = ActivationToken::fromEnvironment();
    InstanceClient::Delivery delivery =
        InstanceClient::deliver(location.socketPath, delivered, instanceTimeout, activation);
    if (delivery.result != InstanceClient::Delivery::Result::noInstance)
        return {exitCodeOf(delivery)};
    if (command && !InstanceProtocol::startsInstance(*command))
        return {0};

    StartLock lock = StartLock::acquire(location.startLockPath, instanceTimeout);
    if (lock.outcome() == StartLock::Outcome::busy) {
        report("another start of Vantri has not finished");
        return {1};
    }
    // Another start may have brought an instance up while this one waited.
    // A lock file that cannot be opened at all (a read-only folder) leaves
    // nothing to serialise with: go on without it.
    delivery = InstanceClient::deliver(location.socketPath, delivered, instanceTimeout, activation);
    if (delivery.result != InstanceClient::Delivery::Result::noInstance)
        return {exitCodeOf(delivery)};
    return {std::nullopt, std::move(lock)};
}

std::optional<std::string> startInstance(const std::string& program, StartLock& lock,
                                         std::optional<InstanceCommand> command) {
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0)
        return std::string("cannot start Vantri: ") + std::strerror(errno);
    const std::string handoff = std::to_string(lock.fd()) + "," + std::to_string(ready[1]);
    const std::string commandName(command ? InstanceProtocol::name(*command) : std::string_view());
    const pid_t child = ::fork();
    if (child < 0) {
        const int error = errno;
        ::close(ready[0]);
        ::close(ready[1]);
        return std::string("cannot start Vantri: ") + std::strerror(error);
    }
    if (child == 0) {
        // The instance outlives this command: a session of its own keeps the
        // terminal's hangup and job control from reaching it.
        ::setsid();
        // Standard output and error stay the caller's until the instance
        // listens, so that a failure to start is told where the command runs.
        const int nothing = ::open("/dev/null", O_RDONLY);
        if (nothing >= 0) {
            ::dup2(nothing, STDIN_FILENO);
            if (nothing > STDERR_FILENO)
                ::close(nothing);
        }
        if (!keepAcrossExec(lock.fd()) || !keepAcrossExec(ready[1]) ||
            ::setenv(handoffVariable, handoff.c_str(), 1) != 0)
            ::_exit(127);
        if (command)
            ::execl(program.c_str(), program.c_str(), commandName.c_str(),
                    static_cast<char*>(nullptr));
        else
            ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        const std::string failed =
            "vantri: cannot run " + program + ": " + std::strerror(errno) + "\n";
        (void)!::write(STDERR_FILENO, failed.data(), failed.size());
        ::_exit(127);
    }
    ::close(ready[1]);
    std::optional<std::string> failure = awaitListening(child, ready[0]);
    ::close(ready[0]);
    lock.release();
    return failure;
}

std::optional<Handoff> Handoff::take() {
    const char* value = std::getenv(handoffVariable);
    if (!value)
        return std::nullopt;
    int lockFd = -1;
    int readyFd = -1;
    const bool valid = std::sscanf(value, "%d,%d", &lockFd, &readyFd) == 2;
    ::unsetenv(handoffVariable);
    if (!valid)
        return std::nullopt;
    // Anyone can set the variable: a number that does not name a descriptor
    // of the expected kind (the lock file, the pipe to the starter) is left
    // alone rather than written to, unlocked or closed.
    if (!isOpenAs(lockFd, S_IFREG))
        lockFd = -1;
    if (!isOpenAs(readyFd, S_IFIFO))
        readyFd = -1;
    // Neither descriptor is for the instance's own children.
    for (const int fd : {lockFd, readyFd}) {
        if (fd >= 0)
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    return Handoff(lockFd, readyFd);
}

Handoff::Handoff(Handoff&& other) noexcept
    : _lock(std::move(other._lock))
    , _readyFd(other._readyFd) {
    other._readyFd = -1;
}

Handoff::~Handoff() {
    if (_readyFd >= 0)
        ::close(_readyFd);
}

void Handoff::announceListening() {
    // Whoever reads a pipe on the other end (`out=$(vantri show)`,
    // `vantri toggle | cat`) waits for every writer to close it, and the
    // instance never would. A terminal, a file or the journal keeps receiving
    // its diagnostics.
    if (const int nothing = ::open("/dev/null", O_WRONLY | O_CLOEXEC); nothing >= 0) {
        for (const int fd : {STDOUT_FILENO, STDERR_FILENO}) {
            if (isOpenAs(fd, S_IFIFO))
                ::dup2(nothing, fd);
        }
        ::close(nothing);
    }
    if (_readyFd >= 0) {
        (void)!::write(_readyFd, &listeningByte, 1);
        ::close(_readyFd);
        _readyFd = -1;
    }
    _lock.release();
}

} // namespace InstanceStart
