// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/FolderChangeWatch.h"

#include <QFile>
#include <QSet>
#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

// What ends a watch's folder at its path. Deletion and unmounting end the
// watch itself; a folder moved away keeps it and is let go here.
constexpr uint32_t folderEnds = IN_DELETE_SELF | IN_MOVE_SELF;
constexpr uint32_t entryEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
// Writes are seen on close and as they happen, so an editor that rewrites a
// file in place is noticed; reads never are, so a scan does not report itself.
constexpr uint32_t contentEvents = IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB;

bool isInside(const QString& path, const QString& folder) {
    return path.size() > folder.size() && path.startsWith(folder) &&
           (folder.endsWith(u'/') || path[folder.size()] == u'/');
}

} // namespace

FolderChangeWatch::FolderChangeWatch(Events events, QObject* parent)
    : QObject(parent)
    , _mask(entryEvents | folderEnds | IN_ONLYDIR |
            (events == Events::entriesAndContents ? contentEvents : 0))
    , _inotify(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (_inotify < 0)
        return;
    auto* notifier = new QSocketNotifier(_inotify, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &FolderChangeWatch::readEvents);
    // The mount table signals a change as an exceptional condition, and only
    // then: an idle program is not woken by it.
    _mounts = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (_mounts >= 0) {
        auto* mounts = new QSocketNotifier(_mounts, QSocketNotifier::Exception, this);
        connect(mounts, &QSocketNotifier::activated, this, &FolderChangeWatch::checkMounts);
    }
}

FolderChangeWatch::~FolderChangeWatch() {
    if (_mounts >= 0)
        ::close(_mounts);
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
        _folders.remove(watch.value());
        watch = _watches.erase(watch);
    }
    for (const QString& folder : wanted) {
        if (_watches.contains(folder))
            continue;
        const int watch = inotify_add_watch(_inotify, QFile::encodeName(folder).constData(), _mask);
        if (watch >= 0) {
            _watches.insert(folder, watch);
            _folders.insert(watch, folder);
        }
    }
}

QString FolderChangeWatch::forget(int watch) {
    const QString folder = _folders.take(watch);
    _watches.remove(folder);
    return folder;
}

void FolderChangeWatch::readEvents() {
    alignas(inotify_event) char buffer[16 * 1024];
    bool anyChange = false;
    QStringList gone;
    for (;;) {
        const ssize_t length = ::read(_inotify, buffer, sizeof buffer);
        if (length <= 0)
            break;
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                anyChange = true;
                continue;
            }
            // The end of a watch let go here (or already reported) says nothing new.
            if (!_folders.contains(event->wd))
                continue;
            anyChange = true;
            if (!(event->mask & (folderEnds | IN_UNMOUNT | IN_IGNORED)))
                continue;
            const QString folder = forget(event->wd);
            if (event->mask & IN_MOVE_SELF) {
                inotify_rm_watch(_inotify, event->wd);
                // The watched folders inside it went with it.
                for (auto watch = _watches.begin(); watch != _watches.end();) {
                    if (!isInside(watch.key(), folder)) {
                        ++watch;
                        continue;
                    }
                    inotify_rm_watch(_inotify, watch.value());
                    _folders.remove(watch.value());
                    gone.append(watch.key());
                    watch = _watches.erase(watch);
                }
            }
            gone.append(folder);
        }
    }
    for (const QString& folder : std::as_const(gone))
        Q_EMIT folderGone(folder);
    if (anyChange)
        Q_EMIT changed();
}

void FolderChangeWatch::checkMounts() {
    // Asking again for a watch on each path gives the same watch while the
    // path still leads to the same folder, and a new one once a mount has
    // put another folder there.
    QStringList gone;
    for (auto watch = _watches.begin(); watch != _watches.end();) {
        const int current =
            inotify_add_watch(_inotify, QFile::encodeName(watch.key()).constData(), _mask);
        if (current == watch.value()) {
            ++watch;
            continue;
        }
        inotify_rm_watch(_inotify, watch.value());
        _folders.remove(watch.value());
        // The folder now there may be watched already under another path.
        if (current >= 0 && !_folders.contains(current))
            inotify_rm_watch(_inotify, current);
        gone.append(watch.key());
        watch = _watches.erase(watch);
    }
    for (const QString& folder : std::as_const(gone))
        Q_EMIT folderGone(folder);
    if (!gone.isEmpty())
        Q_EMIT changed();
}
