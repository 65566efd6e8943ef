// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/xdg/DesktopEntryReader.h"

#include "platform/xdg/DesktopEntryFile.h"

namespace {

constexpr const char* entryGroup = G_KEY_FILE_DESKTOP_GROUP;

using DesktopEntryFile::KeyFile;
using DesktopEntryFile::String;
using DesktopEntryFile::StringList;

QByteArrayList desktopsFromEnvironment() {
    return qgetenv("XDG_CURRENT_DESKTOP").split(':');
}

// GKeyFile builds a translated error message for every key it is asked for
// and does not find, even when nobody reads it; asking first is far cheaper
// for the keys most entries leave out.
bool hasKey(GKeyFile* keyFile, const char* key) {
    return g_key_file_has_key(keyFile, entryGroup, key, nullptr);
}

gchar** stringList(GKeyFile* keyFile, const char* key) {
    return hasKey(keyFile, key)
               ? g_key_file_get_string_list(keyFile, entryGroup, key, nullptr, nullptr)
               : nullptr;
}

gchar* string(GKeyFile* keyFile, const char* key) {
    return hasKey(keyFile, key) ? g_key_file_get_string(keyFile, entryGroup, key, nullptr)
                                : nullptr;
}

bool contains(const StringList& list, const QByteArray& desktop) {
    for (gchar** item = list.get(); item && *item; ++item) {
        if (desktop == *item)
            return true;
    }
    return false;
}

// The first current desktop named in either list decides; with none named,
// an entry is shown unless it lists the desktops it is only meant for.
bool isShownOn(GKeyFile* keyFile, const QByteArrayList& currentDesktops) {
    const StringList onlyShowIn(stringList(keyFile, G_KEY_FILE_DESKTOP_KEY_ONLY_SHOW_IN));
    const StringList notShowIn(stringList(keyFile, G_KEY_FILE_DESKTOP_KEY_NOT_SHOW_IN));
    for (const QByteArray& desktop : currentDesktops) {
        if (contains(onlyShowIn, desktop))
            return true;
        if (contains(notShowIn, desktop))
            return false;
    }
    return onlyShowIn == nullptr;
}

bool isTrue(GKeyFile* keyFile, const char* key) {
    // A missing or malformed value reads as false.
    return hasKey(keyFile, key) && g_key_file_get_boolean(keyFile, entryGroup, key, nullptr);
}

bool tryExecFound(GKeyFile* keyFile, const InstalledPrograms& programs) {
    const String program(string(keyFile, G_KEY_FILE_DESKTOP_KEY_TRY_EXEC));
    return !program || *program == '\0' || programs.contains(program.get());
}

// The command line must split as a shell would and its program must be
// installed; otherwise opening the entry could only fail. An entry without a
// command line is opened over D-Bus, so it must say it can be.
bool execLaunchable(GKeyFile* keyFile, const InstalledPrograms& programs) {
    const String commandLine(string(keyFile, G_KEY_FILE_DESKTOP_KEY_EXEC));
    if (!commandLine || *commandLine == '\0')
        return isTrue(keyFile, G_KEY_FILE_DESKTOP_KEY_DBUS_ACTIVATABLE);
    gchar** words = nullptr;
    if (!g_shell_parse_argv(commandLine.get(), nullptr, &words, nullptr))
        return false;
    const StringList arguments(words);
    return programs.contains(arguments.get()[0]);
}

// The rules for entries want their own group first; comments and blank
// lines may come before it.
bool entryGroupFirst(GKeyFile* keyFile) {
    const String first(g_key_file_get_start_group(keyFile));
    return first && qstrcmp(first.get(), entryGroup) == 0;
}

} // namespace

DesktopEntryReader::DesktopEntryReader()
    : DesktopEntryReader(desktopsFromEnvironment()) {}

DesktopEntryReader::DesktopEntryReader(QByteArrayList currentDesktops)
    : _currentDesktops(std::move(currentDesktops)) {
    _currentDesktops.removeAll(QByteArray());
}

std::optional<QString> DesktopEntryReader::applicationName(const QString& entryPath) const {
    const KeyFile keyFile = DesktopEntryFile::load(entryPath);
    if (!keyFile || !entryGroupFirst(keyFile.get()))
        return std::nullopt;
    const String type(string(keyFile.get(), G_KEY_FILE_DESKTOP_KEY_TYPE));
    if (!type || qstrcmp(type.get(), G_KEY_FILE_DESKTOP_TYPE_APPLICATION) != 0)
        return std::nullopt;
    if (isTrue(keyFile.get(), G_KEY_FILE_DESKTOP_KEY_NO_DISPLAY) ||
        isTrue(keyFile.get(), G_KEY_FILE_DESKTOP_KEY_HIDDEN) ||
        !isShownOn(keyFile.get(), _currentDesktops) || !tryExecFound(keyFile.get(), _programs) ||
        !execLaunchable(keyFile.get(), _programs))
        return std::nullopt;
    const String name(g_key_file_get_locale_string(keyFile.get(), entryGroup,
                                                   G_KEY_FILE_DESKTOP_KEY_NAME, nullptr, nullptr));
    if (!name || *name == '\0')
        return std::nullopt;
    return QString::fromUtf8(name.get());
}
