#include "LauncherFixture.h"
#include "index/AppIndexManager.h"
#include "launcher/LauncherView.h"
#include "launcher/SearchPipeline.h"
#include "scripts/ScriptManager.h"

#include <QLineEdit>
#include <QtTest>

using namespace Qt::StringLiterals;
using LauncherFixture::Script;

namespace {
QStringList names(const ResultItems& items) {
    QStringList result;
    for (const ResultItem& item : items)
        result.append(item.name);
    return result;
}

// A launcher on screen over an index file of applications and a folder of scripts.
struct Launcher {
    TempTree tree;
    AppIndexManager apps;
    ScriptManager scripts;
    int windowHides = 0;
    QStringList messages;
    std::unique_ptr<LauncherView> view;

    explicit Launcher(const QStringList& applications, const QList<Script>& scriptFiles = {})
        : apps(QStringList(), LauncherFixture::writeIndexFile(tree, applications)) {
        scripts.loadScripts(LauncherFixture::writeScripts(tree, scriptFiles));
        view = std::make_unique<LauncherView>(
            scripts, apps, [] {}, [this] { ++windowHides; });
        QObject::connect(view.get(), &LauncherView::errorMessageChanged, [this] {
            if (view->errorMessage())
                messages.append(*view->errorMessage());
        });
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    }

    QLineEdit* field() const { return view->searchField(); }

    // Types `query` and waits until its results are shown.
    void search(const QString& query, const QStringList& expected) {
        field()->clear();
        QTest::keyClicks(field(), query);
        QTRY_COMPARE(view->searchPipeline().currentQuery(), query);
        QTRY_COMPARE(names(view->resultItems()), expected);
        QTRY_VERIFY(view->showResults());
    }

    void press(Qt::Key key) { QTest::keyClick(field(), key); }
};
} // namespace

class TestLauncherView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void selectionStaysWithinTheList();
    void failedScriptRunsOnceAndShowsItsError();
    void scriptOutputShowsPieceByPiece();
    void resultsForAStaleQueryAreDropped();
};

void TestLauncherView::selectionStaysWithinTheList() {
    Launcher launcher({u"alpha"_s, u"alps"_s, u"altitude"_s});
    launcher.search(u"nothing matches"_s, {});
    launcher.press(Qt::Key_Return);
    QVERIFY(launcher.windowHides == 0 && launcher.messages.isEmpty());

    launcher.search(u"al"_s, {u"alpha"_s, u"alps"_s, u"altitude"_s});
    using Step = std::pair<Qt::Key, int>;
    for (const auto& [key, selected] : {Step{Qt::Key_Up, 0}, Step{Qt::Key_Down, 1},
                                        Step{Qt::Key_Down, 2}, Step{Qt::Key_Down, 2}}) {
        launcher.press(key);
        QCOMPARE(launcher.view->selectedIndex(), selected);
    }
    // A new list starts at its first row.
    QTest::keyClick(launcher.field(), Qt::Key_P);
    QTRY_COMPARE(names(launcher.view->resultItems()), (QStringList{u"alpha"_s, u"alps"_s}));
    QCOMPARE(launcher.view->selectedIndex(), 0);
}

void TestLauncherView::failedScriptRunsOnceAndShowsItsError() {
    Launcher launcher({}, {Script{u"broken"_s, u"broken"_s, u"echo oops >&2\nexit 3\n"_s}});
    launcher.search(u"broken"_s, {u"broken"_s});
    const ResultItem item = launcher.view->resultItems().at(0);
    launcher.press(Qt::Key_Return);
    QVERIFY(launcher.view->isExecuting());
    // Neither a second Return nor a click on the row starts another run meanwhile.
    launcher.press(Qt::Key_Return);
    launcher.view->executeItem(item);
    QTRY_VERIFY(!launcher.view->isExecuting());
    // The failure stays on show, and the panel with it.
    QCOMPARE(launcher.messages,
             QStringList{u"Command error: Shell script exited with status 3\nError: oops\n"_s});
    QCOMPARE(launcher.windowHides, 0);
    QVERIFY(launcher.view->showResults());
}

void TestLauncherView::scriptOutputShowsPieceByPiece() {
    // The script waits for the test between its two lines.
    Launcher launcher({}, {Script{u"twolines"_s, u"twolines"_s,
                                  u"echo first\n"
                                  "while [ ! -e \"$(dirname \"$0\")/go\" ]; do sleep 0.02; done\n"
                                  "echo second\n"_s}});
    launcher.search(u"two"_s, {u"twolines"_s});
    launcher.press(Qt::Key_Return);
    QTRY_COMPARE(launcher.messages, QStringList{u"first"_s});
    launcher.tree.writeFile(u"scripts/go"_s, {});
    QTRY_COMPARE(launcher.windowHides, 1);
    QCOMPARE(launcher.messages, (QStringList{u"first"_s, u"second"_s}));
}

void TestLauncherView::resultsForAStaleQueryAreDropped() {
    Launcher launcher({u"alpha"_s, u"beta"_s});
    launcher.search(u"alp"_s, {u"alpha"_s});
    const ResultItems stale =
        SearchPipeline::performSearch(launcher.apps.apps(), launcher.scripts.scripts(), u"bet"_s);
    launcher.view->applySearchResults(u"bet"_s, stale);
    QCOMPARE(names(launcher.view->resultItems()), QStringList{u"alpha"_s});
    // The same results are taken once their query is the current one.
    launcher.field()->setText(u"bet"_s);
    launcher.view->applySearchResults(u"bet"_s, stale);
    QCOMPARE(launcher.view->resultItems().at(0).id, stale.at(0).id);
}

QTEST_MAIN(TestLauncherView)
#include "tst_launcherview.moc"
