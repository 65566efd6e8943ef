// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <optional>
#include <sys/types.h>

// The user id of the process at the other end of the connected local socket
// `fd`, as the kernel recorded it when the connection was made (SO_PEERCRED);
// nothing when the kernel cannot tell.
std::optional<uid_t> peerUser(int fd);
