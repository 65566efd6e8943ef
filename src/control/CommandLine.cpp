// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "control/CommandLine.h"

#include "VersionInfo.h"

#include <algorithm>
#include <array>

namespace {

constexpr int usageErrorExitCode = 2;

enum class Option { help, version };

constexpr std::array options = {
    std::pair{std::string_view("h"), Option::help},
    std::pair{std::string_view("help"), Option::help},
    std::pair{std::string_view("?"), Option::help},
    std::pair{std::string_view("v"), Option::version},
    std::pair{std::string_view("version"), Option::version},
};

std::optional<Option> optionNamed(std::string_view name) {
    for (const auto& [known, option] : options) {
        if (known == name)
            return option;
    }
    return std::nullopt;
}

std::string helpText(const std::string& programPath) {
    return "Usage: " + programPath +
           " [options] [command]\n"
           "Vantri, a keyboard launcher. Without a command, starts Vantri, or opens Settings\n"
           "in the Vantri already running.\n"
           "\n"
           "Commands, carried out by the running Vantri:\n"
           "  toggle    show the launcher panel, or hide it when it is shown\n"
           "  show      show the launcher panel\n"
           "  hide      hide the launcher panel\n"
           "  settings  open Settings\n"
           "  quit      end Vantri\n"
           "toggle, show and settings start Vantri when it is not running.\n"
           "\n"
           "Options:\n"
           "  -h, --help, -?  Displays help on commandline options.\n"
           "  -v, --version   Displays version information.\n"
           "\n"
           "Arguments:\n"
           "  command         toggle, show, hide, settings or quit.\n";
}

std::string joined(const std::vector<std::string>& words, std::string_view separator) {
    std::string result;
    for (const std::string& word : words) {
        if (!result.empty())
            result += separator;
        result += word;
    }
    return result;
}

CommandLine usageError(const std::string& programPath, const std::string& problem) {
    const std::size_t slash = programPath.rfind('/');
    const std::string programName =
        slash == std::string::npos ? programPath : programPath.substr(slash + 1);
    CommandLine result;
    result.exitCode = usageErrorExitCode;
    result.standardError = programName + ": " + problem + "\n\n" + helpText(programPath);
    return result;
}

} // namespace

CommandLine CommandLine::parse(const std::vector<std::string>& arguments) {
    const std::string programPath = arguments.empty() ? "vantri" : arguments.front();
    bool help = false;
    bool version = false;
    std::vector<std::string> unknownOptions;
    std::string valueError;
    std::vector<std::string> positional;
    const auto found = [&](std::string_view name) {
        const std::optional<Option> option = optionNamed(name);
        if (!option) {
            unknownOptions.emplace_back(name);
            return;
        }
        (*option == Option::help ? help : version) = true;
    };

    bool onlyCommands = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (onlyCommands || argument.size() < 2 || argument.front() != '-') {
            positional.push_back(argument);
        } else if (argument == "--") {
            onlyCommands = true;
        } else if (argument.starts_with("--")) {
            const std::size_t assignment = argument.find('=');
            const std::string name = argument.substr(2, assignment - 2);
            if (!optionNamed(name))
                unknownOptions.push_back(name);
            else if (assignment != std::string::npos && valueError.empty())
                valueError = "Unexpected value after '" + argument.substr(0, assignment) + "'.";
            else
                found(name);
        } else {
            for (std::size_t c = 1; c < argument.size(); ++c)
                found(std::string_view(argument).substr(c, 1));
        }
    }

    if (!valueError.empty())
        return usageError(programPath, valueError);
    if (unknownOptions.size() == 1)
        return usageError(programPath, "Unknown option '" + unknownOptions.front() + "'.");
    if (unknownOptions.size() > 1)
        return usageError(programPath, "Unknown options: " + joined(unknownOptions, ", ") + ".");

    CommandLine result;
    if (help) {
        result.exitCode = 0;
        result.standardOutput = helpText(programPath);
        return result;
    }
    if (version) {
        result.exitCode = 0;
        result.standardOutput =
            std::string("Vantri ") + VANTRI_SHORT_VERSION +
            "\n"
            "Copyright 2026 The Vantri developers\n"
            "License GPL-3.0-or-later <https://www.gnu.org/licenses/gpl-3.0.html>:\n"
            "free software, which you may change and share; there is NO WARRANTY.\n";
        return result;
    }
    if (positional.size() > 1)
        return usageError(programPath, "expected one command, got " +
                                           std::to_string(positional.size()) + ": " +
                                           joined(positional, " "));
    if (positional.empty())
        return result;
    result.command = InstanceProtocol::fromName(positional.front());
    if (!result.command)
        return usageError(programPath, "unknown command '" + positional.front() + "'");
    return result;
}
