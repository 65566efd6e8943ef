#include "LauncherFixture.h"
#include "index/AppIndexManager.h"
#include "launcher/LauncherView.h"
#include "launcher/SearchPipeline.h"
#include "scripts/ScriptManager.h"
#include "ui/ResultView.h"

#include <QLabel>
#include <QLineEdit>
#include <QtTest>

using namespace Qt::StringLiterals;
using LauncherFixture::Script;

namespace {
// Records the key presses that reach a widget after the application-wide filters.
class KeyRecorder : public QObject {
public:
    explicit KeyRecorder(QWidget* widget) { widget->installEventFilter(this); }
    QList<int> keys;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress)
            keys.append(static_cast<QKeyEvent*>(event)->key());
        return false;
    }
};

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
    int escPresses = 0;
    int windowHides = 0;
    QStringList opened;
    bool openSucceeds = true;
    QStringList messages;
    std::unique_ptr<LauncherView> view;

    explicit Launcher(const QStringList& applications, const QList<Script>& scriptFiles = {})
        : apps(QStringList(), LauncherFixture::writeIndexFile(tree, applications)) {
        scripts.loadScripts(LauncherFixture::writeScripts(tree, scriptFiles));
        view = std::make_unique<LauncherView>(
            scripts, apps, [this] { ++escPresses; }, [this] { ++windowHides; });
        view->setApplicationOpener([this](const QString& path) {
            opened.append(path);
            return openSucceeds;
        });
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

    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(field(), key, modifiers);
    }
};
} // namespace

class TestLauncherView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keysActOnTheList();
    void returnOrAClickOpensTheApplication();
    void scriptOutcomeIsShown_data();
    void scriptOutcomeIsShown();
    void scriptOutputShowsPieceByPiece();
    void resultsForAStaleQueryAreDropped();
    void keysAreWatchedOnlyWhileOnScreen();
};

void TestLauncherView::keysActOnTheList() {
    Launcher launcher({u"alpha"_s, u"alps"_s, u"altitude"_s});
    launcher.search(u"nothing matches"_s, {});
    KeyRecorder reachedField(launcher.field());
    // With an empty list the arrows belong to the field, and Return does nothing.
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Return})
        launcher.press(key);
    QCOMPARE(reachedField.keys, (QList<int>{Qt::Key_Down, Qt::Key_Up}));
    QVERIFY(launcher.opened.isEmpty());

    // The selection stays within the list, whatever modifiers are held.
    launcher.search(u"al"_s, {u"alpha"_s, u"alps"_s, u"altitude"_s});
    QCOMPARE(launcher.view->sizeHint().height(), 60 + 20 + 3 * 50);
    reachedField.keys.clear();
    using Step = std::pair<Qt::Key, int>;
    for (const auto& [key, selected] : {Step{Qt::Key_Up, 0}, Step{Qt::Key_Down, 1},
                                        Step{Qt::Key_Down, 2}, Step{Qt::Key_Down, 2}}) {
        launcher.press(key, Qt::ShiftModifier);
        QCOMPARE(launcher.view->selectedIndex(), selected);
    }
    QCOMPARE(launcher.view->resultView()->selectedIndex(), 2);
    QVERIFY(!reachedField.keys.contains(Qt::Key_Down) && !reachedField.keys.contains(Qt::Key_Up));
    // A new list starts at its first row.
    QTest::keyClick(launcher.field(), Qt::Key_P);
    QTRY_COMPARE(names(launcher.view->resultItems()), (QStringList{u"alpha"_s, u"alps"_s}));
    QCOMPARE(launcher.view->selectedIndex(), 0);

    // Escape empties everything and dismisses, without reaching the field.
    reachedField.keys.clear();
    launcher.press(Qt::Key_Escape);
    QCOMPARE(launcher.escPresses, 1);
    QVERIFY(launcher.view->searchText().isEmpty() && launcher.view->resultItems().isEmpty());
    QVERIFY(!launcher.view->showResults() && reachedField.keys.isEmpty());
}

