// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The content of the regular file at `path` (a symbolic link is followed), or
// nothing when it is something else (a folder, pipe or device), cannot be read,
// or holds more than `maxSize` bytes. Never waits for a writer.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxSize);
