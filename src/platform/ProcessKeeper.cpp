// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/ProcessKeeper.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ProcessKeeper {

namespace {

// The keeper is this program started anew with these arguments: the process
// that starts children may not keep running in a copy of itself (the parent
// waits for the copy to start a program), and nothing else can be relied on
// to be installed.
constexpr char keeperProgram[] = "/proc/self/exe";
constexpr char keeperFlag[] = "--vantri-keep-run";
constexpr int statusDescriptor = 3;

// Everything here runs in a copy of a process that had other threads, or
// before the program's own start: only system calls, no allocation, no
// lock that another thread may have held. The copy may share the parent's
// memory until it starts a program (Qt starts children with vfork's
// semantics), so an AddressSanitizer build must not mark stack frames here:
// the marks would land in the parent's bookkeeping.
// The kernel's own record for rt_sigaction, which the C library's differs from.
struct KernelSignalAction {
    void (*handler)(int);
    unsigned long flags;
    void (*restorer)();
    unsigned long mask;
};

// Through the system call itself: the C library's sigaction is bound on its
// first call, and a sanitizer build routes it through its own interceptor,
// neither of which is safe in this copy of the process.
[[gnu::no_sanitize_address]] void ignoreRequestsToEnd() {
    const KernelSignalAction ignore{SIG_IGN, 0, nullptr, 0};
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGPIPE})
        ::syscall(SYS_rt_sigaction, signal, &ignore, nullptr, sizeof ignore.mask);
}

[[noreturn]] void keep(pid_t child) {
    for (;;) {
        int status = 0;
        const pid_t ended = ::waitpid(-1, &status, 0);
        if (ended == child) {
            const ssize_t written = ::write(statusDescriptor, &status, sizeof status);
            static_cast<void>(written);
            ::close(statusDescriptor);
        } else if (ended < 0 && errno != EINTR) {
            ::_exit(0);
        }
    }
}

// Runs before main in every program that can start a keeper, and becomes
// the keeper when started as one.
void keepWhenAsked(int argumentCount, char** arguments, char**) {
    if (argumentCount != 3 || std::strcmp(arguments[1], keeperFlag) != 0)
        return;
    keep(static_cast<pid_t>(std::strtol(arguments[2], nullptr, 10)));
}

[[gnu::used, gnu::section(".init_array")]] void (*const keeperEntry)(int, char**,
                                                                     char**) = keepWhenAsked;

// `value` in decimal into `text`, which holds 24 characters.
[[gnu::no_sanitize_address]] void writeDecimal(long value, char* text) {
    char reversed[24];
    int length = 0;
    do {
        reversed[length++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0 && length < 23);
    for (int position = 0; position < length; ++position)
        text[position] = reversed[length - 1 - position];
    text[length] = '\0';
}

} // namespace

[[gnu::no_sanitize_address]] void splitOff(int statusPipe) noexcept {
    if (::access(keeperProgram, X_OK) != 0 || ::prctl(PR_SET_CHILD_SUBREAPER, 1) != 0)
        return;
    // The system call itself: the C library's fork would run handlers that
    // take locks the copied threads may have held.
    const long child = ::syscall(SYS_clone, SIGCHLD, nullptr, nullptr, nullptr, nullptr);
    if (child < 0) {
        ::prctl(PR_SET_CHILD_SUBREAPER, 0);
        return;
    }
    if (child == 0)
        return;
    // Only the status pipe goes with the keeper: an end of the program's own
    // pipes held there would keep them open for as long as it lives.
    if (statusPipe != statusDescriptor)
        ::dup2(statusPipe, statusDescriptor);
    if (::syscall(SYS_close_range, statusDescriptor + 1, ~0U, 0) != 0) {
        for (int descriptor = statusDescriptor + 1; descriptor < 65536; ++descriptor)
            ::close(descriptor);
    }
    const int nothing = ::open("/dev/null", O_RDWR);
    for (int stream = 0; stream < 3; ++stream)
        ::dup2(nothing, stream);
    ::close(nothing);
    char childText[24];
    writeDecimal(child, childText);
    char name[] = "vantri-keeper";
    char flag[sizeof keeperFlag];
    std::memcpy(flag, keeperFlag, sizeof keeperFlag);
    char* const arguments[] = {name, flag, childText, nullptr};
    char* const environment[] = {nullptr};
    // Before the new start, which takes a while: ignored signals stay ignored.
    ignoreRequestsToEnd();
    ::execve(keeperProgram, arguments, environment);
    // Nothing keeps the script now: it does not run unkept.
    ::kill(static_cast<pid_t>(child), SIGKILL);
    ::_exit(127);
}

QList<qint64> descendantsOf(qint64 pid) {
    QHash<qint64, QList<qint64>> children;
    const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& process : processes) {
        bool isNumber = false;
        const qint64 id = process.toLongLong(&isNumber);
        if (!isNumber)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(id));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid …": the name may hold spaces and parentheses.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1)
            children[fields[1].toLongLong()].append(id);
    }
    QList<qint64> descendants = children.value(pid);
    for (qsizetype next = 0; next < descendants.size(); ++next)
        descendants += children.value(descendants[next]);
    return descendants;
}

} // namespace ProcessKeeper
