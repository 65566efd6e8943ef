// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "LauncherFixture.h"
#include "app/window/LauncherPlacement.h"
#include "app/window/MainScreenChoice.h"
#include "index/AppIndex.h"
#include "index/AppIndexManager.h"
#include "launcher/LauncherController.h"
#include "launcher/LauncherModel.h"
#include "launcher/SearchPipeline.h"
#include "scripts/ScriptManager.h"
#include "scripts/run/ScriptRun.h"
#include "ui/panel/LauncherView.h"
#include "ui/panel/ResultView.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSemaphore>
#include <QThreadPool>
#include <QtTest>
#include <optional>

using namespace Qt::StringLiterals;

using LauncherFixture::Script;

namespace {
QStringList names(const ResultItems& items) {
    QStringList result;
    for (const ResultItem& item : items)
        result.append(item.name);
    return result;
}

QString listed(const ResultItems& items) {
    QStringList result;
    for (const ResultItem& item : items)
        result.append(item.name + (item.type == ResultType::app ? u" (app)"_s : u" (command)"_s));
    return result.join(u", "_s);
}

const QStringList someApplications{u"notes"_s, u"text editor"_s, u"zed"_s};
const QList<Script> someScripts{{u"notes"_s, u"Jot"_s}, {u"Backup"_s, u"Archive"_s}};

// The launcher without its window over real catalogues; the applications it
// opens, the panel's hiding and every message it shows are recorded.
struct Launcher : LauncherFixture::Catalogues {
    int windowHides = 0;
    QStringList opened;
    QStringList messages;
    LauncherModel model{scripts, apps, [this] { ++windowHides; }};
    LauncherController& controller = model.controller();
    bool searching = false;

    explicit Launcher(const QStringList& applications, const QList<Script>& scriptFiles = {})
        : Catalogues(applications, scriptFiles) {
        controller.setApplicationOpener([this](const QString& path) {
            opened.append(QFileInfo(path).completeBaseName());
            return ApplicationLaunch{true, {}};
        });
        LauncherFixture::recordMessages(controller, messages);
    }

    // Sends `query` as typed and waits until its results are shown. The panel's
    // search starts with the first query, so that it never clears the
    // messages of the tests that run scripts without one.
    void type(const QString& query, const QStringList& expected) {
        if (!std::exchange(searching, true))
            model.setupSearch();
        model.searchPipeline().send(query);
        QTRY_COMPARE(names(model.resultItems()), expected);
        QTRY_VERIFY(model.showResults() == !query.isEmpty());
    }

    // What a search for `query` lists, once the index is read.
    QString search(const QString& query) {
        if (!QTest::qWaitFor([this] { return apps.isLoaded(); }))
            return u"(index never loaded)"_s;
        return listed(SearchPipeline::performSearch(apps.apps(), scripts.scripts(), query));
    }

    // The script result a search for `query` lists first.
    ResultItem result(const QString& query) const {
        const ResultItems results = SearchPipeline::performSearch(
            std::make_shared<const AppIndex>(), scripts.scripts(), query);
        if (results.isEmpty())
            qFatal("nothing found for %s", qPrintable(query));
        return results.first();
    }

    // Whether every run has reported its outcome (a run deletes itself then).
    bool runsEnded() const { return scripts.findChildren<ScriptRun*>().isEmpty(); }
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

constexpr int itemHeight = 50;

ResultItems items(int count) {
    QHash<QString, QString> pathsByName;
    for (int i = 0; i < count; ++i)
        pathsByName.insert(u"app %1"_s.arg(i), u"/apps/%1"_s.arg(i));
    ResultItems result(std::make_shared<const AppIndex>(pathsByName),
                       std::make_shared<const ScriptCatalogue>());
    for (int i = 0; i < count; ++i)
        result.appendApp(static_cast<uint32_t>(i));
    return result;
}
} // namespace

using OptionalRect = std::optional<QRect>;
using OptionalPoint = std::optional<QPoint>;
Q_DECLARE_METATYPE(OptionalRect)
Q_DECLARE_METATYPE(OptionalPoint)

class TestLauncher : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void findsApplicationsAndScriptsMergedByFoldedNames() {
        Launcher catalogues(someApplications, someScripts);
        const auto search = [&](const QString& query) { return catalogues.search(query); };
        // A script is found by its display name too, and listed under its command.
        QCOMPARE(search(u"archive"_s), u"backup (command)"_s);
        // The query is used whole: a command with an argument matches nothing.
        QCOMPARE(search(u"notes now"_s), QString());
        // Case is folded, and scripts fall in between the applications.
        QCOMPARE(search(u"E"_s), u"backup (command), notes (app), notes (command), "
                                 "text editor (app), zed (app)"_s);

