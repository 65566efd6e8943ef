// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>

// Replaces the file at `path` with `content` so that a reader sees the old
// file or the whole new one, never a part: the content goes to a new file
// beside it (mode 0666 less the umask), named after it with a dot and a
// random suffix, is flushed to the disk, and only then renamed over the old
// one. Returns the system's reason when any step fails (e.g. "No space left
// on device"); the old file is then untouched and the new one removed.
// Nothing once the new file is in place.
std::optional<QString> replaceFileAtomically(const QString& path, QByteArrayView content);

// Removes the new files that replacements of `path` left beside it when the
// program ended between writing and renaming them: regular files named as
// replaceFileAtomically names them, and not being written by another
// replacement at the moment. Nothing else is touched. Returns how many went.
int removeInterruptedReplacements(const QString& path);
