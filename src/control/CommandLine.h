// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "control/InstanceProtocol.h"

#include <optional>
#include <string>
#include <vector>

// What the program was asked to do on its command line. Options follow the
// usual rules: -h, --help, -? and -v, --version anywhere; short options may be
// run together (-hv); "--" makes every later argument a command.
struct CommandLine {
    // The command for the running instance; none for a plain start.
    std::optional<InstanceCommand> command;
    // Set when the program has only to print and end: --help, --version or a
    // command line it does not understand (exit code 2, usage on standard error).
    std::optional<int> exitCode;
    std::string standardOutput;
    std::string standardError;

    // `arguments` starts with the program's own name, as argv does.
    static CommandLine parse(const std::vector<std::string>& arguments);
};
