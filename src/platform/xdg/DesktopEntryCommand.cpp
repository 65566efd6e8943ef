// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/xdg/DesktopEntryCommand.h"

#include "platform/xdg/DesktopEntryFile.h"

#include <QFileInfo>

namespace {

using DesktopEntryFile::KeyFile;
using DesktopEntryFile::String;
using DesktopEntryFile::StringList;

constexpr const char* entryGroup = G_KEY_FILE_DESKTOP_GROUP;

QString stringValue(GKeyFile* keyFile, const char* key) {
    if (!g_key_file_has_key(keyFile, entryGroup, key, nullptr))
        return {};
    const String value(g_key_file_get_string(keyFile, entryGroup, key, nullptr));
    return value ? QString::fromUtf8(value.get()) : QString();
}

// A missing or malformed value reads as `fallback`.
bool booleanValue(GKeyFile* keyFile, const char* key, bool fallback) {
    if (!g_key_file_has_key(keyFile, entryGroup, key, nullptr))
        return fallback;
    GError* error = nullptr;
    const bool value = g_key_file_get_boolean(keyFile, entryGroup, key, &error);
    if (error) {
        g_error_free(error);
        return fallback;
    }
    return value;
}

bool isFileCode(QChar code) {
    return code == u'f' || code == u'F' || code == u'u' || code == u'U';
}

bool isDeprecatedCode(QChar code) {
    return code == u'd' || code == u'D' || code == u'n' || code == u'N' || code == u'v' ||
           code == u'm';
}

// One word with its field codes expanded; nothing for an unknown code or a
// lone percent sign at its end.
std::optional<QString> expandWord(const QString& word, const ExecFieldValues& values) {
    QString expanded;
    for (qsizetype position = 0; position < word.size(); ++position) {
        if (word[position] != u'%') {
            expanded.append(word[position]);
            continue;
        }
        if (++position == word.size())
            return std::nullopt;
        const QChar code = word[position];
        if (code == u'%')
            expanded.append(u'%');
        else if (code == u'c')
            expanded.append(values.name);
        else if (code == u'k')
            expanded.append(values.entryPath);
        else if (!isFileCode(code) && !isDeprecatedCode(code) && code != u'i')
            return std::nullopt;
    }
    return expanded;
}

} // namespace

std::optional<QStringList> expandExecLine(const QByteArray& exec, const ExecFieldValues& values) {
    gchar** words = nullptr;
    if (!g_shell_parse_argv(exec.constData(), nullptr, &words, nullptr))
        return std::nullopt;
    const StringList owned(words);
    QStringList arguments;
    for (gchar** item = words; *item; ++item) {
        const QString word = QString::fromUtf8(*item);
        if (word.size() == 2 && word[0] == u'%' && isFileCode(word[1]))
            continue;
        if (word == QLatin1String("%i")) {
            if (!values.icon.isEmpty())
                arguments << QStringLiteral("--icon") << values.icon;
            continue;
        }
        const std::optional<QString> expanded = expandWord(word, values);
        if (!expanded)
            return std::nullopt;
        arguments << *expanded;
    }
    if (arguments.isEmpty() || arguments.first().isEmpty())
        return std::nullopt;
    return arguments;
}

DesktopEntryCommand::Read DesktopEntryCommand::read(const QString& path) {
    const KeyFile keyFile = DesktopEntryFile::load(path);
    if (!keyFile || !g_key_file_has_group(keyFile.get(), entryGroup))
        return {std::nullopt, QStringLiteral("%1 is not an application entry that can be read")
                                  .arg(QFileInfo(path).fileName())};
    DesktopEntryCommand command;
    const String name(g_key_file_get_locale_string(keyFile.get(), entryGroup,
                                                   G_KEY_FILE_DESKTOP_KEY_NAME, nullptr, nullptr));
    command.name = name && *name ? QString::fromUtf8(name.get()) : QFileInfo(path).baseName();
    command.icon = stringValue(keyFile.get(), G_KEY_FILE_DESKTOP_KEY_ICON);
    command.workingDirectory = stringValue(keyFile.get(), G_KEY_FILE_DESKTOP_KEY_PATH);
    command.runsInTerminal = booleanValue(keyFile.get(), G_KEY_FILE_DESKTOP_KEY_TERMINAL, false);
    command.isDBusActivatable =
        booleanValue(keyFile.get(), G_KEY_FILE_DESKTOP_KEY_DBUS_ACTIVATABLE, false);
    command.notifiesStartup =
        booleanValue(keyFile.get(), G_KEY_FILE_DESKTOP_KEY_STARTUP_NOTIFY, true);

    const QString exec = stringValue(keyFile.get(), G_KEY_FILE_DESKTOP_KEY_EXEC);
    if (exec.isEmpty()) {
        if (command.isDBusActivatable)
            return {std::move(command), {}};
        return {std::nullopt, QStringLiteral("%1 has no command to start").arg(command.name)};
    }
    const std::optional<QStringList> arguments =
        expandExecLine(exec.toUtf8(), {command.name, command.icon, path});
    if (!arguments)
        return {std::nullopt,
                QStringLiteral("%1 has a command line that cannot be run").arg(command.name)};
    command.arguments = *arguments;
    return {std::move(command), {}};
}
