// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "LauncherFixture.h"
#include "launcher/LauncherModel.h"
#include "ui/panel/LauncherView.h"

#include <QLineEdit>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestLauncherView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keysInTheFieldReachTheModel();
};

void TestLauncherView::keysInTheFieldReachTheModel() {
    LauncherFixture::Catalogues catalogues({u"alpha"_s, u"alps"_s});
    int dismissals = 0;
    LauncherView view(
        catalogues.scripts, catalogues.apps, [&] { ++dismissals; }, [] {});
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const LauncherModel& model = view.model();

    QTest::keyClicks(view.searchField(), u"al"_s);
    QTRY_COMPARE(model.resultItems().size(), 2);
    QTRY_COMPARE(view.contentHeight(), LauncherView::searchAreaHeight + LauncherView::spacing +
                                           2 * LauncherView::itemHeight);
    QTest::keyClick(view.searchField(), Qt::Key_Down);
    QCOMPARE(model.selectedIndex(), 1);

    QTest::keyClick(view.searchField(), Qt::Key_Escape);
    QCOMPARE(dismissals, 1);
    QVERIFY(view.searchText().isEmpty());
    QCOMPARE(view.contentHeight(), LauncherView::searchAreaHeight);
}

QTEST_MAIN(TestLauncherView)
#include "tst_launcherview.moc"
