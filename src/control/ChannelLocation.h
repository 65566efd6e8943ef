// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>

// Where the instance socket and its start lock live: in a folder that only
// this user can write, so that no other user can plant a socket that receives
// the commands, a file that blocks the start, or a lock that is never given
// back. That is $XDG_RUNTIME_DIR when it is set, or else a folder of our own
// in the temporary folder ($TMPDIR, or /tmp), created with mode 0700. Either
// must belong to this user and give no one else any access; the check is made
// on every use, and a folder that fails it is refused, never repaired.
struct ChannelLocation {
    std::string socketPath;
    // The lock file that serialises starts: whoever holds it may look for a
    // running instance and, finding none, become it.
    std::string startLockPath;
    // Why there is no usable folder; empty when the paths above are set.
    std::string error;

    static ChannelLocation find();
};
