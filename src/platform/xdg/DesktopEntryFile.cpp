// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/xdg/DesktopEntryFile.h"

#include "platform/RegularFile.h"

namespace DesktopEntryFile {

namespace {

// Entries with every translation are tens of kilobytes; anything far larger
// is not a desktop entry.
constexpr qint64 maxEntrySize = 4 * 1024 * 1024;

} // namespace

KeyFile load(const QString& path) {
    const std::optional<QByteArray> data = readRegularFile(path, maxEntrySize);
    if (!data)
        return nullptr;
    KeyFile keyFile(g_key_file_new());
    if (!g_key_file_load_from_data(keyFile.get(), data->constData(),
                                   static_cast<gsize>(data->size()), G_KEY_FILE_NONE, nullptr))
        return nullptr;
    return keyFile;
}

} // namespace DesktopEntryFile
