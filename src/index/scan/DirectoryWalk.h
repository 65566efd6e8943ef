// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDateTime>
#include <QFileInfo>
#include <QList>
#include <QString>
#include <functional>

// One item the walk visits.
struct WalkItem {
    QString path;
    QString name;
    bool isFolder = false; // a folder, or a link to one
    bool isLink = false;
};

// Visits every item below `root`, depth first, a folder before its contents
// and the items of one folder in name order. Hidden items (and so everything
// inside a hidden folder) are left out. A folder whose name ends in ".app", in
// any case, is an application bundle: it is visited but never entered, so
// nothing inside a bundle is seen. Symbolic links are visited but never
// followed into, which also keeps the walk free of loops. A root that is
// missing or unreadable yields nothing, as does any folder that cannot be read.
void walkDirectory(const QString& root, const std::function<void(const WalkItem&)>& visit);

// A folder the walk enters and when its list of items last changed.
struct WalkedFolder {
    QString path;
    QDateTime modified;
};

// The folders walkDirectory(root) enters, `root` first, by the same rules: no
// hidden folders, no bundles, no links. Empty when `root` is missing.
QList<WalkedFolder> walkedFolders(const QString& root);
