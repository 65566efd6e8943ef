// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// Opens an application found by the index: a freedesktop entry (`*.desktop`)
// is launched the way the desktop launches it (field codes, terminal, D-Bus
// activation); any other path is handed to the desktop's default handler.
// Returns whether the launch was started.
bool openApplication(const QString& path);
