// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class FolderChangeWatch;

// Looks out for folders that do not exist: watches the nearest existing
// parent of each for entries only (made, moved in, moved away, removed), so
// that a busy parent such as the home folder, whose files are written all
// the time, never wakes the program. It moves closer as the folders on the
// way appear and back up as they go, by itself and without a word; it
// speaks once a folder looked for is there. Mounts count like any other way
// of making a folder appear. Main thread.
class FolderLookout : public QObject {
    Q_OBJECT

public:
    explicit FolderLookout(QObject* parent = nullptr);

    // Looks out for `folders` from now on, instead of the earlier ones. Those
    // that exist already are not looked out for.
    void lookFor(const QStringList& folders);
    // The parents watched now.
    QStringList lookouts() const;

Q_SIGNALS:
    // `folder`, one of those looked for, exists now and is no longer looked for.
    void appeared(const QString& folder);

private:
    void follow();

    FolderChangeWatch* _watch;
    QStringList _folders;
};

// `folder` itself when it is a folder, else the closest of its parents that is.
QString nearestExistingFolder(const QString& folder);
