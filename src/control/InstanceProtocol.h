// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// What one start of the program can ask the running instance to do.
enum class InstanceCommand { toggle, show, hide, settings, quit };

// The proof of the user's action that a desktop hands the program it starts,
// so that the window this start shows may take the focus: an xdg-activation
// token on Wayland (XDG_ACTIVATION_TOKEN), a startup id on X11
// (DESKTOP_STARTUP_ID). Each is empty when the start had none.
struct ActivationToken {
    std::string wayland;
    std::string x11;

    bool empty() const { return wayland.empty() && x11.empty(); }
    friend bool operator==(const ActivationToken&, const ActivationToken&) = default;

    // The tokens of this process's environment; one that is too long or holds
    // a byte that is not printable ASCII is left out.
    static ActivationToken fromEnvironment();
    // The same, and both variables removed from the environment, so that no
    // program this process starts later inherits them.
    static ActivationToken takeFromEnvironment();
};

// The words spoken over the instance socket. One exchange per connection: the
// client sends a command word, for "toggle" and "show" the activation tokens
// it has ("wayland:<token>", "x11:<token>", each after a space), and a
// newline; the instance carries the command
// out on its main thread, answers "ok" (or "error " and a reason) and a
// newline, and closes the connection. Plain functions on bytes, so that both
// programs and the fuzz target share them.
namespace InstanceProtocol {

// Longest line either side accepts, newline not counted; anything longer is
// not this protocol and is refused whole, never cut.
inline constexpr std::size_t maximumTokenLength = 200;
inline constexpr std::size_t maximumLineLength = 64 + 2 * (sizeof " wayland:" + maximumTokenLength);

// The command's word, as typed on the command line and sent over the socket.
std::string_view name(InstanceCommand command);
std::optional<InstanceCommand> fromName(std::string_view name);
// Whether the command starts Vantri when none is running; hiding or quitting
// an instance that does not exist has nothing to do.
bool startsInstance(InstanceCommand command);
// Whether the command shows the panel, and so carries activation tokens.
bool takesActivation(InstanceCommand command);

// The line a client sends, newline included. Tokens go only with commands
// that take them.
std::string requestLine(InstanceCommand command, const ActivationToken& activation);

// What the bytes received so far on a connection amount to. Only the first
// line counts; whatever follows its newline is ignored.
struct ReceivedLine {
    enum class Status {
        incomplete, // no newline yet, and still within the limit
        tooLong,    // the line is, or will be, longer than the limit
        complete,
    };
    Status status = Status::incomplete;
    // The line without its newline and surrounding blanks, when complete.
    std::string_view text;
};
ReceivedLine readLine(std::string_view received);

// The instance's reading of a client's bytes.
struct CommandRequest {
    enum class Status { incomplete, tooLong, unknownCommand, command };
    Status status = Status::incomplete;
    InstanceCommand command = InstanceCommand::toggle; // when status is command
    ActivationToken activation{};                      // when status is command
};
CommandRequest readCommand(std::string_view received);

// The client's reading of the instance's bytes.
struct Answer {
    enum class Status { incomplete, ok, refused, notUnderstood };
    Status status = Status::incomplete;
    std::string reason; // when refused: printable, control characters removed
};
Answer readAnswer(std::string_view received);

// `text` with every control character (C0, DEL and the C1 range of UTF-8)
// removed, so that it can go to a terminal without steering it.
std::string printable(std::string_view text);

} // namespace InstanceProtocol
