// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "product/AppVersion.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestMoreInfoView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void versionTextNamesMissingValuesUnknown();
    void buildCarriesItsVersion();
};

void TestMoreInfoView::versionTextNamesMissingValuesUnknown() {
    QCOMPARE(appVersionString(u"1.2"_s, std::nullopt), u"v1.2(Unknown)"_s);
    QCOMPARE(appVersionString(std::nullopt, u"7"_s), u"vUnknown(7)"_s);
    // A version that looks like a placeholder is shown as it is.
    QCOMPARE(appVersionString(u"%2"_s, u"%1"_s), u"v%2(%1)"_s);
}

void TestMoreInfoView::buildCarriesItsVersion() {
    QVERIFY2(QRegularExpression(u"^v\\d+\\.\\d+\\.\\d+\\(\\d+\\)$"_s)
                 .match(appVersionString())
                 .hasMatch(),
             qPrintable(appVersionString()));
}

QTEST_GUILESS_MAIN(TestMoreInfoView)
#include "tst_moreinfoview.moc"
