// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FuzzInput.h"
#include "app/hotkey/ShortcutParser.h"

// A parsed shortcut always names one of the four modifiers and a known key.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<ParsedShortcut> parsed =
        parseShortcut(QString::fromUtf8(fuzzBytes(data, size)));
    if (parsed &&
        (parsed->modifiers == 0 || (parsed->modifiers & ~0x1E0000u) != 0 || parsed->keyCode > 49))
        std::abort();
    return 0;
}
