#pragma once

#include "index/AppEntry.h"

#include <QList>
#include <QString>
#include <optional>

// The index file: a compact JSON array of {"name": …, "path": …} objects.
namespace IndexFile {

// The entries in file order, or nothing when the file is missing, unreadable
// or not such an array (an element that is not an object, or whose "name" or
// "path" is missing or not a string, spoils the whole file).
std::optional<QList<AppEntry>> read(const QString& path);

// Writes the entries atomically, creating the folder on the way: readers see
// the old file or the whole new one. Returns why it failed, or nothing once
// the file is in place.
std::optional<QString> write(const QString& path, const QList<AppEntry>& entries);

} // namespace IndexFile
