// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "scripts/ScriptMetadata.h"

#include <QMap>
#include <QString>

// One catalogued script. The folded forms are what searches compare against;
// they are computed once, when the folder is scanned, not once per query.
struct ScriptEntry {
    ScriptMetadata metadata;
    // The script file, relative to the scripts folder (it may name subfolders).
    QString relativePath;
    QString foldedKey;
    QString foldedName;

    bool operator==(const ScriptEntry&) const = default;
};

// The scripts of one folder, keyed by the lower-cased command.
using ScriptCatalogue = QMap<QString, ScriptEntry>;
