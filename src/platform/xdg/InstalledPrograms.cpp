// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/xdg/InstalledPrograms.h"

#include <QByteArray>
#include <QByteArrayList>
#include <cstring>
#include <dirent.h>
#include <glib.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct StringDeleter {
    void operator()(gchar* text) const { g_free(text); }
};
using String = std::unique_ptr<gchar, StringDeleter>;

bool foundByGLib(const char* program) {
    const String found(g_find_program_in_path(program));
    return found != nullptr;
}

// What GLib asks of a program file: executable and not a folder. Asked
// relative to the open folder, so the kernel resolves one name, not a path;
// a file the listing already saw as a regular one needs no second look.
bool isExecutableFile(DIR* folder, const char* name, bool isRegularFile) {
    if (faccessat(dirfd(folder), name, X_OK, 0) != 0)
        return false;
    struct stat status {};
    return isRegularFile ||
           (fstatat(dirfd(folder), name, &status, 0) == 0 && !S_ISDIR(status.st_mode));
}

} // namespace

void InstalledPrograms::FolderCloser::operator()(DIR* folder) const {
    closedir(folder);
}

InstalledPrograms::InstalledPrograms() {
    for (const QByteArray& folder : qgetenv("PATH").split(':')) {
        // Relative and unreadable folders are left to the slow path.
        if (!folder.startsWith('/'))
            continue;
        std::unique_ptr<DIR, FolderCloser> listing(opendir(folder.constData()));
        if (!listing)
            continue;
        while (const dirent* item = readdir(listing.get()))
            _listed.try_emplace(item->d_name, Listed{_folders.size(), item->d_type == DT_REG});
        _folders.push_back(std::move(listing));
    }
}

bool InstalledPrograms::contains(const char* program) const {
    if (std::strchr(program, '/') == nullptr) {
        // Where the listing names it, that file is checked alone; a name
        // listed nowhere may still sit in a folder that could not be listed.
        if (const auto listed = _listed.find(program);
            listed != _listed.end() && isExecutableFile(_folders[listed->second.folder].get(),
                                                        program, listed->second.isRegularFile))
            return true;
    }
    return foundByGLib(program);
}
