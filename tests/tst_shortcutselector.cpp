#include "SettingsFixture.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"
#include "ui/ShortcutSelectorView.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A chooser opened over an AppState that has saved ⌃A. Each registration is recorded
// with the saved shortcut and the chooser's visibility at that moment.
struct Fixture : SettingsState {
    QWidget window;
    QList<QPair<QString, bool>> registrations;
    QPointer<ShortcutSelectorView> view;

    Fixture() {
        appState.setSavedShortcut(u"⌃A"_s);
        window.show();
        view = new ShortcutSelectorView(appState, &window, [this] {
            registrations.append({appState.savedShortcut(), view->isVisible()});
        });
        view->setAttribute(Qt::WA_DeleteOnClose);
        view->open();
    }

    QPushButton* button(const QString& text) const { return buttonShowing(*view, text); }

    // Every key symbol is one UTF-16 unit.
    void click(const QString& symbols) const {
        for (const QChar symbol : symbols)
            QTest::mouseClick(button(symbol), Qt::LeftButton);
    }

    // The symbols of the checked key caps, in code point order.
    QString checkedSymbols() const {
        QString symbols;
        for (QPushButton* candidate : view->findChildren<QPushButton*>()) {
            if (candidate->isChecked())
                symbols += candidate->text();
        }
        std::sort(symbols.begin(), symbols.end());
        return symbols;
    }
};

QString storedShortcut() {
    return openPreferences()->value(PreferenceKeys::savedShortcut).toString();
}

} // namespace

class TestShortcutSelector : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void setTakesOnlyACompleteChoice_data();
    void setTakesOnlyACompleteChoice();
    void cancelChangesNothing();
};

void TestShortcutSelector::setTakesOnlyACompleteChoice_data() {
    QTest::addColumn<QString>("clicks");
    QTest::addColumn<QString>("checked");
    QTest::addColumn<QString>("saved"); // empty where Set is refused
    QTest::newRow("opens with nothing selected") << QString() << QString() << QString();
    QTest::newRow("modifier alone") << u"⌃"_s << u"⌃"_s << QString();
    QTest::newRow("key alone") << u"␣"_s << u"␣"_s << QString();
    QTest::newRow("third modifier refused") << u"⌘⌥⇧K"_s << u"K⌘⌥"_s << u"⌘⌥K"_s;
    QTest::newRow("freed place taken") << u"⌘⌥⇧⌘⇧A"_s << u"A⇧⌥"_s << u"⇧⌥A"_s;
    QTest::newRow("new key replaces the old") << u"⌃BQQ"_s << u"Q⌃"_s << u"⌃Q"_s;
    // The saved string puts the modifiers in code point order, whatever the clicks' order.
    QTest::newRow("key first") << u"Z⌘⇧"_s << u"Z⇧⌘"_s << u"⇧⌘Z"_s;
}

void TestShortcutSelector::setTakesOnlyACompleteChoice() {
    QFETCH(QString, clicks);
    QFETCH(QString, checked);
    QFETCH(QString, saved);
    Fixture fixture;
    fixture.click(clicks);
    QCOMPARE(fixture.checkedSymbols(), checked);
    QCOMPARE(fixture.button(u"Set"_s)->isEnabled(), !saved.isEmpty());
    QTest::mouseClick(fixture.button(u"Set"_s), Qt::LeftButton);
    if (saved.isEmpty()) {
        QVERIFY(fixture.view->isVisible() && fixture.registrations.isEmpty());
        QCOMPARE(fixture.appState.savedShortcut(), u"⌃A"_s);
        return;
    }
    // Registered once, after the new string was saved and before the chooser closed.
    QCOMPARE(fixture.registrations, (QList<QPair<QString, bool>>{{saved, true}}));
    QTRY_VERIFY(!fixture.view);
    QCOMPARE(storedShortcut(), saved);
}

void TestShortcutSelector::cancelChangesNothing() {
    Fixture fixture;
    QSignalSpy changes(&fixture.appState, &AppState::savedShortcutChanged);
    fixture.click(u"⌘Q"_s);
    QTest::mouseClick(fixture.button(u"Cancel"_s), Qt::LeftButton);
    QTRY_VERIFY(!fixture.view);
    QVERIFY(fixture.registrations.isEmpty() && changes.isEmpty());
    QCOMPARE(storedShortcut(), u"⌃A"_s);
}

QTEST_MAIN(TestShortcutSelector)
#include "tst_shortcutselector.moc"
