// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// Walks `directories` in order and files every application found under its
// lower-cased name: application bundles (folders named *.app; a *.app that is
// not a folder goes by its file name) and freedesktop entries (*.desktop).
// A desktop entry's id is its path below the folder it was found in, "/"
// turned into "-"; of the entries sharing an id only the one found last is
// read at all, so a later folder's copy that is hidden or renamed hides or
// renames the application. When two applications share a name, the one found
// later wins. Folders and items that cannot be read contribute nothing.
// Returns name to path.
QHash<QString, QString> scanApplications(const QStringList& directories);
