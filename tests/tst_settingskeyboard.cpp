// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SettingsFixture.h"
#include "ui/settings/Settings.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// The widgets of `window` that Tab may stop at as it is shown now.
QSet<QWidget*> tabStops(const QWidget& window) {
    QSet<QWidget*> stops;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisible() && widget->isEnabled())
            stops.insert(widget);
    }
    return stops;
}

// Where Tab goes from the focus widget, once round.
QSet<QWidget*> tabRound(QWidget& window) {
    QSet<QWidget*> reached;
    for (int press = 0; press < 40; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached.insert(QApplication::focusWidget());
    }
    reached.remove(&window);
    return reached;
}

} // namespace

// Settings with the keyboard alone.
class TestSettingsKeyboard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tabReachesEveryControlOfEachTab();
};

void TestSettingsKeyboard::tabReachesEveryControlOfEachTab() {
    SettingsState state;
    Settings settings(state.appState);
    settings.show();
    QApplication::setActiveWindow(&settings);
    QVERIFY(QTest::qWaitForWindowActive(&settings));
    QTest::keyClick(&settings, Qt::Key_Tab);
    QVERIFY(QApplication::focusWidget());

    // Ctrl+Tab goes on to the next tab, round to the first; Ctrl+Shift+Tab back.
    for (const int expected : {1, 2, 0}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(settings.selectedTab(), expected);
        QCOMPARE(tabRound(settings), tabStops(settings));
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab,
                    Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(settings.selectedTab(), 2);

    // The header opens the support sheet from the keyboard.
    QWidget* header = settings.findChild<QWidget*>(u"header"_s);
    header->setFocus();
    QTest::keyClick(header, Qt::Key_Return);
    QTRY_VERIFY(settings.moreInfo());
}

QTEST_MAIN(TestSettingsKeyboard)
#include "tst_settingskeyboard.moc"
