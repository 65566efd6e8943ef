// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FuzzInput.h"
#include "platform/xdg/DesktopEntryReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const DesktopEntryReader reader(QByteArrayList{"GNOME", "XFCE"});
    reader.applicationName(writeFuzzInput(QStringLiteral("entry.desktop"), data, size));
    return 0;
}