void TestLauncherView::returnOrAClickOpensTheApplication() {
    Launcher launcher({u"alpha"_s, u"alps"_s});
    launcher.search(u"alp"_s, {u"alpha"_s, u"alps"_s});
    launcher.press(Qt::Key_Down);
    launcher.press(Qt::Key_Return);
    QCOMPARE(launcher.opened,
             QStringList{LauncherFixture::applicationPath(launcher.tree, u"alps"_s)});
    QCOMPARE(launcher.windowHides, 1);
    QCOMPARE(launcher.view->searchText(), u"alp"_s);

    // A click carries out its row without selecting it; a failed launch hides the panel too.
    launcher.openSucceeds = false;
    QListView* list = launcher.view->resultView()->listView();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(0, 0)).center());
    QCOMPARE(launcher.opened.last(), LauncherFixture::applicationPath(launcher.tree, u"alpha"_s));
    QCOMPARE(launcher.view->selectedIndex(), 1);
    QCOMPARE(launcher.windowHides, 2);
}

void TestLauncherView::scriptOutcomeIsShown_data() {
    QTest::addColumn<Script>("script");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("silent success")
        << Script{u"quiet"_s, u"quiet"_s} << QStringList{u"Command executed successfully."_s};
    // The output comes first; the failure is the last word and stays on show.
    QTest::newRow("failure")
        << Script{u"broken"_s, u"broken"_s, u"echo partial\necho oops >&2\nexit 3\n"_s}
        << QStringList{u"partial"_s,
                       u"Command error: Shell script exited with status 3\nError: oops\n"_s};
    QTest::newRow("type without a runner")
        << Script{u"shouty"_s, u"shouty"_s, u"exit 0\n"_s, u"Bash"_s}
        << QStringList{u"Command error: Unsupported script type: Bash"_s};
    // Only the first word of a command is looked up.
    QTest::newRow("command of two words")
        << Script{u"my tool"_s, u"my tool"_s} << QStringList{u"Failed to execute command"_s};
}

void TestLauncherView::scriptOutcomeIsShown() {
    QFETCH(Script, script);
    QFETCH(QStringList, messages);
    Launcher launcher({}, {script});
    launcher.search(script.command, {script.command});
    const ResultItem item = launcher.view->resultItems().at(0);
    launcher.press(Qt::Key_Return);
    QVERIFY(launcher.view->isExecuting());
    // Neither a second Return nor a click on the row starts another run meanwhile.
    launcher.press(Qt::Key_Return);
    launcher.view->executeItem(item);
    QTRY_VERIFY(!launcher.view->isExecuting());
    QCOMPARE(launcher.messages, messages);
    // Only a success hides the panel.
    const bool succeeded = qstrcmp(QTest::currentDataTag(), "silent success") == 0;
    QCOMPARE(launcher.windowHides, succeeded ? 1 : 0);
    QCOMPARE(launcher.view->showResults(), !succeeded);
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
    QCOMPARE(launcher.view->resultView()->placeholderLine()->text(), u"first"_s);
    launcher.tree.writeFile(u"scripts/go"_s, {});
    QTRY_COMPARE(launcher.windowHides, 1);
    QCOMPARE(launcher.messages, (QStringList{u"first"_s, u"second"_s}));
}

void TestLauncherView::resultsForAStaleQueryAreDropped() {
    Launcher launcher({u"alpha"_s, u"beta"_s});
    launcher.search(u"alp"_s, {u"alpha"_s});
    const ResultItems stale =
        SearchPipeline::performSearch(*launcher.apps.apps(), *launcher.scripts.scripts(), u"bet"_s);
    launcher.view->applySearchResults(u"bet"_s, stale);
    QCOMPARE(names(launcher.view->resultItems()), QStringList{u"alpha"_s});
    // The same results are taken once their query is the current one.
    launcher.field()->setText(u"bet"_s);
    launcher.view->applySearchResults(u"bet"_s, stale);
    QCOMPARE(launcher.view->resultItems().at(0).id, stale.at(0).id);
}

void TestLauncherView::keysAreWatchedOnlyWhileOnScreen() {
    Launcher launcher({});
    launcher.view->hide();
    launcher.press(Qt::Key_Escape);
    QCOMPARE(launcher.escPresses, 0);
    // On screen again, keys pressed in another window of the application count too.
    launcher.view->show();
    QLineEdit elsewhere;
    elsewhere.show();
    QTest::keyClick(&elsewhere, Qt::Key_Escape);
    QCOMPARE(launcher.escPresses, 1);
}

QTEST_MAIN(TestLauncherView)
#include "tst_launcherview.moc"
