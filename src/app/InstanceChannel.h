#pragma once

#include "app/InstanceCommand.h"

#include <QString>
#include <chrono>

// The local socket through which a start of the program reaches the running
// instance. One exchange per connection: the client sends a command word and a
// newline; the instance carries the command out on its main thread, answers
// "ok" (or "error " and a reason) and a newline, and closes the connection.
namespace InstanceChannel {

// Longest line either side accepts; anything longer is not this protocol.
inline constexpr qsizetype maximumLineLength = 64;

// In the user's runtime folder, named after the user so that a runtime folder
// shared by several users (or the temporary folder Qt falls back to) still
// keeps one instance per user.
QString defaultSocketPath();
// The lock file that serialises starts: whoever holds it may look for a running
// instance and, finding none, become it.
QString startLockPath(const QString& socketPath);

struct Delivery {
    enum class Result { carriedOut, noInstance, failed };
    Result result = Result::failed;
    QString error; // why it failed
};

// Hands `command` to the instance listening at `socketPath` and blocks until it
// has been carried out, the instance gave up, or `timeout` passed.
Delivery deliver(const QString& socketPath, InstanceCommand command,
                 std::chrono::milliseconds timeout);

} // namespace InstanceChannel
