// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "scripts/ScriptCatalogue.h"

#include <QString>
#include <QStringList>

// What a scan of a scripts folder found, and what to watch to hear of changes.
struct ScriptFolderContents {
    ScriptCatalogue catalogue;
    // Paths that begin with the scanned folder's path: the folder and every
    // folder below it (linked folders are not followed).
    QStringList folders;
};

// Whether `folderPath` names a folder whose entries can be listed; a scan of
// anything else ends before it starts.
bool isScannableFolder(const QString& folderPath);

// Catalogues every ".meta" file below `folderPath` that reads as metadata and
// has a script file beside it. Files are taken in the order of their relative
// paths, so when several share a command the outcome does not depend on the
// order the file system lists them in: the last one wins. Reads files only;
// safe on any thread.
ScriptFolderContents scanScriptFolder(const QString& folderPath);
