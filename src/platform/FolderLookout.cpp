// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/FolderLookout.h"

#include "platform/FolderChangeWatch.h"

#include <QDir>
#include <QFileInfo>

QString nearestExistingFolder(const QString& folder) {
    QString candidate = QDir::cleanPath(folder);
    while (!QFileInfo(candidate).isDir()) {
        const QString parent = QFileInfo(candidate).path();
        if (parent == candidate)
            break;
        candidate = parent;
    }
    return candidate;
}

FolderLookout::FolderLookout(QObject* parent)
    : QObject(parent)
    , _watch(new FolderChangeWatch(FolderChangeWatch::Events::entriesOnly, this)) {
    connect(_watch, &FolderChangeWatch::changed, this, &FolderLookout::follow);
}

void FolderLookout::lookFor(const QStringList& folders) {
    _folders.clear();
    for (const QString& folder : folders) {
        if (!QFileInfo(folder).isDir())
            _folders.append(folder);
    }
    follow();
}

QStringList FolderLookout::lookouts() const {
    return _watch->folders();
}

void FolderLookout::follow() {
    QStringList found;
    // A folder made between finding a parent and watching it is seen by
    // looking once more: the parents no longer match then.
    QStringList parents;
    for (bool first = true;; first = false) {
        QStringList missing;
        QStringList nearest;
        for (const QString& folder : std::as_const(_folders)) {
            const QString existing = nearestExistingFolder(folder);
            if (existing == QDir::cleanPath(folder)) {
                found.append(folder);
                continue;
            }
            missing.append(folder);
            nearest.append(existing);
        }
        _folders = missing;
        if (!first && nearest == parents)
            break;
        parents = nearest;
        _watch->setFolders(parents);
    }
    for (const QString& folder : std::as_const(found))
        Q_EMIT appeared(folder);
}
