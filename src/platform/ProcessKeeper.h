// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QList>

// A keeper is a process of the program's own between it and a child it
// starts. It is a child subreaper: whatever the child starts and leaves
// behind, in a process group or a session of its own or double-forked away
// from it, is handed to the keeper when its parent ends, never to the init
// process, and so it stays among the keeper's descendants where it can be
// found and ended. The keeper reaps them all, tells the child's wait status
// on a pipe the moment the child ends, and ends itself once its last
// descendant is gone. It ignores the polite request to end (SIGTERM): it
// goes with what it keeps.
//
// Not reached: a process that a service starts on the child's behalf (a
// D-Bus activated service, `systemd-run`, `at`) is the service's, not a
// descendant.
namespace ProcessKeeper {

// For QProcess's child process modifier, once the child has its standard
// streams. The child becomes the keeper: this program started anew as one,
// which gives up every stream but the status pipe. The program is run by a
// copy made here, in which it returns; the status pipe's writing end must
// close at the program's start there. When no keeper can be made, it
// returns in the child itself, and the status pipe stays silent (the
// child's own end is the only news).
void splitOff(int statusPipe) noexcept;

// The processes descended from `pid` now (children, their children, ...),
// parents before their children.
QList<qint64> descendantsOf(qint64 pid);

} // namespace ProcessKeeper
