// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "control/ChannelLocation.h"
#include "control/CommandLine.h"
#include "control/InstanceProtocol.h"
#include "control/StartLock.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// How a start of either program finds the running instance, or starts one.
// Starts are serialised by the start lock, which is taken only when no
// instance answered: a delivery to a running instance never waits on it.
namespace InstanceStart {

// How long a start waits for another start to finish, and for the running
// instance to carry a command out.
inline constexpr std::chrono::seconds instanceTimeout{10};
// How long a start waits for the program it started to listen.
inline constexpr std::chrono::seconds startTimeout{30};

// Prints "vantri: " and `message`, made printable, on standard error.
void report(const std::string& message);

// What a start of either program read from its command line, and where its
// channel is. `exitCode` is set when the program is done already: it printed
// help, its version or a usage error, or reported why no channel is usable.
struct Invocation {
    CommandLine commandLine;
    ChannelLocation location;
    std::optional<int> exitCode;
};

// `arguments` starts with the program's own name, as argv does.
Invocation readInvocation(const std::vector<std::string>& arguments);

struct Reach {
    // Set when this start is done (the command was carried out, or failed).
    std::optional<int> exitCode;
    // Otherwise no instance answers, and this start is to bring one up while
    // holding the lock (or without it, when the lock file is unusable).
    StartLock lock = StartLock::adopt(-1);
};

// Hands the command (Settings for a plain start) to the running instance.
Reach reachRunningInstance(std::optional<InstanceCommand> command, const ChannelLocation& location);

// The full program's exit status when it cannot start and has said why on
// standard error.
inline constexpr int startRefusedStatus = 1;

// Starts the full program at `program` in a session of its own, hands it the
// start lock and `command` (carried out as it starts, ahead of the rest of
// its launch), and waits until it listens. Returns why it failed (empty when
// the program has said so itself), or nothing.
std::optional<std::string> startInstance(const std::string& program, StartLock& lock,
                                         std::optional<InstanceCommand> command);

// What a program started by startInstance() was handed: it holds the start
// lock until it listens, then calls announceListening().
class Handoff {
public:
    // Takes the handoff from the environment, which then no longer names it
    // (so that children of the instance do not inherit it); nothing when this
    // process was started some other way.
    static std::optional<Handoff> take();

    Handoff(Handoff&& other) noexcept;
    ~Handoff();
    Handoff(const Handoff&) = delete;
    Handoff& operator=(const Handoff&) = delete;

    StartLock& lock() { return _lock; }
    // Tells the starter that the instance listens, and gives the lock back.
    void announceListening();

private:
    Handoff(int lockFd, int readyFd)
        : _lock(StartLock::adopt(lockFd))
        , _readyFd(readyFd) {}

    StartLock _lock;
    int _readyFd;
};

} // namespace InstanceStart
