// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "control/InstanceProtocol.h"

#include <chrono>
#include <string>

// The starting side of the instance channel.
namespace InstanceClient {

struct Delivery {
    enum class Result { carriedOut, noInstance, failed };
    Result result = Result::failed;
    std::string error; // why it failed, printable
};

// Hands `command` to the instance listening at `socketPath` and blocks until
// it has been carried out, the instance gave up, or `timeout` passed, with
// `activation` for a command that shows the panel. A socket
// whose listener is another user is never spoken to. After "quit" it also
// waits until the instance has closed the connection, which it does as it ends.
Delivery deliver(const std::string& socketPath, InstanceCommand command,
                 std::chrono::milliseconds timeout, const ActivationToken& activation = {});

} // namespace InstanceClient