        // Decomposed keys and names sort where their composed forms do: after
        // every plain Latin letter, whichever side they are on.
        const QString eclair = u"e\u0301clair"_s;
        const QString ecran = u"e\u0301cran"_s;
        Launcher accented({u"fan"_s, ecran, u"zap"_s},
                          {{eclair, u"Pastry"_s}, {u"\u00E9tage"_s, u"Floor"_s}});
        QCOMPARE(accented.search(u"a"_s), u"fan (app), zap (app), "_s + eclair + u" (command), "_s +
                                              ecran + u" (app), \u00E9tage (command)"_s);
    }

    void typingIsDebouncedIntoOneSearch() {
        Launcher catalogues(someApplications, someScripts);
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

    void searchTypedBeforeTheIndexIsReadWaitsForIt() {
        Launcher catalogues(someApplications, someScripts);
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
        QTRY_COMPARE(finished,
                     QStringList{u"o: notes (app), notes (command), text editor (app)"_s});
    }

    void selectionStaysWithinTheList() {
        Launcher launcher({u"alpha"_s, u"alps"_s, u"altitude"_s});
        launcher.type(u"nothing matches"_s, {});
        // Return on an empty list is used up and does nothing; the arrows go on to the field.
        QVERIFY(launcher.model.handleKey(Qt::Key_Return));
        QVERIFY(!launcher.model.handleKey(Qt::Key_Down) && !launcher.model.handleKey(Qt::Key_Up));
        QVERIFY(launcher.windowHides == 0 && launcher.opened.isEmpty());

        launcher.type(u"al"_s, {u"alpha"_s, u"alps"_s, u"altitude"_s});
        using Step = std::pair<Qt::Key, int>;
        for (const auto& [key, selected] : {Step{Qt::Key_Up, 0}, Step{Qt::Key_Down, 1},
                                            Step{Qt::Key_Down, 2}, Step{Qt::Key_Down, 2}}) {
            QVERIFY(launcher.model.handleKey(key));
            QCOMPARE(launcher.model.selectedIndex(), selected);
        }
        // A new list starts at its first row.
        launcher.type(u"alp"_s, {u"alpha"_s, u"alps"_s});
        QCOMPARE(launcher.model.selectedIndex(), 0);
    }

    void resultsForAStaleQueryAreDropped() {
        Launcher launcher({u"alpha"_s, u"beta"_s});
        launcher.type(u"alp"_s, {u"alpha"_s});
        const ResultItems stale = SearchPipeline::performSearch(
            launcher.apps.apps(), launcher.scripts.scripts(), u"bet"_s);
        launcher.model.applySearchResults(u"bet"_s, stale);
        QCOMPARE(names(launcher.model.resultItems()), QStringList{u"alpha"_s});
        // The same results are taken once their query is the current one.
        launcher.model.searchPipeline().send(u"bet"_s);
        launcher.model.applySearchResults(u"bet"_s, stale);
        QCOMPARE(launcher.model.resultItems().at(0).id, stale.at(0).id);
    }

    void returnActsOnWhatWasTyped() {
        Launcher launcher({u"foo"_s, u"bar"_s});
        launcher.type(u"foo"_s, {u"foo"_s});
        // A new query typed over the old one, and Return before its results are
        // listed: what runs is what was typed, not the row still on screen.
        launcher.model.searchPipeline().send(u"bar"_s);
        QCOMPARE(names(launcher.model.resultItems()), QStringList{u"foo"_s});
        QVERIFY(launcher.model.handleKey(Qt::Key_Return));
        QTRY_COMPARE(launcher.opened, QStringList{u"bar"_s});
        QCOMPARE(launcher.windowHides, 1);
    }

    void escapeEmptiesThePanelAndDismissesIt() {
        Launcher launcher({u"foo"_s});
        launcher.type(u"foo"_s, {u"foo"_s});
        QSignalSpy dismissals(&launcher.model, &LauncherModel::dismissRequested);
        // A Return waiting for results is dropped with the rest.
        launcher.model.searchPipeline().send(u"fo"_s);
        QVERIFY(launcher.model.handleKey(Qt::Key_Return));
        QVERIFY(launcher.model.handleKey(Qt::Key_Escape));
        QCOMPARE(dismissals.count(), 1);
        QVERIFY(launcher.model.resultItems().isEmpty() && !launcher.model.showResults());
        // The results it waited for still come, and nothing opens.
        QTRY_COMPARE(names(launcher.model.resultItems()), QStringList{u"foo"_s});
        QVERIFY(launcher.opened.isEmpty());
    }

    void failedScriptRunsOnceAndShowsItsError() {
        Launcher launcher({}, {Script{u"broken"_s, u"broken"_s, u"echo oops >&2\nexit 3\n"_s}});
        const ResultItem item = launcher.result(u"broken"_s);
        QSignalSpy launches(&launcher.controller, &LauncherController::launchStarted);
        launcher.controller.executeItem(item);
        QVERIFY(launcher.controller.isExecuting());
        // A second launch meanwhile starts no other run.
        launcher.controller.executeItem(item);
        QTRY_VERIFY(!launcher.controller.isExecuting());
        QCOMPARE(launches.count(), 1);
        // The failure stays on show, and the panel with it.
        QCOMPARE(launcher.messages,
                 QStringList{u"Command error: Shell script exited with status 3\nError: oops\n"_s});
        QCOMPARE(launcher.windowHides, 0);
    }

    void scriptOutputShowsPieceByPiece() {
        // The script waits for the test between its two lines.
        Launcher launcher({},
                          {Script{u"twolines"_s, u"twolines"_s,
                                  u"echo first\n"
                                  "while [ ! -e \"$(dirname \"$0\")/go\" ]; do sleep 0.02; done\n"
                                  "echo second\n"_s}});
        launcher.controller.executeItem(launcher.result(u"two"_s));
        QTRY_COMPARE(launcher.messages, QStringList{u"first"_s});
        launcher.tree.writeFile(u"scripts/go"_s, {});
        QTRY_COMPARE(launcher.windowHides, 1);
        QCOMPARE(launcher.messages, (QStringList{u"first"_s, u"second"_s}));
    }

    void resultRunsTheEntryItShowsWithItsFurtherWords_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QByteArray>("ran");
        QTest::newRow("command of several words") << u"greet"_s << QByteArray("greet:alpha,beta,");
        QTest::newRow("longer command beside its first word")
            << u"my t"_s << QByteArray("my tool:Tool,");
        QTest::newRow("first word alone") << u"my"_s << QByteArray("my:,");
    }

