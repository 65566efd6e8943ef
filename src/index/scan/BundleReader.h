// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <optional>

// The name an application bundle folder is filed under: "CFBundleName" from
// its information dictionary (Contents/Info.plist, or Info.plist at the top of
// a flat bundle), else "CFBundleExecutable". Nothing when the bundle has no
// readable dictionary or neither value is text. XML and binary dictionaries
// are read, an XML one also when it starts with a byte-order mark.
std::optional<QString> readBundleName(const QString& bundlePath);
