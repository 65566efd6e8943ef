#include "app/HotKey.h"
#include "app/ShortcutParser.h"
#include "platform/X11HotKeyGrab.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestShortcutParser : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parsesModifiersAndKey_data();
    void parsesModifiersAndKey();
    void everyKeyCharacterHasItsKeyCode();
};

void TestShortcutParser::parsesModifiersAndKey_data() {
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<quint32>("modifiers");
    QTest::addColumn<quint16>("x11Modifiers");
    using namespace X11Modifier;
    QTest::newRow("command shift K") << u"⌘⇧K"_s << 40u << 0x120000u << quint16(mod4 | shift);
    QTest::newRow("shift command K") << u"⇧⌘K"_s << 40u << 0x120000u << quint16(mod4 | shift);
    QTest::newRow("all four with A") << u"⇧⌃⌘⌥A"_s << 0u << 0x1E0000u << quint16(0x4D);
    QTest::newRow("the last key wins") << u"AB"_s << 11u << 0u << quint16(0);
    QTest::newRow("lower case, digits and others skipped")
        << u"⌃k7é!Z"_s << 6u << 0x40000u << control;
    QTest::newRow("nothing usable gives A") << u"k7 é"_s << 0u << 0u << quint16(0);
    // A letter with a combining mark is a different character, not the letter.
    QTest::newRow("letter with combining mark") << u"⌘K\u0301"_s << 0u << 0x100000u << mod4;
}

void TestShortcutParser::parsesModifiersAndKey() {
    QFETCH(QString, shortcut);
    QFETCH(quint32, keyCode);
    QFETCH(quint32, modifiers);
    QFETCH(quint16, x11Modifiers);
    QCOMPARE(parseShortcut(shortcut), (ParsedShortcut{keyCode, modifiers}));
    QCOMPARE(x11ModifiersForMask(modifiers), x11Modifiers);
}

void TestShortcutParser::everyKeyCharacterHasItsKeyCode() {
    const QString keys = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ␣"_s;
    const QList<quint32> codes = {0,  11, 8,  2,  14, 3,  5,  4, 34, 38, 40, 37, 46, 45,
                                  31, 35, 12, 15, 1,  17, 32, 9, 13, 7,  16, 6,  49};
    const QString keysyms = u"abcdefghijklmnopqrstuvwxyz "_s;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const ParsedShortcut parsed = parseShortcut(u"⌃"_s + keys[i]);
        QCOMPARE(parsed.keyCode, codes[i]);
        // The X layer grabs the key that carries the same letter.
        QCOMPARE(keysymForVirtualKeyCode(parsed.keyCode), quint32(keysyms[i].unicode()));
    }
    QCOMPARE(keysymForVirtualKeyCode(10), 0u);
    QCOMPARE(x11ModifiersForMask(0x20000 | 0x1 | 0x800000), X11Modifier::shift);
}

QTEST_GUILESS_MAIN(TestShortcutParser)
#include "tst_shortcutparser.moc"