    void resultRunsTheEntryItShowsWithItsFurtherWords() {
        QFETCH(QString, query);
        QFETCH(QByteArray, ran);
        // Each script writes its own name and its arguments beside itself.
        const auto recorder = [](const QString& name) {
            return u"printf '%1:' > \"$0.ran\"; printf '%s,' \"$@\" >> \"$0.ran\"\n"_s.arg(name);
        };
        Launcher launcher({}, {Script{u"Greet alpha beta"_s, u"greet"_s, recorder(u"greet"_s)},
                               Script{u"My Tool"_s, u"my tool"_s, recorder(u"my tool"_s)},
                               Script{u"my"_s, u"my"_s, recorder(u"my"_s)}});
        const ResultItem item = launcher.result(query);
        launcher.controller.executeItem(item);
        QTRY_VERIFY(launcher.runsEnded() && !launcher.controller.isExecuting());
        QStringList written;
        for (const QString& file : QDir(launcher.tree.path(u"scripts"_s)).entryList({u"*.ran"_s}))
            written.append(file);
        QCOMPARE(written.size(), 1);
        QCOMPARE(fileContents(launcher.tree.path(u"scripts/"_s + written.first())), ran);
    }

    void rowRunsWhatItShowedThoughTheCatalogueMovedOn() {
        Launcher launcher({}, {Script{u"kept"_s, u"kept"_s, u"echo kept\n"_s},
                               Script{u"gone"_s, u"gone"_s, u"echo gone\n"_s}});
        const ResultItem kept = launcher.result(u"kept"_s);
        const ResultItem gone = launcher.result(u"gone"_s);
        // Another folder takes over the catalogue: the rows still run their own scripts.
        LauncherFixture::loadScripts(launcher.scripts, launcher.tree.makeDir(u"empty"_s));
        QVERIFY(launcher.scripts.scripts()->isEmpty());
        launcher.controller.executeItem(kept);
        QTRY_COMPARE(launcher.windowHides, 1);
        QCOMPARE(launcher.messages, QStringList{u"kept"_s});

        // A script removed since its row was listed cannot run, and the panel stays.
        QVERIFY(QFile::remove(*gone.scriptPath));
        launcher.controller.executeItem(gone);
        QTRY_VERIFY(!launcher.controller.isExecuting());
        QCOMPARE(launcher.messages, (QStringList{u"kept"_s, u"Failed to execute command"_s}));
        QCOMPARE(launcher.windowHides, 1);
    }

