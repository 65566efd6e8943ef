// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "LauncherFixture.h"
#include "launcher/SearchPipeline.h"

#include <QSemaphore>
#include <QThreadPool>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
QString listed(const ResultItems& items) {
    QStringList result;
    for (const ResultItem& item : items)
        result.append(item.name + (item.type == ResultType::app ? u" (app)"_s : u" (command)"_s));
    return result.join(u", "_s);
}

struct Catalogues : LauncherFixture::Catalogues {
    Catalogues(const QStringList& applications = {u"notes"_s, u"text editor"_s, u"zed"_s},
               const QList<LauncherFixture::Script>& scriptFiles = {{u"notes"_s, u"Jot"_s},
                                                                    {u"Backup"_s, u"Archive"_s}})
        : LauncherFixture::Catalogues(applications, scriptFiles) {}

    QString search(const QString& query) {
        if (!QTest::qWaitFor([this] { return apps.isLoaded(); }))
            return u"(index never loaded)"_s;
        return listed(SearchPipeline::performSearch(apps.apps(), scripts.scripts(), query));
    }
};

// Holds every thread of the global pool until released, so that nothing
// queued there (reading the index file, a search) runs meanwhile.
class HeldPool {
public:
    HeldPool()
        : _threads(QThreadPool::globalInstance()->maxThreadCount()) {
        for (int i = 0; i < _threads; ++i)
            QThreadPool::globalInstance()->start([this] {
                _held.release();
                _release.acquire();
            });
        _held.acquire(_threads);
    }
    ~HeldPool() { release(); }
    void release() { _release.release(_threads - std::exchange(_released, _threads)); }

private:
    const int _threads;
    int _released = 0;
    QSemaphore _held;
    QSemaphore _release;
};
} // namespace

class TestSearchPipeline : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void findsApplicationsAndScripts();
    void applicationsAndScriptsMergeByFoldedNames();
    void typingIsDebouncedIntoOneSearch();
    void searchTypedBeforeTheIndexIsReadWaitsForIt();
};

void TestSearchPipeline::findsApplicationsAndScripts() {
    Catalogues catalogues;
    const auto search = [&](const QString& query) { return catalogues.search(query); };
    // A script is found by its display name too, and listed under its command.
    QCOMPARE(search(u"archive"_s), u"backup (command)"_s);
    // The query is used whole: a command with an argument matches nothing.
    QCOMPARE(search(u"notes now"_s), QString());
    // Case is folded, and scripts fall in between the applications.
    QCOMPARE(search(u"E"_s), u"backup (command), notes (app), notes (command), "
                             "text editor (app), zed (app)"_s);
}

void TestSearchPipeline::applicationsAndScriptsMergeByFoldedNames() {
    // Decomposed keys and names sort where their composed forms do: after
    // every plain Latin letter, whichever side they are on.
    const QString eclair = u"e\u0301clair"_s;
    const QString ecran = u"e\u0301cran"_s;
    Catalogues catalogues({u"fan"_s, ecran, u"zap"_s},
                          {{eclair, u"Pastry"_s}, {u"\u00E9tage"_s, u"Floor"_s}});
    QCOMPARE(catalogues.search(u"a"_s), u"fan (app), zap (app), "_s + eclair + u" (command), "_s +
                                            ecran + u" (app), \u00E9tage (command)"_s);
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

void TestSearchPipeline::searchTypedBeforeTheIndexIsReadWaitsForIt() {
    Catalogues catalogues;
    HeldPool pool;
    AppIndexManager apps(QStringList(), catalogues.apps.indexFilePath());
    // Building the manager only started the reading of the file.
    QVERIFY(apps.apps()->isEmpty());
    SearchPipeline pipeline(catalogues.scripts, apps);
    QSignalSpy started(&pipeline, &SearchPipeline::searchStarted);
    QStringList finished;
    connect(&pipeline, &SearchPipeline::searchFinished, this,
            [&](const QString& query, const ResultItems& results) {
                finished.append(query + u": "_s + listed(results));
            });
    pipeline.setupSearch();
    pipeline.send(u"o"_s);
    QTRY_COMPARE(started.size(), 1);
    QCOMPARE(started.first().first().toString(), u"o"_s);
    pool.release();
    QTRY_COMPARE(finished, QStringList{u"o: notes (app), notes (command), text editor (app)"_s});
}

QTEST_GUILESS_MAIN(TestSearchPipeline)
#include "tst_searchpipeline.moc"
