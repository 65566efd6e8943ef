// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/FolderChangeWatch.h"

#include <QFile>
#include <QSet>
#include <QSocketNotifier>

#include <sys/inotify.h>
#include <unistd.h>

namespace {
// Writes are seen on close and as they happen, so an editor that rewrites a
// file in place is noticed; reads never are, so a scan does not report itself.
constexpr uint32_t watchedEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY |
                                   IN_CLOSE_WRITE | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF |
                                   IN_ONLYDIR;
} // namespace

FolderChangeWatch::FolderChangeWatch(QObject* parent)
    : QObject(parent)
    , _inotify(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (_inotify < 0)
        return;
    _notifier = new QSocketNotifier(_inotify, QSocketNotifier::Read, this);
    connect(_notifier, &QSocketNotifier::activated, this, &FolderChangeWatch::readEvents);
}

FolderChangeWatch::~FolderChangeWatch() {
    if (_inotify >= 0)
        ::close(_inotify);
}

void FolderChangeWatch::setFolders(const QStringList& folders) {
    if (_inotify < 0)
        return;
    const QSet<QString> wanted(folders.cbegin(), folders.cend());
    for (auto watch = _watches.begin(); watch != _watches.end();) {
        if (wanted.contains(watch.key())) {
            ++watch;
            continue;
        }
        inotify_rm_watch(_inotify, watch.value());
        watch = _watches.erase(watch);
    }
    for (const QString& folder : wanted) {
        if (_watches.contains(folder))
            continue;
        const int watch =
            inotify_add_watch(_inotify, QFile::encodeName(folder).constData(), watchedEvents);
        if (watch >= 0)
            _watches.insert(folder, watch);
    }
}

void FolderChangeWatch::readEvents() {
    alignas(inotify_event) char buffer[16 * 1024];
    bool anyChange = false;
    for (;;) {
        const ssize_t length = ::read(_inotify, buffer, sizeof buffer);
        if (length <= 0)
            break;
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            // The system dropped the watch (its folder went): forget it.
            if (event->mask & IN_IGNORED) {
                for (auto watch = _watches.begin(); watch != _watches.end(); ++watch) {
                    if (watch.value() == event->wd) {
                        _watches.erase(watch);
                        break;
                    }
                }
            }
            anyChange = true;
        }
    }
    if (anyChange)
        Q_EMIT changed();
}
