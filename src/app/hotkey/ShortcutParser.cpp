// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/hotkey/ShortcutParser.h"

#include "platform/x11/X11HotKeyGrab.h"

#include <QHash>
#include <QTextBoundaryFinder>

namespace {

const QHash<QString, quint32>& modifierTable() {
    static const QHash<QString, quint32> table = {
        {QStringLiteral("\u21E7"), ShortcutModifier::shift},
        {QStringLiteral("\u2303"), ShortcutModifier::control},
        {QStringLiteral("\u2325"), ShortcutModifier::option},
        {QStringLiteral("\u2318"), ShortcutModifier::command},
    };
    return table;
}

// The keys by the characters the stored shortcut names them with.
const QHash<QString, quint32>& keyNameTable() {
    static const QHash<QString, quint32> table = [] {
        QHash<QString, quint32> names;
        for (const HotKeyKey& key : hotKeyKeys) {
            names.insert(key.keysym == ' ' ? QStringLiteral("\u2423")
                                           : QString(QChar(key.keysym).toUpper()),
                         key.virtualKeyCode);
        }
        return names;
    }();
    return table;
}

} // namespace

std::optional<ParsedShortcut> parseShortcut(const QString& shortcut) {
    ParsedShortcut parsed;
    bool hasKey = false;
    // A letter followed by a combining mark is one character that is no key.
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, shortcut);
    qsizetype start = 0;
    for (qsizetype end = graphemes.toNextBoundary(); end != -1;
         start = end, end = graphemes.toNextBoundary()) {
        const QString character = shortcut.mid(start, end - start);
        if (const auto modifier = modifierTable().constFind(character);
            modifier != modifierTable().cend()) {
            parsed.modifiers |= *modifier;
        } else if (const auto key = keyNameTable().constFind(character);
                   key != keyNameTable().cend()) {
            parsed.keyCode = *key;
            hasKey = true;
        }
    }
    if (parsed.modifiers == 0 || !hasKey)
        return std::nullopt;
    return parsed;
}