    void runDetachedWhenThePanelGoesNeverTouchesItAgain() {
        // "slow" prints once it may, and then fails; "quick" succeeds at once.
        Launcher launcher({},
                          {Script{u"slow"_s, u"slow"_s,
                                  u"while [ ! -e \"$(dirname \"$0\")/go\" ]; do sleep 0.02; done\n"
                                  "echo late\nexit 4\n"_s},
                           Script{u"quick"_s, u"quick"_s, u"echo quick\n"_s}});
        QSignalSpy launches(&launcher.controller, &LauncherController::launchStarted);
        launcher.controller.executeItem(launcher.result(u"slow"_s));
        QVERIFY(launcher.controller.isExecuting());
        launcher.controller.detachRun();
        QVERIFY(!launcher.controller.isExecuting());

        // The next launch is accepted and runs to its end while the first goes on.
        launcher.controller.executeItem(launcher.result(u"quick"_s));
        QCOMPARE(launches.count(), 2);
        QTRY_COMPARE(launcher.windowHides, 1);
        QCOMPARE(launcher.messages, QStringList{u"quick"_s});

        launcher.tree.writeFile(u"scripts/go"_s, {});
        QTRY_VERIFY(launcher.runsEnded());
        QCOMPARE(launcher.messages, QStringList{u"quick"_s});
        QCOMPARE(launcher.windowHides, 1);
    }

