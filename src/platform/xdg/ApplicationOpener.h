// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/xdg/DesktopEntryLaunch.h"

#include <QString>

// Opens an application found by the index: a freedesktop entry (`*.desktop`)
// is started the way the desktop starts it (launchDesktopEntryFile); any
// other path is handed to the desktop's default handler. Never waits for the
// application.
ApplicationLaunch openApplication(const QString& path);
