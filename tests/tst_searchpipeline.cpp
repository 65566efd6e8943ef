#include "LauncherFixture.h"
#include "index/AppIndexManager.h"
#include "launcher/SearchPipeline.h"
#include "scripts/ScriptManager.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
QString listed(const ResultItems& items) {
    QStringList result;
    for (const ResultItem& item : items)
        result.append(item.name + (item.type == ResultType::app ? u" (app)"_s : u" (command)"_s));
    return result.join(u", "_s);
}

struct Catalogues {
    TempTree tree;
    AppIndexManager apps{QStringList(), LauncherFixture::writeIndexFile(
                                            tree, {u"notes"_s, u"text editor"_s, u"zed"_s})};
    ScriptManager scripts;

    Catalogues() {
        LauncherFixture::loadScripts(
            scripts, LauncherFixture::writeScripts(
                         tree, {{u"notes"_s, u"Jot"_s}, {u"Backup"_s, u"Archive"_s}}));
    }
};
} // namespace

class TestSearchPipeline : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void findsApplicationsAndScripts();
    void typingIsDebouncedIntoOneSearch();
};

void TestSearchPipeline::findsApplicationsAndScripts() {
    const Catalogues catalogues;
    const auto search = [&](const QString& query) {
        return listed(SearchPipeline::performSearch(*catalogues.apps.apps(),
                                                    *catalogues.scripts.scripts(), query));
    };
    // A script is found by its display name too, and listed under its command.
    QCOMPARE(search(u"archive"_s), u"backup (command)"_s);
    // The query is used whole: a command with an argument matches nothing.
    QCOMPARE(search(u"notes now"_s), QString());
    // Case is folded, and scripts fall in between the applications.
    QCOMPARE(search(u"E"_s), u"backup (command), notes (app), notes (command), "
                             "text editor (app), zed (app)"_s);
}

void TestSearchPipeline::typingIsDebouncedIntoOneSearch() {
    Catalogues catalogues;
    SearchPipeline pipeline(catalogues.scripts, catalogues.apps);
    QSignalSpy started(&pipeline, &SearchPipeline::searchStarted);
    QSignalSpy finished(&pipeline, &SearchPipeline::searchFinished);
    pipeline.setupSearch();
    QVERIFY(finished.wait());
    for (const QString& query : {u"n"_s, u"no"_s, u"not"_s})
        pipeline.send(query);
    QVERIFY(finished.wait());
    QCOMPARE(started.size(), 2);
    QCOMPARE(finished.last().at(0).toString(), u"not"_s);
}

QTEST_GUILESS_MAIN(TestSearchPipeline)
#include "tst_searchpipeline.moc"
