// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <optional>

// "v", the short version, then the build number in parentheses: v1.2(7).
// A missing value reads "Unknown".
QString appVersionString(const std::optional<QString>& shortVersion,
                         const std::optional<QString>& buildVersion);

// The version text of this build, from the version data set in CMake.
QString appVersionString();
