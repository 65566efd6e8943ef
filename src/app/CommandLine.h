#pragma once

#include "app/InstanceCommand.h"

#include <QString>
#include <QStringList>
#include <optional>

// What the program was asked to do on its command line.
struct CommandLine {
    // The command for the running instance; none for a plain start.
    std::optional<InstanceCommand> command;
    // Set when the program has only to print and end: --help, --version or a
    // command line it does not understand (exit code 2, usage on standard error).
    std::optional<int> exitCode;
    QString standardOutput;
    QString standardError;

    // `arguments` starts with the program's own name, as QCoreApplication::arguments() does.
    static CommandLine parse(const QStringList& arguments);
};
