// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/hotkey/HotKey.h"
#include "app/hotkey/ShortcutParser.h"
#include "platform/x11/X11HotKeyGrab.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestShortcutParser : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parsesModifiersAndKey_data();
    void parsesModifiersAndKey();
    void theXLayerGrabsTheSameKeys();
};

void TestShortcutParser::parsesModifiersAndKey_data() {
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<std::optional<ParsedShortcut>>("parsed");
    QTest::newRow("all four modifiers") << u"⇧⌃⌘⌥A"_s << std::optional(ParsedShortcut{0, 0x1E0000});
    // Lower case, digits and other characters are skipped; the last key wins.
    QTest::newRow("last key wins") << u"⌃Bk7é!Z"_s << std::optional(ParsedShortcut{6, 0x40000});
    QTest::newRow("key before modifier") << u"K⌘"_s << std::optional(ParsedShortcut{40, 0x100000});
    // A letter with a combining mark is a different character, not the letter.
    QTest::newRow("combining mark") << u"⌘K\u0301"_s << std::optional<ParsedShortcut>();
    QTest::newRow("key alone") << u"K"_s << std::optional<ParsedShortcut>();
    QTest::newRow("modifiers alone") << u"⌃⌥"_s << std::optional<ParsedShortcut>();
    QTest::newRow("spelled out") << u"ctrl+alt+k"_s << std::optional<ParsedShortcut>();
    QTest::newRow("empty") << QString() << std::optional<ParsedShortcut>();
}

void TestShortcutParser::parsesModifiersAndKey() {
    QFETCH(QString, shortcut);
    QFETCH(std::optional<ParsedShortcut>, parsed);
    QCOMPARE(parseShortcut(shortcut), parsed);
}

void TestShortcutParser::theXLayerGrabsTheSameKeys() {
    const QString keysyms = u"abcdefghijklmnopqrstuvwxyz "_s;
    const QString keys = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ␣"_s;
    for (qsizetype i = 0; i < keys.size(); ++i)
        QCOMPARE(keysymForVirtualKeyCode(parseShortcut(u"⌃"_s + keys[i])->keyCode),
                 quint32(keysyms[i].unicode()));
    // Mod4, Mod1, Control and Shift; bits outside the four modifiers are ignored.
    QCOMPARE(x11ModifiersForMask(0x1E0000 | 0x1 | 0x800000), quint16(0x4D));
}

QTEST_GUILESS_MAIN(TestShortcutParser)
#include "tst_shortcutparser.moc"
