// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Writes all of `content`, going on after interruptions; the errno of the
// failure, or 0.
int writeAll(int descriptor, QByteArrayView content) {
    qsizetype written = 0;
    while (written < content.size()) {
        const ssize_t count = ::write(descriptor, content.data() + written,
                                      static_cast<size_t>(content.size() - written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return errno;
        written += count;
    }
    return 0;
}

// The suffix is a random 32-bit number in base 36: one to seven of 0-9, a-z.
constexpr int suffixBase = 36;

QByteArray temporaryName(const QByteArray& target) {
    return target + '.' + QByteArray::number(QRandomGenerator::global()->generate(), suffixBase);
}

bool isTemporarySuffix(const QString& suffix) {
    if (suffix.isEmpty() || suffix.size() > 7 || suffix != suffix.toLower())
        return false;
    bool isNumber = false;
    const qulonglong value = suffix.toULongLong(&isNumber, suffixBase);
    return isNumber && value <= 0xFFFFFFFFULL;
}

} // namespace

std::optional<QString> replaceFileAtomically(const QString& path, QByteArrayView content) {
    const QByteArray target = QFile::encodeName(path);
    QByteArray temporary;
    int descriptor = -1;
    // A name of our own beside the target, so that the rename stays on one file system.
    while (descriptor < 0) {
        temporary = temporaryName(target);
        descriptor = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0 && errno != EEXIST)
            return systemReason(errno);
    }
    // Held while it is written, so that a clean-up of leftovers passes it by.
    ::flock(descriptor, LOCK_EX);
    int error = writeAll(descriptor, content);
    if (error == 0 && ::fsync(descriptor) != 0)
        error = errno;
    // A full disk may only show when the data is flushed, so closing is checked too.
    if (::close(descriptor) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.constData(), target.constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.constData());
        return systemReason(error);
    }
    return std::nullopt;
}

int removeInterruptedReplacements(const QString& path) {
    const QFileInfo target(path);
    const QString prefix = target.fileName() + u'.';
    int removed = 0;
    const QStringList candidates =
        QDir(target.absolutePath())
            .entryList({prefix + u'*'},
                       QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QString& name : candidates) {
        if (!isTemporarySuffix(name.sliced(prefix.size())))
            continue;
        const QByteArray candidate = QFile::encodeName(target.absoluteDir().filePath(name));
        const int descriptor = ::open(candidate.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (descriptor < 0)
            continue;
        struct stat status = {};
        // One being written now is locked by its writer.
        if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) &&
            ::flock(descriptor, LOCK_EX | LOCK_NB) == 0 && ::unlink(candidate.constData()) == 0)
            ++removed;
        ::close(descriptor);
    }
    return removed;
}
