// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "control/StartLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

StartLock StartLock::acquire(const std::string& path, std::chrono::milliseconds timeout) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return {Outcome::unusable, -1};
    // flock() has no timeout of its own; starts are rare, so polling costs nothing.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return {Outcome::held, fd};
        if (errno != EWOULDBLOCK && errno != EINTR) {
            ::close(fd);
            return {Outcome::unusable, -1};
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            return {Outcome::busy, -1};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

StartLock StartLock::adopt(int fd) {
    return {fd >= 0 ? Outcome::held : Outcome::unusable, fd};
}

StartLock::StartLock(StartLock&& other) noexcept
    : _outcome(other._outcome)
    , _fd(other._fd) {
    other._fd = -1;
}

StartLock& StartLock::operator=(StartLock&& other) noexcept {
    if (this != &other) {
        release();
        _outcome = other._outcome;
        _fd = other._fd;
        other._fd = -1;
    }
    return *this;
}

StartLock::~StartLock() {
    release();
}

void StartLock::release() {
    if (_fd >= 0)
        ::close(_fd);
    _fd = -1;
}
