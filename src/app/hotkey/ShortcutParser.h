// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// The hotkey as stored in the preferences: one or more modifier symbols and
// one key character ("A" to "Z", or "␣" for the space bar), e.g. "⌃⌥K".
namespace ShortcutModifier {
// Bits of the parsed modifier mask.
inline constexpr quint32 shift = 0x20000;
inline constexpr quint32 control = 0x40000;
inline constexpr quint32 option = 0x80000;
inline constexpr quint32 command = 0x100000;
} // namespace ShortcutModifier

// A key is identified by its ANSI virtual key code: A is 0, B is 11, the
// space bar 49, and so on; the platform layer maps it onto its own keys.
struct ParsedShortcut {
    quint32 keyCode = 0;
    quint32 modifiers = 0;

    friend bool operator==(const ParsedShortcut&, const ParsedShortcut&) = default;
};

// Reads the string one user-perceived character at a time: modifier symbols
// add their bit, a key character sets the key (the last one wins), anything
// else is ignored. A string without a modifier symbol or without a key
// character gives nothing: grabbing a bare letter, or A for want of a key,
// would take that key away from every program on the desktop.
std::optional<ParsedShortcut> parseShortcut(const QString& shortcut);
