// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "control/InstanceProtocol.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

// Both sides' reading of whatever arrives on the instance socket. A command
// is only ever read from a whole line within the limit whose first word names
// it exactly,
// and a reason from an answer never carries a control character to the
// terminal.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view received(reinterpret_cast<const char*>(data), size);

    const InstanceProtocol::CommandRequest request = InstanceProtocol::readCommand(received);
    if (request.status == InstanceProtocol::CommandRequest::Status::command) {
        const InstanceProtocol::ReceivedLine line = InstanceProtocol::readLine(received);
        if (line.status != InstanceProtocol::ReceivedLine::Status::complete ||
            line.text.size() > InstanceProtocol::maximumLineLength ||
            InstanceProtocol::fromName(line.text.substr(0, line.text.find_first_of(" \t"))) !=
                request.command)
            std::abort();
    }

    const InstanceProtocol::Answer answer = InstanceProtocol::readAnswer(received);
    for (const char c : answer.reason) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f)
            std::abort();
    }
    return 0;
}
