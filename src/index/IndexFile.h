// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "index/AppIndex.h"

#include <QString>
#include <optional>

// The index file: a compact JSON array of {"name": …, "path": …} objects.
namespace IndexFile {

// Files beyond this size count as damaged: no real index comes near it, and
// reading one would hold the whole file and its parse in memory.
constexpr qint64 maxSize = 64 * 1024 * 1024;

// The snapshot the file describes, or nothing when the file is missing,
// unreadable, larger than maxSize or not such an array (an element that is
// not an object, or whose "name" or "path" is missing or not a string, spoils
// the whole file). Entries whose name is too long for the index are skipped.
std::optional<AppIndex> read(const QString& path);

// Writes the index's entries, in its order, atomically, creating the folder on the way: readers see
// the old file or the whole new one. Returns why it failed, in the system's
// words (e.g. "No space left on device"), the old file then left as it was;
// nothing once the new file is in place.
std::optional<QString> write(const QString& path, const AppIndex& index);

} // namespace IndexFile
