#include "app/HotKey.h"
#include "app/ShortcutParser.h"
#include "platform/X11HotKeyGrab.h"

#include <QtTest>

class TestShortcutParser : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parsesModifiersAndKey_data();
    void parsesModifiersAndKey();
    void everyKeyCharacterHasItsKeyCode();
    void modifiersMapOntoX11Modifiers();
};

void TestShortcutParser::parsesModifiersAndKey_data() {
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<quint32>("modifiers");

    QTest::newRow("command shift K") << QStringLiteral("⌘⇧K") << 40u << 0x120000u;
    QTest::newRow("shift command K") << QStringLiteral("⇧⌘K") << 40u << 0x120000u;
    QTest::newRow("control option space") << QStringLiteral("⌃⌥␣") << 49u << 0xC0000u;
    QTest::newRow("all four with A") << QStringLiteral("⇧⌃⌘⌥A") << 0u << 0x1E0000u;
    QTest::newRow("key alone") << QStringLiteral("K") << 40u << 0u;
    QTest::newRow("the last key wins") << QStringLiteral("AB") << 11u << 0u;
    QTest::newRow("modifiers only give A") << QStringLiteral("⌃⌥") << 0u << 0xC0000u;
    QTest::newRow("lower case, digits and others skipped")
        << QStringLiteral("⌃k7é!Z") << 6u << 0x40000u;
    QTest::newRow("nothing usable gives A") << QStringLiteral("k7 é") << 0u << 0u;
    QTest::newRow("empty") << QString() << 0u << 0u;
    // A letter with a combining mark is a different character, not the letter.
    QTest::newRow("letter with combining mark") << QStringLiteral("⌘K\u0301") << 0u << 0x100000u;
    QTest::newRow("modifier repeated") << QStringLiteral("⌘⌘J") << 38u << 0x100000u;
}

void TestShortcutParser::parsesModifiersAndKey() {
    QFETCH(QString, shortcut);
    QFETCH(quint32, keyCode);
    QFETCH(quint32, modifiers);
    QCOMPARE(parseShortcut(shortcut), (ParsedShortcut{keyCode, modifiers}));
}

void TestShortcutParser::everyKeyCharacterHasItsKeyCode() {
    const QString keys = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ␣");
    const QList<quint32> codes = {0,  11, 8,  2,  14, 3,  5,  4, 34, 38, 40, 37, 46, 45,
                                  31, 35, 12, 15, 1,  17, 32, 9, 13, 7,  16, 6,  49};
    const QString keysyms = QStringLiteral("abcdefghijklmnopqrstuvwxyz ");
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const ParsedShortcut parsed = parseShortcut(QStringLiteral("⌃") + keys[i]);
        QCOMPARE(parsed.keyCode, codes[i]);
        // The X layer grabs the key that carries the same letter.
        QCOMPARE(keysymForVirtualKeyCode(parsed.keyCode), quint32(keysyms[i].unicode()));
    }
    QCOMPARE(keysymForVirtualKeyCode(10), 0u);
}

void TestShortcutParser::modifiersMapOntoX11Modifiers() {
    QCOMPARE(x11ModifiersForMask(parseShortcut(QStringLiteral("⌘⇧K")).modifiers),
             quint16(X11Modifier::mod4 | X11Modifier::shift));
    QCOMPARE(x11ModifiersForMask(parseShortcut(QStringLiteral("⌃⌥␣")).modifiers),
             quint16(X11Modifier::control | X11Modifier::mod1));
    QCOMPARE(x11ModifiersForMask(parseShortcut(QStringLiteral("⇧⌃⌘⌥A")).modifiers), quint16(0x4D));
    QCOMPARE(x11ModifiersForMask(0), quint16(0));
    // Bits that stand for no modifier are dropped.
    QCOMPARE(x11ModifiersForMask(0x20000 | 0x1 | 0x800000), X11Modifier::shift);
}

QTEST_GUILESS_MAIN(TestShortcutParser)
#include "tst_shortcutparser.moc"
