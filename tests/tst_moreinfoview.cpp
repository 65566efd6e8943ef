// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "product/AppVersion.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestMoreInfoView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void versionTextShowsTheBuildsVersion();
};

void TestMoreInfoView::versionTextShowsTheBuildsVersion() {
    QVERIFY2(QRegularExpression(u"^v\\d+\\.\\d+\\.\\d+\\(\\d+\\)$"_s)
                 .match(appVersionString())
                 .hasMatch(),
             qPrintable(appVersionString()));
    // The values are put in whole, never read as placeholders themselves.
    QCOMPARE(appVersionString(u"%2"_s, u"%1"_s), u"v%2(%1)"_s);
}

QTEST_GUILESS_MAIN(TestMoreInfoView)
#include "tst_moreinfoview.moc"
