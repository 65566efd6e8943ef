// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "scripts/ScriptMetadata.h"

#include <QMap>
#include <QString>
#include <QStringList>

// One catalogued script. The folded forms are what searches compare against;
// they are computed once, when the folder is scanned, not once per query.
struct ScriptEntry {
    ScriptMetadata metadata;
    // The script file, as a path under the folder the catalogue was read from.
    QString scriptPath;
    QString foldedKey;
    QString foldedName;

    bool operator==(const ScriptEntry&) const = default;
};

// The scripts of one folder, keyed by the lower-cased command.
using ScriptCatalogue = QMap<QString, ScriptEntry>;

// The words of a script's command after its first: the arguments it runs with.
inline QStringList commandArguments(const QString& command) {
    return command.split(u' ', Qt::SkipEmptyParts).mid(1);
}
