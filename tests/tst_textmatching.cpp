#include "launcher/TextMatching.h"

#include <QtTest>

class TestTextMatching : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void foldingMakesCaseAndCompositionIrrelevant();
    void emptyNeedleMatchesNothing();
    void orderFollowsCodePoints();
};

void TestTextMatching::foldingMakesCaseAndCompositionIrrelevant() {
    const QString precomposed = QStringLiteral("Caf\u00C9");
    const QString decomposed = QStringLiteral("cafe\u0301");
    QCOMPARE(TextMatching::fold(precomposed), TextMatching::fold(decomposed));
    QVERIFY(TextMatching::containsFolded(TextMatching::fold(QStringLiteral("Le Caf\u00E9 Bleu")),
                                         TextMatching::fold(decomposed)));
    QVERIFY(!TextMatching::containsFolded(TextMatching::fold(QStringLiteral("cafe")),
                                          TextMatching::fold(decomposed)));
    // The Turkish dotted capital I lowers the same way whatever the locale.
    QLocale::setDefault(QLocale(QLocale::Turkish));
    QCOMPARE(TextMatching::fold(QStringLiteral("I")), QStringLiteral("i"));
    QLocale::setDefault(QLocale::c());
}

void TestTextMatching::emptyNeedleMatchesNothing() {
    QVERIFY(!TextMatching::containsFolded(QStringLiteral("anything"), QString()));
    QVERIFY(!TextMatching::containsFolded(QString(), QString()));
}

void TestTextMatching::orderFollowsCodePoints() {
    using TextMatching::codePointLess;
    QVERIFY(codePointLess(u"abc", u"abd"));
    QVERIFY(codePointLess(u"ab", u"abc"));
    QVERIFY(!codePointLess(u"abc", u"abc"));
    QVERIFY(codePointLess(u"Z", u"a"));
    // U+FB01 (a ligature in the BMP) sorts before U+1F600, although its UTF-16 unit is larger.
    const QString ligature = QStringLiteral("\uFB01");
    const QString emoji = QString::fromUcs4(U"\U0001F600");
    QVERIFY(codePointLess(ligature, emoji));
    QVERIFY(!codePointLess(emoji, ligature));
}

QTEST_GUILESS_MAIN(TestTextMatching)
#include "tst_textmatching.moc"
