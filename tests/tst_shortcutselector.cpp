#include "SettingsFixture.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"
#include "ui/ShortcutSelectorView.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A chooser opened over an AppState that has saved ⌃A. Each registration records the
// shortcut stored in the preferences at that moment.
struct Fixture : SettingsState {
    QWidget window;
    QStringList registrations;
    QPointer<ShortcutSelectorView> view;

    Fixture() {
        appState.setSavedShortcut(u"⌃A"_s);
        window.show();
        view = new ShortcutSelectorView(appState, &window, [this] {
            registrations.append(
                openPreferences()->value(PreferenceKeys::savedShortcut).toString());
        });
        view->setAttribute(Qt::WA_DeleteOnClose);
        view->open();
    }
};

} // namespace

class TestShortcutSelector : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void setTakesOnlyACompleteChoice_data();
    void setTakesOnlyACompleteChoice();
};

void TestShortcutSelector::setTakesOnlyACompleteChoice_data() {
    QTest::addColumn<QString>("clicks"); // the buttons clicked, by their text
    QTest::addColumn<QString>("stored"); // empty where nothing is stored
    QTest::addColumn<bool>("closed");
    QTest::newRow("opens empty") << u"Set"_s << QString() << false;
    QTest::newRow("modifier alone") << u"⌃ Set"_s << QString() << false;
    QTest::newRow("third modifier refused") << u"⌘ ⌥ ⇧ K Set"_s << u"⌘⌥K"_s << true;
    QTest::newRow("new key replaces the old") << u"⌃ B Q Q Set"_s << u"⌃Q"_s << true;
    QTest::newRow("cancel") << u"⌘ Q Cancel"_s << QString() << true;
}

void TestShortcutSelector::setTakesOnlyACompleteChoice() {
    QFETCH(QString, clicks);
    QFETCH(QString, stored);
    QFETCH(bool, closed);
    Fixture fixture;
    for (const QString& text : clicks.split(u' '))
        QTest::mouseClick(buttonShowing(*fixture.view, text), Qt::LeftButton);
    QTRY_COMPARE(fixture.view.isNull(), closed);
    // Registered once, after the new shortcut was stored.
    QCOMPARE(fixture.registrations, stored.isEmpty() ? QStringList() : QStringList{stored});
    QCOMPARE(fixture.appState.savedShortcut(), stored.isEmpty() ? u"⌃A"_s : stored);
}

QTEST_MAIN(TestShortcutSelector)
#include "tst_shortcutselector.moc"
