// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "control/ChannelLocation.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string octal(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

// Why `folder` (described as `role`) is not private to this user, or nothing.
std::string whyNotPrivate(const std::string& folder, const struct stat& status, const char* role) {
    const std::string prefix = role + std::string(" ") + folder + " ";
    if (!S_ISDIR(status.st_mode))
        return prefix + "is not a folder";
    if (status.st_uid != ::getuid())
        return prefix + "belongs to another user (uid " + std::to_string(status.st_uid) + ")";
    if ((status.st_mode & 07777) != 0700)
        return prefix + "has mode " + octal(status.st_mode) + ", not 0700";
    return {};
}

ChannelLocation inFolder(const std::string& folder) {
    const std::string socketPath = folder + "/vantri-" + std::to_string(::getuid()) + ".socket";
    return {socketPath, socketPath + ".lock", {}};
}

ChannelLocation refused(const std::string& reason, const char* advice) {
    return {{}, {}, reason + "; " + advice};
}

ChannelLocation fromRuntimeFolder(const std::string& folder) {
    if (folder.front() != '/')
        return refused("the runtime folder XDG_RUNTIME_DIR=" + folder + " is not an absolute path",
                       "set it to a folder of yours with mode 0700, or unset it");
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0)
        return refused("cannot use the runtime folder " + folder + ": " + std::strerror(errno),
                       "set XDG_RUNTIME_DIR to a folder of yours with mode 0700, or unset it");
    if (std::string why = whyNotPrivate(folder, status, "the runtime folder"); !why.empty())
        return refused(why, "set XDG_RUNTIME_DIR to a folder of yours with mode 0700, or unset it");
    return inFolder(folder);
}

ChannelLocation fromOwnFolder() {
    const char* temporary = std::getenv("TMPDIR");
    std::string base = temporary && temporary[0] == '/' ? temporary : "/tmp";
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    const std::string folder = base + "/vantri-" + std::to_string(::getuid());
    // mkdir never follows or reuses what another user put there: whatever
    // already exists is checked below, a symbolic link included.
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return refused("cannot create the folder " + folder + ": " + std::strerror(errno),
                       "set XDG_RUNTIME_DIR to a folder of yours with mode 0700");
    struct stat status {};
    if (::lstat(folder.c_str(), &status) != 0)
        return refused("cannot use the folder " + folder + ": " + std::strerror(errno),
                       "set XDG_RUNTIME_DIR to a folder of yours with mode 0700");
    if (std::string why = whyNotPrivate(folder, status, "the folder"); !why.empty())
        return refused(why,
                       "remove it, or set XDG_RUNTIME_DIR to a folder of yours with mode 0700");
    return inFolder(folder);
}

} // namespace

ChannelLocation ChannelLocation::find() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] != '\0')
        return fromRuntimeFolder(runtime);
    return fromOwnFolder();
}
