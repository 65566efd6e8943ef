// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <chrono>
#include <string>

// The lock that serialises starts of the instance: an exclusive flock() on a
// file beside the socket. The kernel gives it back when the last descriptor of
// the holder goes, so a start that is killed never leaves it held. Moving the
// object moves the hold.
class StartLock {
public:
    enum class Outcome {
        held,
        busy,     // another start held it for the whole wait
        unusable, // the lock file cannot be opened: nothing to serialise with
    };

    // Waits up to `timeout` for the lock at `path`.
    static StartLock acquire(const std::string& path, std::chrono::milliseconds timeout);
    // Adopts the descriptor of a lock a parent process took and handed down.
    static StartLock adopt(int fd);

    StartLock(StartLock&& other) noexcept;
    StartLock& operator=(StartLock&& other) noexcept;
    StartLock(const StartLock&) = delete;
    StartLock& operator=(const StartLock&) = delete;
    ~StartLock();

    Outcome outcome() const { return _outcome; }
    // The held lock's descriptor, or -1.
    int fd() const { return _fd; }
    void release();

private:
    StartLock(Outcome outcome, int fd)
        : _outcome(outcome)
        , _fd(fd) {}

    Outcome _outcome;
    int _fd;
};
