#include "VirtualDesktop.h"
#include "app/HotKey.h"
#include "app/ShortcutParser.h"
#include "platform/X11HotKeyGrab.h"

#include <QtTest>

class TestX11HotKey : public QObject {
    Q_OBJECT

public:
    explicit TestX11HotKey(VirtualDesktop& desktop)
        : _desktop(desktop) {}

private Q_SLOTS:
    void init();
    void cleanup();
    void eachPressOfTheCombinationRunsTheHandler();
    void capsLockAndNumLockDoNotDisableIt();
    void everyModifierIsGrabbed_data();
    void everyModifierIsGrabbed();
    void combinationHeldElsewhereIsRefused();

private:
    // Presses the sentinel combination and waits for it to arrive: every key
    // event sent before it has been delivered by then.
    bool flushKeyEvents();

    VirtualDesktop& _desktop;
    std::unique_ptr<HotKey> _sentinel;
    int _sentinelPresses = 0;
};

bool TestX11HotKey::flushKeyEvents() {
    const int expected = _sentinelPresses + 1;
    return _desktop.press(QStringLiteral("ctrl+alt+z")) &&
           QTest::qWaitFor([&] { return _sentinelPresses == expected; });
}

void TestX11HotKey::init() {
    _sentinelPresses = 0;
    _sentinel = std::make_unique<HotKey>(parseShortcut(QStringLiteral("⌃⌥Z")).keyCode,
                                         ShortcutModifier::control | ShortcutModifier::option);
    QVERIFY(_sentinel->isRegistered());
    _sentinel->setKeyDownHandler([this] { ++_sentinelPresses; });
}

void TestX11HotKey::cleanup() {
    _sentinel.reset();
}

void TestX11HotKey::eachPressOfTheCombinationRunsTheHandler() {
    const ParsedShortcut shortcut = parseShortcut(QStringLiteral("⌃⌥K"));
    HotKey hotKey(shortcut.keyCode, shortcut.modifiers);
    QVERIFY(hotKey.isRegistered());
    int presses = 0;
    hotKey.setKeyDownHandler([&] { ++presses; });

    // The key without its modifiers, or with others, is not the hotkey.
    QVERIFY(_desktop.press(QStringLiteral("k")));
    QVERIFY(_desktop.press(QStringLiteral("ctrl+k")));
    QVERIFY(_desktop.press(QStringLiteral("ctrl+alt+shift+k")));
    QVERIFY(flushKeyEvents());
    QCOMPARE(presses, 0);

    QVERIFY(_desktop.press(QStringLiteral("ctrl+alt+k")));
    QVERIFY(_desktop.press(QStringLiteral("ctrl+alt+k")));
    QVERIFY(flushKeyEvents());
    QCOMPARE(presses, 2);
}

void TestX11HotKey::capsLockAndNumLockDoNotDisableIt() {
    HotKey hotKey(parseShortcut(QStringLiteral("K")).keyCode,
                  ShortcutModifier::control | ShortcutModifier::option);
    QVERIFY(hotKey.isRegistered());
    int presses = 0;
    hotKey.setKeyDownHandler([&] { ++presses; });

    const QStringList lockSequence = {QStringLiteral("Caps_Lock"), QStringLiteral("Num_Lock"),
                                      QStringLiteral("Caps_Lock"), QStringLiteral("Num_Lock")};
    int expected = 0;
    for (const QString& lock : lockSequence) {
        QVERIFY(_desktop.press(lock));
        QVERIFY(_desktop.press(QStringLiteral("ctrl+alt+k")));
        ++expected;
        QTRY_COMPARE(presses, expected);
    }
}

void TestX11HotKey::everyModifierIsGrabbed_data() {
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<QString>("keys");
    QTest::newRow("shift command space")
        << QStringLiteral("⇧⌘␣") << QStringLiteral("shift+super+space");
    QTest::newRow("control option K") << QStringLiteral("⌃⌥K") << QStringLiteral("ctrl+alt+k");
    QTest::newRow("command A") << QStringLiteral("⌘A") << QStringLiteral("super+a");
    QTest::newRow("all four, B") << QStringLiteral("⇧⌃⌘⌥B")
                                 << QStringLiteral("shift+ctrl+super+alt+b");
    QTest::newRow("key alone") << QStringLiteral("Q") << QStringLiteral("q");
}

void TestX11HotKey::everyModifierIsGrabbed() {
    QFETCH(QString, shortcut);
    QFETCH(QString, keys);
    const ParsedShortcut parsed = parseShortcut(shortcut);
    HotKey hotKey(parsed.keyCode, parsed.modifiers);
    QVERIFY(hotKey.isRegistered());
    int presses = 0;
    hotKey.setKeyDownHandler([&] { ++presses; });
    QVERIFY(_desktop.press(keys));
    QTRY_COMPARE(presses, 1);
}

void TestX11HotKey::combinationHeldElsewhereIsRefused() {
    const ParsedShortcut taken = parseShortcut(QStringLiteral("⌃⌥K"));
    HotKeyHolder holder(_desktop, taken);
    QCOMPARE(holder.readLine(), QStringLiteral("held"));

    int presses = 0;
    {
        HotKey refused(taken.keyCode, taken.modifiers);
        QVERIFY(!refused.isRegistered());
        refused.setKeyDownHandler([&] { ++presses; });
        // The press reaches the program that holds the combination, not us.
        QVERIFY(_desktop.press(QStringLiteral("ctrl+alt+k")));
        QCOMPARE(holder.readLine(), QStringLiteral("pressed"));
        QVERIFY(flushKeyEvents());
        QCOMPARE(presses, 0);
    }

    // A different combination is free.
    const ParsedShortcut other = parseShortcut(QStringLiteral("⌃⌥L"));
    HotKey hotKey(other.keyCode, other.modifiers);
    QVERIFY(hotKey.isRegistered());
    hotKey.setKeyDownHandler([&] { ++presses; });
    QVERIFY(_desktop.press(QStringLiteral("ctrl+alt+l")));
    QTRY_COMPARE(presses, 1);

    // Once the other program is gone, the first combination can be had.
    QVERIFY(holder.stop());
    QTRY_VERIFY(HotKey(taken.keyCode, taken.modifiers).isRegistered());
}

VANTRI_X11_TEST_MAIN(TestX11HotKey)
#include "tst_x11_hotkey.moc"
