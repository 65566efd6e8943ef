// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/hotkey/ShortcutParser.h"

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

const QHash<QString, quint32>& keyNameTable() {
    static const QHash<QString, quint32> table = {
        {QStringLiteral("A"), 0},  {QStringLiteral("B"), 11}, {QStringLiteral("C"), 8},
        {QStringLiteral("D"), 2},  {QStringLiteral("E"), 14}, {QStringLiteral("F"), 3},
        {QStringLiteral("G"), 5},  {QStringLiteral("H"), 4},  {QStringLiteral("I"), 34},
        {QStringLiteral("J"), 38}, {QStringLiteral("K"), 40}, {QStringLiteral("L"), 37},
        {QStringLiteral("M"), 46}, {QStringLiteral("N"), 45}, {QStringLiteral("O"), 31},
        {QStringLiteral("P"), 35}, {QStringLiteral("Q"), 12}, {QStringLiteral("R"), 15},
        {QStringLiteral("S"), 1},  {QStringLiteral("T"), 17}, {QStringLiteral("U"), 32},
        {QStringLiteral("V"), 9},  {QStringLiteral("W"), 13}, {QStringLiteral("X"), 7},
        {QStringLiteral("Y"), 16}, {QStringLiteral("Z"), 6},  {QStringLiteral("\u2423"), 49},
    };
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
