// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FuzzInput.h"
#include "index/scan/BundleReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString dictionary =
        writeFuzzInput(QStringLiteral("Fuzz.app/Contents/Info.plist"), data, size);
    readBundleName(QFileInfo(dictionary).dir().absoluteFilePath(QStringLiteral("..")));
    return 0;
}
