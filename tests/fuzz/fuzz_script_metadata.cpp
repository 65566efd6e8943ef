// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FuzzInput.h"
#include "scripts/ScriptMetadataReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    readScriptMetadata(fuzzBytes(data, size));
    return 0;
}
