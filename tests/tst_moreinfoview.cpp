#include "app/AppVersion.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestMoreInfoView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void versionTextNamesMissingValuesUnknown_data();
    void versionTextNamesMissingValuesUnknown();
    void buildCarriesItsVersion();
};

void TestMoreInfoView::versionTextNamesMissingValuesUnknown_data() {
    QTest::addColumn<std::optional<QString>>("shortVersion");
    QTest::addColumn<std::optional<QString>>("buildVersion");
    QTest::addColumn<QString>("text");
    const std::optional<QString> none;
    QTest::newRow("both") << std::optional(u"1.2"_s) << std::optional(u"7"_s) << u"v1.2(7)"_s;
    QTest::newRow("no build") << std::optional(u"1.2"_s) << none << u"v1.2(Unknown)"_s;
    QTest::newRow("no short version") << none << std::optional(u"7"_s) << u"vUnknown(7)"_s;
    QTest::newRow("neither") << none << none << u"vUnknown(Unknown)"_s;
    QTest::newRow("placeholders stay literal")
        << std::optional(u"%2"_s) << std::optional(u"%1"_s) << u"v%2(%1)"_s;
}

void TestMoreInfoView::versionTextNamesMissingValuesUnknown() {
    QFETCH(std::optional<QString>, shortVersion);
    QFETCH(std::optional<QString>, buildVersion);
    QFETCH(QString, text);
    QCOMPARE(appVersionString(shortVersion, buildVersion), text);
}

void TestMoreInfoView::buildCarriesItsVersion() {
    QVERIFY2(QRegularExpression(u"^v\\d+\\.\\d+\\.\\d+\\(\\d+\\)$"_s)
                 .match(appVersionString())
                 .hasMatch(),
             qPrintable(appVersionString()));
}

QTEST_GUILESS_MAIN(TestMoreInfoView)
#include "tst_moreinfoview.moc"
