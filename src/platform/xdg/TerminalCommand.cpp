// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/xdg/TerminalCommand.h"

#include <QStandardPaths>

namespace {

struct Terminal {
    const char* program;
    // What comes between the terminal and the command's words; empty where
    // the words follow the terminal's own options directly.
    const char* commandOption;
};

// In the order they are looked for. Each takes the program and its
// arguments as separate words after its option.
constexpr Terminal terminals[] = {
    {"xdg-terminal-exec", ""},
    {"x-terminal-emulator", "-e"},
    {"gnome-terminal", "--"},
    {"konsole", "-e"},
    {"xfce4-terminal", "-x"},
    {"mate-terminal", "-x"},
    {"alacritty", "-e"},
    {"kitty", ""},
    {"foot", ""},
    {"xterm", "-e"},
};

} // namespace

std::optional<QStringList> terminalCommand(const QStringList& command) {
    for (const Terminal& terminal : terminals) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(terminal.program));
        if (found.isEmpty())
            continue;
        QStringList words{found};
        if (*terminal.commandOption)
            words << QString::fromLatin1(terminal.commandOption);
        return words + command;
    }
    return std::nullopt;
}
