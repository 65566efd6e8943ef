#include "LauncherFixture.h"
#include "index/AppIndexManager.h"
#include "launcher/SearchPipeline.h"
#include "scripts/ScriptManager.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
const QString smiley = QString::fromUcs4(U"\U0001F600");

QString listed(const ResultItems& items) {
    QStringList result;
    for (const ResultItem& item : items)
        result.append(item.name + (item.type == ResultType::app ? u" (app)"_s : u" (command)"_s));
    return result.join(u", "_s);
}

struct Catalogues {
    TempTree tree;
    AppIndexManager apps{QStringList(), LauncherFixture::writeIndexFile(
                                            tree, {u"notes"_s, u"text editor"_s, u"zed"_s,
                                                   u"\uFB01le tool"_s, u"caf\u00E9"_s})};
    ScriptManager scripts;

    Catalogues() {
        scripts.loadScripts(
            LauncherFixture::writeScripts(tree, {{u"notes"_s, u"Jot"_s},
                                                 {u"Backup"_s, u"Archive"_s},
                                                 {smiley + u" tool"_s, u"Smile"_s}}));
    }

    ResultItems search(const QString& query) const {
        return SearchPipeline::performSearch(*apps.apps(), *scripts.scripts(), query);
    }
};
} // namespace

class TestSearchPipeline : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void findsApplicationsAndScripts_data();
    void findsApplicationsAndScripts();
    void resultsCarryTheirTargets();
    void typingIsDebouncedIntoOneSearch();
};

void TestSearchPipeline::findsApplicationsAndScripts_data() {
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("results");
    QTest::newRow("nothing typed") << QString() << QString();
    QTest::newRow("case folded") << u"NOTES"_s << u"notes (app), notes (command)"_s;
    // A script is found by its display name too, and listed under its command.
    QTest::newRow("display name") << u"archive"_s << u"backup (command)"_s;
    // The query is used whole: spaces take part, and a command with an argument matches nothing.
    QTest::newRow("space inside") << u"text "_s << u"text editor (app)"_s;
    QTest::newRow("command and argument") << u"notes now"_s << QString();
    QTest::newRow("decomposed query") << u"CAFE\u0301"_s << u"caf\u00E9 (app)"_s;
    // Scripts fall in between the applications; "café" holds no plain "e". U+FB01 sorts
    // before U+1F600 by code point, although its UTF-16 unit is the larger.
    QTest::newRow("one merged list")
        << u"e"_s
        << u"backup (command), notes (app), notes (command), text editor (app), "
           "zed (app), \uFB01le tool (app), "_s +
               smiley + u" tool (command)"_s;
}

void TestSearchPipeline::findsApplicationsAndScripts() {
    QFETCH(QString, query);
    QFETCH(QString, results);
    QCOMPARE(listed(Catalogues().search(query)), results);
}

void TestSearchPipeline::resultsCarryTheirTargets() {
    Catalogues catalogues;
    const ResultItems items = catalogues.search(u"notes"_s);
    QCOMPARE(items.at(0).url, LauncherFixture::applicationPath(catalogues.tree, u"notes"_s));
    QVERIFY(!items.at(0).metadata);
    QVERIFY(!items.at(1).url);
    QCOMPARE(items.at(1).metadata->name, u"Jot"_s);
}

void TestSearchPipeline::typingIsDebouncedIntoOneSearch() {
    Catalogues catalogues;
    auto pipeline = std::make_unique<SearchPipeline>(catalogues.scripts, catalogues.apps);
    QSignalSpy started(pipeline.get(), &SearchPipeline::searchStarted);
    QSignalSpy finished(pipeline.get(), &SearchPipeline::searchFinished);
    auto* debounce = pipeline->findChild<QTimer*>();
    QVERIFY(debounce);
    QSignalSpy debounced(debounce, &QTimer::timeout);

    pipeline->send(u"ignored before set-up"_s);
    QCOMPARE(pipeline->currentQuery(), std::nullopt);
    // Each set-up searches the empty query, even right after another.
    for (int setup = 0; setup < 2; ++setup) {
        pipeline->setupSearch();
        QCOMPARE(pipeline->currentQuery(), QString());
        QVERIFY(finished.wait());
    }
    QVERIFY(finished.last().at(1).value<ResultItems>().isEmpty());

    for (const QString& query : {u"n"_s, u"no"_s, u"not"_s})
        pipeline->send(query);
    QVERIFY(finished.wait());
    QCOMPARE(listed(finished.last().at(1).value<ResultItems>()), u"notes (app), notes (command)"_s);
    // A letter typed and deleted within the debounce leaves the query as it was.
    pipeline->send(u"note"_s);
    pipeline->send(u"not"_s);
    QVERIFY(debounced.wait());
    QCOMPARE(started.size(), 3);
    QCOMPARE(started.last().at(0).toString(), u"not"_s);

    // A pipeline gone before its search ends reports nothing.
    pipeline->send(u"e"_s);
    QVERIFY(started.wait());
    const auto finishedBefore = finished.count();
    pipeline.reset();
    QCoreApplication::processEvents();
    QCOMPARE(finished.count(), finishedBefore);
}

QTEST_GUILESS_MAIN(TestSearchPipeline)
#include "tst_searchpipeline.moc"
