// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// What starting a freedesktop application entry takes, read from its file
// without asking any other part of the desktop (nothing walks the application
// folders, so no link or loop in them can hold a start up).
struct DesktopEntryCommand {
    // The Name in the user's language, for messages and the startup notice.
    QString name;
    QString icon;
    // The Exec line split into words, field codes expanded for a start
    // without files; empty when the entry has none (started over D-Bus).
    QStringList arguments;
    // Path: the folder to start in; empty for Vantri's own.
    QString workingDirectory;
    bool runsInTerminal = false;
    bool isDBusActivatable = false;
    // False only where the entry says the program never ends a startup notice.
    bool notifiesStartup = true;

    struct Read;
    // The entry at `path`, or why it cannot be started.
    static Read read(const QString& path);
};

struct DesktopEntryCommand::Read {
    std::optional<DesktopEntryCommand> command;
    // For the message line when there is no command.
    QString failure;
};

// What the Exec line's field codes stand for when no file is opened.
struct ExecFieldValues {
    QString name;
    QString icon;
    QString entryPath;
};

// Splits an Exec value (as the key file reader returns it, its own escapes
// already undone) into words by the entry rules' quoting, and expands the
// field codes: the file and URL codes stand for nothing, so a word of one
// alone goes; %i becomes "--icon" and the icon, or nothing without one; %c the
// name, %k the entry's path, %% a percent sign; the deprecated codes expand to
// nothing. Nothing when the line does not split, is empty, or holds a field
// code the rules do not know.
std::optional<QStringList> expandExecLine(const QByteArray& exec, const ExecFieldValues& values);
