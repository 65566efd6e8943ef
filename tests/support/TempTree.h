// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <unistd.h>

// A folder tree of a test's own, removed when the test ends.
class TempTree {
public:
    TempTree();

    bool isValid() const { return _dir.isValid(); }
    // The absolute path of `relative` inside the tree (the tree itself when empty).
    QString path(const QString& relative = {}) const;
    // Writes `content` to `relative`, creating the folders on the way; returns the path.
    QString writeFile(const QString& relative, const QByteArray& content) const;
    // The same, made executable.
    QString writeProgram(const QString& relative, const QByteArray& content) const;
    QString makeDir(const QString& relative) const;

private:
    QTemporaryDir _dir;
};

// The whole of the file at `path`; nothing when it cannot be read.
inline QByteArray fileContents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What the process writes to standard output while `work` runs.
QByteArray standardOutputOf(const std::function<void()>& work);

// Whether the process `pid` has ended (a zombie left to a parent that does not reap counts).
inline bool processEnded(qint64 pid) {
    if (::kill(pid_t(pid), 0) != 0)
        return errno == ESRCH;
    return fileContents(QStringLiteral("/proc/%1/stat").arg(pid)).contains(") Z ");
}

// Whether an exclusive lock on the file at `path` could be had now; a missing file holds none.
inline bool lockIsFree(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

// Points HOME, the XDG folders and XDG_CURRENT_DESKTOP at a fresh tree for the
// lifetime of the object, so a test never reads or writes the user's own files
// and a Vantri it starts never reaches the user's running one (or another
// test's) through the runtime folder.
class IsolatedEnvironment {
public:
    IsolatedEnvironment();
    ~IsolatedEnvironment();
    IsolatedEnvironment(const IsolatedEnvironment&) = delete;
    IsolatedEnvironment& operator=(const IsolatedEnvironment&) = delete;

    const TempTree& tree() const { return _tree; }
    QString home() const { return _tree.path(QStringLiteral("home")); }
    QString configHome() const { return _tree.path(QStringLiteral("config")); }
    QString dataHome() const { return _tree.path(QStringLiteral("data")); }
    QString dataDirs() const { return _tree.path(QStringLiteral("share")); }
    QString runtimeDir() const { return _tree.path(QStringLiteral("runtime")); }

private:
    TempTree _tree;
    QList<QPair<QByteArray, QByteArray>> _saved;
};
