#include "app/HotKey.h"
#include "app/ShortcutParser.h"
#include "platform/X11HotKeyGrab.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestShortcutParser : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parsesModifiersAndKey();
    void theXLayerGrabsTheSameKeys();
};

void TestShortcutParser::parsesModifiersAndKey() {
    QCOMPARE(parseShortcut(u"⇧⌃⌘⌥A"_s), (ParsedShortcut{0, 0x1E0000}));
    // Lower case, digits and other characters are skipped; the last key wins.
    QCOMPARE(parseShortcut(u"⌃Bk7é!Z"_s), (ParsedShortcut{6, 0x40000}));
    // A letter with a combining mark is a different character, not the letter.
    QCOMPARE(parseShortcut(u"⌘K\u0301"_s), (ParsedShortcut{0, 0x100000}));
}

void TestShortcutParser::theXLayerGrabsTheSameKeys() {
    const QString keysyms = u"abcdefghijklmnopqrstuvwxyz "_s;
    const QString keys = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ␣"_s;
    for (qsizetype i = 0; i < keys.size(); ++i)
        QCOMPARE(keysymForVirtualKeyCode(parseShortcut(keys[i]).keyCode),
                 quint32(keysyms[i].unicode()));
    // Mod4, Mod1, Control and Shift; bits outside the four modifiers are ignored.
    QCOMPARE(x11ModifiersForMask(0x1E0000 | 0x1 | 0x800000), quint16(0x4D));
}

QTEST_GUILESS_MAIN(TestShortcutParser)
#include "tst_shortcutparser.moc"
