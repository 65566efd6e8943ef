// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/RegularFile.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class Descriptor {
public:
    explicit Descriptor(int descriptor)
        : _descriptor(descriptor) {}
    ~Descriptor() {
        if (_descriptor >= 0)
            ::close(_descriptor);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return _descriptor; }

private:
    int _descriptor;
};

} // namespace

// Plain system calls: the index reads tens of thousands of small files, and
// one open, one fstat and one read each is the least that costs.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxSize) {
    // O_NONBLOCK: opening a pipe for reading would otherwise wait for a writer.
    const Descriptor file(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.get() < 0)
        return std::nullopt;
    struct stat status {};
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > maxSize)
        return std::nullopt;
    // One byte more than expected, to notice a file that grew past the limit.
    QByteArray content(static_cast<qsizetype>(status.st_size) + 1, Qt::Uninitialized);
    qsizetype filled = 0;
    while (true) {
        const ssize_t count = ::read(file.get(), content.data() + filled,
                                     static_cast<size_t>(content.size() - filled));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return std::nullopt;
        if (count == 0)
            break;
        filled += count;
        if (filled == content.size()) {
            if (content.size() > maxSize)
                return std::nullopt;
            content.resize(qMin<qint64>(content.size() * 2, maxSize + 1));
        }
    }
    content.truncate(filled);
    return content;
}
