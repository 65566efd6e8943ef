// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/AtomicFile.h"

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

} // namespace

std::optional<QString> replaceFileAtomically(const QString& path, QByteArrayView content) {
    const QByteArray target = QFile::encodeName(path);
    QByteArray temporary;
    int descriptor = -1;
    // A name of our own beside the target, so that the rename stays on one file system.
    while (descriptor < 0) {
        temporary = target + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        descriptor = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0 && errno != EEXIST)
            return systemReason(errno);
    }
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
