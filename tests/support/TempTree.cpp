// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TempTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

TempTree::TempTree() = default;

QByteArray standardOutputOf(const std::function<void()>& work) {
    std::fflush(stdout);
    QTemporaryFile capture;
    if (!capture.open())
        return "(cannot capture standard output)";
    const int saved = ::dup(STDOUT_FILENO);
    ::dup2(capture.handle(), STDOUT_FILENO);
    work();
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    capture.seek(0);
    return capture.readAll();
}

QString TempTree::path(const QString& relative) const {
    return relative.isEmpty() ? _dir.path() : _dir.filePath(relative);
}

QString TempTree::writeFile(const QString& relative, const QByteArray& content) const {
    const QString filePath = path(relative);
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    QFile file(filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(content) != content.size())
        qFatal("cannot write test file %s", qPrintable(filePath));
    return filePath;
}

QString TempTree::writeProgram(const QString& relative, const QByteArray& content) const {
    const QString filePath = writeFile(relative, content);
    QFile::setPermissions(filePath, QFile::permissions(filePath) | QFile::ExeOwner);
    return filePath;
}

QString TempTree::makeDir(const QString& relative) const {
    const QString dirPath = path(relative);
    if (!QDir().mkpath(dirPath))
        qFatal("cannot create test folder %s", qPrintable(dirPath));
    return dirPath;
}

IsolatedEnvironment::IsolatedEnvironment() {
    // Qt refuses a runtime folder that others may read.
    QFile::setPermissions(_tree.makeDir(u"runtime"_s),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QList<QPair<const char*, QString>> variables = {
        {"HOME", _tree.makeDir(u"home"_s)},
        {"XDG_CONFIG_HOME", _tree.makeDir(u"config"_s)},
        {"XDG_DATA_HOME", _tree.makeDir(u"data"_s)},
        {"XDG_DATA_DIRS", _tree.makeDir(u"share"_s)},
        {"XDG_RUNTIME_DIR", runtimeDir()},
        {"XDG_CURRENT_DESKTOP", u"Vantri-Test"_s},
    };
    for (const auto& [name, value] : variables) {
        _saved.append({name, qgetenv(name)});
        qputenv(name, value.toUtf8());
    }
    // QSettings caches its files per path: start from a clean slate.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configHome());
}

IsolatedEnvironment::~IsolatedEnvironment() {
    for (const auto& [name, value] : _saved) {
        if (value.isNull())
            qunsetenv(name.constData());
        else
            qputenv(name.constData(), value);
    }
}
