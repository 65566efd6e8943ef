#include "LauncherFixture.h"
#include "TempTree.h"
#include "index/AppIndexManager.h"
#include "launcher/SearchPipeline.h"
#include "scripts/ScriptManager.h"

#include <QSet>
#include <QtTest>

using LauncherFixture::Script;

namespace {
struct Listed {
    QString name;
    ResultType type;
    bool operator==(const Listed&) const = default;
};

} // namespace

namespace QTest {
template <> char* toString(const Listed& listed) {
    return QTest::toString(listed.name + (listed.type == ResultType::app
                                              ? QStringLiteral(" (app)")
                                              : QStringLiteral(" (command)")));
}
} // namespace QTest

namespace {
QList<Listed> listed(const ResultItems& items) {
    QList<Listed> result;
    for (const ResultItem& item : items)
        result.append({item.name, item.type});
    return result;
}

const auto app = ResultType::app;
const auto command = ResultType::command;

// Applications and scripts chosen so that orders, folding and the two script
// fields each make a difference somewhere.
struct Catalogues {
    TempTree tree;
    AppIndexManager apps{QStringList(),
                         LauncherFixture::writeIndexFile(
                             tree, {QStringLiteral("notes"), QStringLiteral("calculator"),
                                    QStringLiteral("text editor"), QStringLiteral("zed"),
                                    QStringLiteral("\uFB01le tool"), QStringLiteral("caf\u00E9")})};
    ScriptManager scripts;

    Catalogues() {
        const QString body = QStringLiteral("exit 0\n");
        LauncherFixture::writeScript(tree, QStringLiteral("notes"),
                                     {QStringLiteral("notes"), QStringLiteral("Jot"), body});
        LauncherFixture::writeScript(tree, QStringLiteral("deploy"),
                                     {QStringLiteral("deploy"), QStringLiteral("Ship It"), body});
        LauncherFixture::writeScript(tree, QStringLiteral("backup"),
                                     {QStringLiteral("Backup"), QStringLiteral("Archive"), body});
        LauncherFixture::writeScript(tree, QStringLiteral("emoji"),
                                     {QString::fromUcs4(U"\U0001F600") + QStringLiteral(" tool"),
                                      QStringLiteral("Smile"), body});
        scripts.loadScripts(LauncherFixture::scriptsFolder(tree));
    }

    ResultItems search(const QString& query) const {
        return SearchPipeline::performSearch(*apps.apps(), *scripts.scripts(), query);
    }
};
} // namespace

class TestSearchPipeline : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void matchesApplicationsAndScriptsByFoldedNames();
    void ordersByCodePointsWithApplicationsFirst();
    void everySearchMintsNewIdentifiers();
    void typingQuicklyStartsOneSearch();
    void aQueryEqualToThePreviousOneIsNotSearchedAgain();
    void eachSetUpSearchesTheEmptyQuery();
    void aPipelineGoneBeforeItsSearchEndsIsSafe();
};

void TestSearchPipeline::matchesApplicationsAndScriptsByFoldedNames() {
    Catalogues catalogues;
    QVERIFY(catalogues.search(QString()).isEmpty());
    QCOMPARE(listed(catalogues.search(QStringLiteral("NOTES"))),
             (QList<Listed>{{QStringLiteral("notes"), app}, {QStringLiteral("notes"), command}}));
    // Found by its display name, listed under its command.
    QCOMPARE(listed(catalogues.search(QStringLiteral("ship"))),
             (QList<Listed>{{QStringLiteral("deploy"), command}}));
    QCOMPARE(listed(catalogues.search(QStringLiteral("archive"))),
             (QList<Listed>{{QStringLiteral("backup"), command}}));
    // The query is used whole: spaces take part, and a command with an argument matches nothing.
    QCOMPARE(listed(catalogues.search(QStringLiteral("text "))),
             (QList<Listed>{{QStringLiteral("text editor"), app}}));
    QVERIFY(catalogues.search(QStringLiteral("deploy now")).isEmpty());
    QVERIFY(catalogues.search(QStringLiteral("zed ")).isEmpty());
    // A decomposed query finds a precomposed name.
    QCOMPARE(listed(catalogues.search(QStringLiteral("CAFE\u0301"))),
             (QList<Listed>{{QStringLiteral("caf\u00E9"), app}}));

    const ResultItems items = catalogues.search(QStringLiteral("notes"));
    QCOMPARE(items.at(0).url,
             LauncherFixture::applicationPath(catalogues.tree, QStringLiteral("notes")));
    QVERIFY(!items.at(0).metadata);
    QVERIFY(!items.at(1).url);
    QCOMPARE(items.at(1).metadata->name, QStringLiteral("Jot"));
}

