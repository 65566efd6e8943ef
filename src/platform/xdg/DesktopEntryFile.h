// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

#include <glib.h>
#include <memory>

// A freedesktop entry file loaded into GLib's key file reader, shared by the
// index's reader and the launcher, with owners for what GLib hands out.
namespace DesktopEntryFile {

struct KeyFileDeleter {
    void operator()(GKeyFile* keyFile) const { g_key_file_free(keyFile); }
};
struct StringDeleter {
    void operator()(gchar* text) const { g_free(text); }
};
struct StringListDeleter {
    void operator()(gchar** list) const { g_strfreev(list); }
};
using KeyFile = std::unique_ptr<GKeyFile, KeyFileDeleter>;
using String = std::unique_ptr<gchar, StringDeleter>;
using StringList = std::unique_ptr<gchar*, StringListDeleter>;

// The entry at `path`; null when it is not a regular file, is far larger
// than any entry or does not parse as a key file. Never waits for a writer.
KeyFile load(const QString& path);

} // namespace DesktopEntryFile
