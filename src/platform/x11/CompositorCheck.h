// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Whether a compositing manager runs on the application's X screen, so that
// windows with an alpha channel are blended with what lies behind them.
// False on other platforms.
bool isCompositorRunning();
