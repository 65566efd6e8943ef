// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// Gives a started application a place of its own apart from Vantri: where a
// systemd user manager answers on the session bus, a transient scope under
// app.slice, so that restarting or ending Vantri's own unit never takes the
// application with it. The request goes out on a worker thread and is
// bounded; where no manager answers, the application stays where it was
// started (a session of its own), and nothing waits for the answer.
void placeInApplicationScope(const QString& desktopFileId, qint64 processId);

// The scope's name by the desktop's convention,
// "app-vantri-<escaped id>-<random>.scope": the desktop file id without its
// ".desktop", escaped as unit names are, "-" included.
QString applicationScopeName(const QString& desktopFileId, const QString& random);

// `text` with every byte other than ASCII letters, digits, ":", "_" and a
// "." that is not the first escaped as "\xhh" (of its UTF-8 bytes).
QString escapeUnitNamePart(const QString& text);
