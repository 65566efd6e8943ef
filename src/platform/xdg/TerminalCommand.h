// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QStringList>
#include <optional>

// The command that runs `command` in the user's terminal: xdg-terminal-exec
// where it is installed (it knows the terminal the user chose), else Debian's
// x-terminal-emulator, else the first of the common terminals found on PATH,
// each with the option that makes it run a command with its arguments.
// Nothing when no terminal is installed.
std::optional<QStringList> terminalCommand(const QStringList& command);
