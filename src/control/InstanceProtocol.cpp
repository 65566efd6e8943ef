// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "control/InstanceProtocol.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>

namespace InstanceProtocol {

namespace {

constexpr std::array commandNames = {
    std::pair{InstanceCommand::toggle, std::string_view("toggle")},
    std::pair{InstanceCommand::show, std::string_view("show")},
    std::pair{InstanceCommand::hide, std::string_view("hide")},
    std::pair{InstanceCommand::settings, std::string_view("settings")},
    std::pair{InstanceCommand::quit, std::string_view("quit")},
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

constexpr std::string_view waylandField = "wayland:";
constexpr std::string_view x11Field = "x11:";

// A token is passed on to the compositor or the X server as it is: only
// printable ASCII without blanks, and never longer than the line allows.
bool isToken(std::string_view text) {
    if (text.empty() || text.size() > maximumTokenLength)
        return false;
    for (const char c : text) {
        if (c < 0x21 || c > 0x7e)
            return false;
    }
    return true;
}

std::string tokenFromEnvironment(const char* variable) {
    const char* value = std::getenv(variable);
    return value && isToken(value) ? std::string(value) : std::string();
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

} // namespace InstanceProtocol

ActivationToken ActivationToken::fromEnvironment() {
    return {InstanceProtocol::tokenFromEnvironment("XDG_ACTIVATION_TOKEN"),
            InstanceProtocol::tokenFromEnvironment("DESKTOP_STARTUP_ID")};
}

ActivationToken ActivationToken::takeFromEnvironment() {
    ActivationToken token = fromEnvironment();
    ::unsetenv("XDG_ACTIVATION_TOKEN");
    ::unsetenv("DESKTOP_STARTUP_ID");
    return token;
}

namespace InstanceProtocol {

std::string_view name(InstanceCommand command) {
    for (const auto& [known, word] : commandNames) {
        if (known == command)
            return word;
    }
    return {};
}

std::optional<InstanceCommand> fromName(std::string_view name) {
    for (const auto& [command, word] : commandNames) {
        if (name == word)
            return command;
    }
    return std::nullopt;
}

bool startsInstance(InstanceCommand command) {
    return command != InstanceCommand::hide && command != InstanceCommand::quit;
}

bool takesActivation(InstanceCommand command) {
    return command == InstanceCommand::toggle || command == InstanceCommand::show;
}

std::string requestLine(InstanceCommand command, const ActivationToken& activation) {
    std::string line(name(command));
    if (takesActivation(command)) {
        if (isToken(activation.wayland))
            line.append(" ").append(waylandField).append(activation.wayland);
        if (isToken(activation.x11))
            line.append(" ").append(x11Field).append(activation.x11);
    }
    return line + '\n';
}

ReceivedLine readLine(std::string_view received) {
    const std::size_t newline = received.find('\n');
    if (newline == std::string_view::npos) {
        return {received.size() > maximumLineLength ? ReceivedLine::Status::tooLong
                                                    : ReceivedLine::Status::incomplete,
                {}};
    }
    if (newline > maximumLineLength)
        return {ReceivedLine::Status::tooLong, {}};
    return {ReceivedLine::Status::complete, trimmed(received.substr(0, newline))};
}

CommandRequest readCommand(std::string_view received) {
    const ReceivedLine line = readLine(received);
    switch (line.status) {
    case ReceivedLine::Status::incomplete:
        return {CommandRequest::Status::incomplete};
    case ReceivedLine::Status::tooLong:
        return {CommandRequest::Status::tooLong};
    case ReceivedLine::Status::complete:
        break;
    }
    std::string_view rest = line.text;
    const std::size_t wordEnd = std::min(rest.find_first_of(" \t"), rest.size());
    const std::optional<InstanceCommand> command = fromName(rest.substr(0, wordEnd));
    rest = trimmed(rest.substr(wordEnd));
    if (!command || (!rest.empty() && !takesActivation(*command)))
        return {CommandRequest::Status::unknownCommand};
    CommandRequest request{CommandRequest::Status::command, *command, {}};
    // Fields this instance does not know are left for a later one; a token
    // that is not one is dropped, and the panel shows without it.
    while (!rest.empty()) {
        const std::size_t fieldEnd = std::min(rest.find_first_of(" \t"), rest.size());
        const std::string_view field = rest.substr(0, fieldEnd);
        rest = trimmed(rest.substr(fieldEnd));
        std::string_view value;
        std::string* token = nullptr;
        if (field.starts_with(waylandField)) {
            value = field.substr(waylandField.size());
            token = &request.activation.wayland;
        } else if (field.starts_with(x11Field)) {
            value = field.substr(x11Field.size());
            token = &request.activation.x11;
        }
        if (token && isToken(value))
            *token = std::string(value);
    }
    return request;
}

Answer readAnswer(std::string_view received) {
    const ReceivedLine line = readLine(received);
    switch (line.status) {
    case ReceivedLine::Status::incomplete:
        return {Answer::Status::incomplete, {}};
    case ReceivedLine::Status::tooLong:
        return {Answer::Status::notUnderstood, {}};
    case ReceivedLine::Status::complete:
        break;
    }
    if (line.text == "ok")
        return {Answer::Status::ok, {}};
    constexpr std::string_view refusal = "error ";
    if (line.text.starts_with(refusal))
        return {Answer::Status::refused, printable(line.text.substr(refusal.size()))};
    return {Answer::Status::notUnderstood, {}};
}

std::string printable(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7f)
            continue;
        // U+0080 to U+009F are encoded as 0xC2 followed by 0x80 to 0x9F; a
        // terminal may read them as escape introducers.
        if (byte == 0xc2 && i + 1 < text.size() &&
            static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(text[i + 1]) <= 0x9f) {
            ++i;
            continue;
        }
        result.push_back(text[i]);
    }
    return result;
}

} // namespace InstanceProtocol
