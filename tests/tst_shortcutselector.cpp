// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SettingsFixture.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"
#include "ui/settings/ShortcutSelectorView.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A chooser opened over an AppState that has saved ⌃A, with a listener in the
// delegate's place: it records each chosen shortcut with the one saved at that
// moment, and refuses every choice while `refuse` is set.
struct Fixture : SettingsState {
    QWidget window;
    QStringList chosen;
    bool refuse = false;
    QPointer<ShortcutSelectorView> view;

    Fixture() {
        appState.setSavedShortcut(u"⌃A"_s);
        QObject::connect(
            &appState, &AppState::shortcutChosen, &window, [this](const QString& shortcut) {
                chosen.append(shortcut + u" over "_s +
                              openPreferences()->value(PreferenceKeys::savedShortcut).toString());
                if (refuse)
                    appState.setHotKeyProblem(shortcut + u" is taken"_s);
            });
        window.show();
        view = new ShortcutSelectorView(appState, &window);
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
    void choiceThatCannotBeHadKeepsTheSavedOne();
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
    // Announced once, to be put in force before it is saved.
    QCOMPARE(fixture.chosen,
             stored.isEmpty() ? QStringList() : QStringList{stored + u" over ⌃A"_s});
    QCOMPARE(fixture.appState.savedShortcut(), stored.isEmpty() ? u"⌃A"_s : stored);
    QVERIFY(fixture.appState.hotKeyProblem().isEmpty());
}

void TestShortcutSelector::choiceThatCannotBeHadKeepsTheSavedOne() {
    Fixture fixture;
    fixture.refuse = true;
    for (const QString& text : {u"⌥"_s, u"⌃"_s, u"K"_s, u"Set"_s})
        QTest::mouseClick(buttonShowing(*fixture.view, text), Qt::LeftButton);
    QTRY_VERIFY(fixture.view.isNull());
    QCOMPARE(fixture.appState.savedShortcut(), u"⌃A"_s);
    QCOMPARE(openPreferences()->value(PreferenceKeys::savedShortcut).toString(), u"⌃A"_s);
    QCOMPARE(fixture.appState.hotKeyProblem(), u"⌃⌥K is taken"_s);

    // A later choice that is put in force clears the report.
    fixture.refuse = false;
    fixture.appState.chooseShortcut(u"⌘B"_s);
    QCOMPARE(fixture.appState.savedShortcut(), u"⌘B"_s);
    QVERIFY(fixture.appState.hotKeyProblem().isEmpty());
}

QTEST_MAIN(TestShortcutSelector)
#include "tst_shortcutselector.moc"
