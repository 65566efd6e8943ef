// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FuzzInput.h"
#include "index/IndexFile.h"

// Whatever is read back is written and read again unchanged.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<AppIndex> index =
        IndexFile::read(writeFuzzInput(QStringLiteral("appIndex.json"), data, size));
    if (!index)
        return 0;
    const QString copy = writeFuzzInput(QStringLiteral("copy.json"), data, 0);
    if (IndexFile::write(copy, *index))
        std::abort();
    const std::optional<AppIndex> again = IndexFile::read(copy);
    if (!again || again->entries() != index->entries())
        std::abort();
    return 0;
}