    void keysInTheFieldReachTheModel() {
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

    void placeholderLineShowsOutputAsPlainText() {
        ResultView view(itemHeight, 4, {});
        view.setErrorMessage(u"<b>Command error: </b>oops"_s);
        QCOMPARE(view.placeholderLine()->textFormat(), Qt::PlainText);
        view.setResultItems(items(2));
        QVERIFY(view.placeholderLine()->isHidden() && !view.listView()->isHidden());
    }

    void listGlidesToCentreTheSelection() {
        ResultView view(itemHeight, 4, {});
        view.setResultItems(items(10));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QListView* list = view.listView();
        view.setSelectedIndex(6);
        QTRY_COMPARE(list->visualRect(list->model()->index(6, 0)).top() + itemHeight / 2,
                     list->viewport()->height() / 2);
    }

    void placesTheLauncher_data() {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("frame");
        // 0.324 × 875 = 283.5 below the top.
        QTest::newRow("1440 by 875") << QRect(0, 0, 1440, 875) << QRect(420, 284, 600, 60);
        // A 25 high panel at the top: 25 + 0.324 × 1055 = 366.82.
        QTest::newRow("panel on top") << QRect(0, 25, 1920, 1055) << QRect(660, 367, 600, 60);
        QTest::newRow("second screen right of the first")
            << QRect(1920, 0, 1280, 800) << QRect(2260, 259, 600, 60);
        QTest::newRow("panel on the left") << QRect(48, 0, 1232, 800) << QRect(364, 259, 600, 60);
        QTest::newRow("no screen") << QRect() << QRect(-300, 0, 600, 60);
    }

    void placesTheLauncher() {
        QFETCH(QRect, available);
        QFETCH(QRect, frame);
        QCOMPARE(launcherFrame(available), frame);
    }

    void choosesTheScreenTheUserWorksOn_data() {
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<qsizetype>("primary");
        QTest::addColumn<OptionalRect>("activeWindow");
        QTest::addColumn<OptionalPoint>("pointer");
        // -1: no screen at all.
        QTest::addColumn<qsizetype>("chosen");

        const QList<QRect> sideBySide{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1920, 1080)};
        // A 2880 by 1800 screen at scale 2 beside a 1280 by 800 one at scale 1, in
        // device pixels; in logical ones the first would end at 1440.
        const QList<QRect> mixedScales{QRect(0, 0, 2880, 1800), QRect(2880, 0, 1280, 800)};
        // The primary screen on the right, another one left of it.
        const QList<QRect> leftOfOrigin{QRect(-1280, 0, 1280, 1024), QRect(0, 0, 1920, 1080)};
        const OptionalRect none;
        const OptionalPoint nowhere;
        const auto row = [](const char* name, const QList<QRect>& screens, qsizetype primary,
                            OptionalRect window, OptionalPoint pointer, qsizetype chosen) {
            QTest::newRow(name) << screens << primary << window << pointer << chosen;
        };
        row("side by side, window on the second", sideBySide, 0, QRect(2200, 300, 800, 600),
            nowhere, 1);
        row("window on the first, pointer on the second", sideBySide, 1, QRect(100, 100, 800, 600),
            QPoint(3000, 500), 0);
        row("mixed scales, window beyond the first's logical width", mixedScales, 1,
            QRect(1700, 800, 800, 600), nowhere, 0);
        row("mixed scales, window on the smaller", mixedScales, 0, QRect(3000, 100, 600, 400),
            nowhere, 1);
        row("negative coordinates", leftOfOrigin, 1, QRect(-1000, 200, 640, 480), nowhere, 0);
        row("straddling, centre on the second", sideBySide, 0, QRect(1700, 100, 600, 400), nowhere,
            1);
        row("straddling, centre on the first", sideBySide, 1, QRect(1500, 100, 600, 400), nowhere,
            0);
        row("no active window, pointer on the second", sideBySide, 0, none, QPoint(2000, 10), 1);
        row("active window off every screen, pointer on the first", sideBySide, 1,
            QRect(5000, 5000, 300, 200), QPoint(10, 10), 0);
        row("empty active window, pointer on the second", sideBySide, 0, QRect(100, 100, 0, 0),
            QPoint(2000, 10), 1);
        // The gap under the smaller screen belongs to no screen.
        row("pointer off every screen", mixedScales, 0, none, QPoint(3000, 1000), 0);
        row("nothing known", leftOfOrigin, 1, none, nowhere, 1);
        row("primary names no screen", sideBySide, -1, none, nowhere, 0);
        row("no screen", {}, -1, QRect(0, 0, 100, 100), QPoint(10, 10), -1);
    }

    void choosesTheScreenTheUserWorksOn() {
        QFETCH(QList<QRect>, screens);
        QFETCH(qsizetype, primary);
        QFETCH(OptionalRect, activeWindow);
        QFETCH(OptionalPoint, pointer);
        QFETCH(qsizetype, chosen);
        QCOMPARE(chooseMainScreen(screens, primary, activeWindow, pointer).value_or(-1), chosen);
    }
};

QTEST_MAIN(TestLauncher)
#include "tst_launcher.moc"
