// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/xdg/Autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <memory>

#include <glib.h>

namespace {

struct KeyFileFree {
    void operator()(GKeyFile* file) const { g_key_file_free(file); }
};
using KeyFile = std::unique_ptr<GKeyFile, KeyFileFree>;

struct GFree {
    void operator()(gchar* data) const { g_free(data); }
};

// The program is always quoted so that any path survives the session's
// parsing: inside double quotes " ` $ and \ take a backslash, and a percent
// sign is doubled so that it is not read as a field code. The key file's own
// string escaping (\\, \n, ...) is applied on top when the value is stored.
QString quotedArgument(const QString& argument) {
    QString quoted = QStringLiteral("\"");
    for (const QChar character : argument) {
        if (character == u'"' || character == u'`' || character == u'$' || character == u'\\')
            quoted += u'\\';
        else if (character == u'%')
            quoted += u'%';
        quoted += character;
    }
    quoted += u'"';
    return quoted;
}

QString stringValue(GKeyFile* file, const char* key) {
    const std::unique_ptr<gchar, GFree> value(
        g_key_file_get_string(file, G_KEY_FILE_DESKTOP_GROUP, key, nullptr));
    return value ? QString::fromUtf8(value.get()) : QString();
}

// A missing or malformed key reads as `fallback`.
bool booleanValue(GKeyFile* file, const char* key, bool fallback) {
    GError* error = nullptr;
    const gboolean value = g_key_file_get_boolean(file, G_KEY_FILE_DESKTOP_GROUP, key, &error);
    if (error) {
        g_error_free(error);
        return fallback;
    }
    return value;
}

KeyFile loadEntry(const QString& path) {
    KeyFile file(g_key_file_new());
    if (!QFileInfo(path).isFile() ||
        !g_key_file_load_from_file(file.get(), QFile::encodeName(path).constData(), G_KEY_FILE_NONE,
                                   nullptr) ||
        !g_key_file_has_group(file.get(), G_KEY_FILE_DESKTOP_GROUP))
        return nullptr;
    return file;
}

void setString(GKeyFile* file, const char* key, const QString& value) {
    g_key_file_set_string(file, G_KEY_FILE_DESKTOP_GROUP, key, value.toUtf8().constData());
}

} // namespace

namespace Autostart {

QString entryPath() {
    const QString configHome =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(configHome).filePath(QStringLiteral("autostart/vantri.desktop"));
}

bool isEnabled(const QString& entryPath) {
    const KeyFile file = loadEntry(entryPath);
    return file && !booleanValue(file.get(), G_KEY_FILE_DESKTOP_KEY_HIDDEN, false) &&
           booleanValue(file.get(), "X-GNOME-Autostart-enabled", true);
}

Command commandFor(const QString& programPath) {
    Command command{quotedArgument(programPath), QString()};
    // GIO, like other session starters, checks that the program exists before
    // it turns %% back into %, so a path holding a percent sign is handed to
    // env, which the check finds, and which then runs the path as expanded.
    if (programPath.contains(u'%'))
        command.exec.prepend(QStringLiteral("env "));
    return command;
}

std::optional<Command> installedCommand(const QString& desktopId) {
    const QString path = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                QStringLiteral("applications/") + desktopId);
    const KeyFile file = loadEntry(path);
    if (!file)
        return std::nullopt;
    Command command{stringValue(file.get(), G_KEY_FILE_DESKTOP_KEY_EXEC),
                    stringValue(file.get(), G_KEY_FILE_DESKTOP_KEY_ICON)};
    if (command.exec.isEmpty())
        return std::nullopt;
    return command;
}

bool enable(const QString& entryPath, const Command& command) {
    KeyFile file(g_key_file_new());
    setString(file.get(), G_KEY_FILE_DESKTOP_KEY_TYPE, QStringLiteral("Application"));
    setString(file.get(), G_KEY_FILE_DESKTOP_KEY_NAME, QStringLiteral("Vantri"));
    setString(file.get(), G_KEY_FILE_DESKTOP_KEY_COMMENT, QStringLiteral("Keyboard launcher"));
    setString(file.get(), G_KEY_FILE_DESKTOP_KEY_EXEC, command.exec);
    if (!command.icon.isEmpty())
        setString(file.get(), G_KEY_FILE_DESKTOP_KEY_ICON, command.icon);
    g_key_file_set_boolean(file.get(), G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_TERMINAL,
                           FALSE);
    gsize length = 0;
    const std::unique_ptr<gchar, GFree> data(g_key_file_to_data(file.get(), &length, nullptr));

    if (!QDir().mkpath(QFileInfo(entryPath).absolutePath()))
        return false;
    QSaveFile entry(entryPath);
    return entry.open(QIODevice::WriteOnly) &&
           entry.write(data.get(), qint64(length)) == qint64(length) && entry.commit();
}

bool disable(const QString& entryPath) {
    const QFileInfo entry(entryPath);
    if (!entry.exists() && !entry.isSymLink())
        return true;
    return QFile::remove(entryPath);
}

} // namespace Autostart