void TestSearchPipeline::ordersByCodePointsWithApplicationsFirst() {
    Catalogues catalogues;
    // U+FB01 sorts before U+1F600 by code point, although its UTF-16 unit is the larger.
    QCOMPARE(
        listed(catalogues.search(QStringLiteral(" tool"))),
        (QList<Listed>{{QStringLiteral("\uFB01le tool"), app},
                       {QString::fromUcs4(U"\U0001F600") + QStringLiteral(" tool"), command}}));
    // Scripts fall in between the applications, not after them; "café" holds no plain "e".
    QCOMPARE(
        listed(catalogues.search(QStringLiteral("e"))),
        (QList<Listed>{{QStringLiteral("backup"), command},
                       {QStringLiteral("deploy"), command},
                       {QStringLiteral("notes"), app},
                       {QStringLiteral("notes"), command},
                       {QStringLiteral("text editor"), app},
                       {QStringLiteral("zed"), app},
                       {QStringLiteral("\uFB01le tool"), app},
                       {QString::fromUcs4(U"\U0001F600") + QStringLiteral(" tool"), command}}));
}

void TestSearchPipeline::everySearchMintsNewIdentifiers() {
    Catalogues catalogues;
    QSet<QUuid> seen;
    for (int round = 0; round < 3; ++round) {
        for (const ResultItem& item : catalogues.search(QStringLiteral("e"))) {
            QVERIFY(!item.id.isNull());
            QCOMPARE(item.id.version(), QUuid::Random);
            QVERIFY(!seen.contains(item.id));
            seen.insert(item.id);
        }
    }
}

void TestSearchPipeline::typingQuicklyStartsOneSearch() {
    Catalogues catalogues;
    SearchPipeline pipeline(catalogues.scripts, catalogues.apps);
    QSignalSpy started(&pipeline, &SearchPipeline::searchStarted);
    QSignalSpy finished(&pipeline, &SearchPipeline::searchFinished);

    pipeline.send(QStringLiteral("ignored before set-up"));
    QCOMPARE(pipeline.currentQuery(), std::nullopt);
    pipeline.setupSearch();
    pipeline.send(QStringLiteral("n"));
    pipeline.send(QStringLiteral("no"));
    pipeline.send(QStringLiteral("not"));
    QVERIFY(finished.wait());
    QCOMPARE(started.count(), 1);
    QCOMPARE(started.at(0).at(0).toString(), QStringLiteral("not"));
    QCOMPARE(finished.at(0).at(0).toString(), QStringLiteral("not"));
    QCOMPARE(listed(finished.at(0).at(1).value<ResultItems>()),
             (QList<Listed>{{QStringLiteral("notes"), app}, {QStringLiteral("notes"), command}}));
}

void TestSearchPipeline::aQueryEqualToThePreviousOneIsNotSearchedAgain() {
    Catalogues catalogues;
    SearchPipeline pipeline(catalogues.scripts, catalogues.apps);
    QSignalSpy started(&pipeline, &SearchPipeline::searchStarted);
    pipeline.setupSearch();
    pipeline.send(QStringLiteral("n"));
    QVERIFY(started.wait());
    QCOMPARE(started.takeFirst().at(0).toString(), QStringLiteral("n"));

    // A letter typed and deleted within the debounce leaves the query as it was.
    auto* debounce = pipeline.findChild<QTimer*>();
    QVERIFY(debounce);
    QSignalSpy debounced(debounce, &QTimer::timeout);
    pipeline.send(QStringLiteral("no"));
    pipeline.send(QStringLiteral("n"));
    QVERIFY(debounced.wait());
    QCOMPARE(started.count(), 0);

    pipeline.send(QStringLiteral("no"));
    QVERIFY(started.wait());
    QCOMPARE(started.at(0).at(0).toString(), QStringLiteral("no"));
}

void TestSearchPipeline::eachSetUpSearchesTheEmptyQuery() {
    Catalogues catalogues;
    SearchPipeline pipeline(catalogues.scripts, catalogues.apps);
    QSignalSpy finished(&pipeline, &SearchPipeline::searchFinished);
    pipeline.setupSearch();
    QCOMPARE(pipeline.currentQuery(), QString());
    QVERIFY(finished.wait());
    QCOMPARE(finished.at(0).at(0).toString(), QString());
    QVERIFY(finished.at(0).at(1).value<ResultItems>().isEmpty());

    // A fresh set-up forgets the query passed last: the empty one is searched again.
    pipeline.setupSearch();
    QVERIFY(finished.wait());
    QCOMPARE(finished.count(), 2);
    QCOMPARE(finished.at(1).at(0).toString(), QString());
}

void TestSearchPipeline::aPipelineGoneBeforeItsSearchEndsIsSafe() {
    Catalogues catalogues;
    auto pipeline = std::make_unique<SearchPipeline>(catalogues.scripts, catalogues.apps);
    QSignalSpy started(pipeline.get(), &SearchPipeline::searchStarted);
    QSignalSpy finished(pipeline.get(), &SearchPipeline::searchFinished);
    pipeline->setupSearch();
    pipeline->send(QStringLiteral("e"));
    QVERIFY(started.wait());
    const auto finishedBefore = finished.count();
    pipeline.reset();
    QCoreApplication::processEvents();
    QCOMPARE(finished.count(), finishedBefore);
}

QTEST_GUILESS_MAIN(TestSearchPipeline)
#include "tst_searchpipeline.moc"
