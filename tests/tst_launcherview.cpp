#include "LauncherFixture.h"
#include "TempTree.h"
#include "index/AppIndexManager.h"
#include "launcher/LauncherView.h"
#include "launcher/SearchPipeline.h"
#include "scripts/ScriptManager.h"
#include "ui/ResultView.h"

#include <QLabel>
#include <QLineEdit>
#include <QtTest>

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

QString readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// A launcher on screen over real catalogues: applications from an index
// file, bash scripts in a scripts folder.
struct Launcher {
    TempTree tree;
    AppIndexManager apps;
    ScriptManager scripts;
    int escPresses = 0;
    int windowHides = 0;
    QStringList opened;
    std::unique_ptr<LauncherView> view;

    explicit Launcher(const QStringList& applications,
                      const QList<std::pair<QString, Script>>& scriptFiles = {})
        : apps(QStringList(), LauncherFixture::writeIndexFile(tree, applications)) {
        for (const auto& [file, script] : scriptFiles)
            LauncherFixture::writeScript(tree, file, script);
        scripts.loadScripts(LauncherFixture::scriptsFolder(tree));
        view = std::make_unique<LauncherView>(
            scripts, apps, [this] { ++escPresses; }, [this] { ++windowHides; });
        view->setApplicationOpener([this](const QString& path) {
            opened.append(path);
            return true;
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

Script bashScript(const QString& command, const QString& body) {
    return Script{command, command, body};
}
} // namespace

class TestLauncherView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void arrowsMoveTheSelectionWithinTheList();
    void escapeClearsEverythingAndDismisses();
    void returnOnAnEmptyListDoesNothing();
    void returnOpensTheSelectedApplication();
    void clickingARowCarriesItOut();
    void scriptOutputShowsAndTheWindowHides();
    void silentScriptReportsSuccess();
    void failingScriptEndsWithItsError();
    void scriptsThatCannotRunSayWhy();
    void secondLaunchWaitsForTheFirst();
    void resultsForAStaleQueryAreDropped();
    void heightFollowsTheContent();
    void keysAreWatchedOnlyWhileOnScreen();
    void fieldTakesTheFocusAfterAppearing();
};

void TestLauncherView::arrowsMoveTheSelectionWithinTheList() {
    Launcher launcher({QStringLiteral("alpha"), QStringLiteral("alps"), QStringLiteral("altitude"),
                       QStringLiteral("zed")});
    KeyRecorder reachedField(launcher.field());

    // With nothing listed the arrows belong to the field.
    launcher.press(Qt::Key_Down);
    launcher.press(Qt::Key_Up);
    QCOMPARE(reachedField.keys, (QList<int>{Qt::Key_Down, Qt::Key_Up}));

    launcher.search(QStringLiteral("al"),
                    {QStringLiteral("alpha"), QStringLiteral("alps"), QStringLiteral("altitude")});
    reachedField.keys.clear();
    QCOMPARE(launcher.view->selectedIndex(), 0);
    launcher.press(Qt::Key_Up);
    QCOMPARE(launcher.view->selectedIndex(), 0);
    launcher.press(Qt::Key_Down);
    QCOMPARE(launcher.view->selectedIndex(), 1);
    // Modifiers make no difference.
    launcher.press(Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(launcher.view->selectedIndex(), 2);
    launcher.press(Qt::Key_Down);
    QCOMPARE(launcher.view->selectedIndex(), 2);
    QCOMPARE(launcher.view->resultView()->selectedIndex(), 2);
    launcher.press(Qt::Key_Up);
    QCOMPARE(launcher.view->selectedIndex(), 1);
    QVERIFY(!reachedField.keys.contains(Qt::Key_Down));
    QVERIFY(!reachedField.keys.contains(Qt::Key_Up));

    // A new list starts at its first row.
    QTest::keyClick(launcher.field(), Qt::Key_P);
    QTRY_COMPARE(names(launcher.view->resultItems()),
                 (QStringList{QStringLiteral("alpha"), QStringLiteral("alps")}));
    QCOMPARE(launcher.view->selectedIndex(), 0);
}

void TestLauncherView::escapeClearsEverythingAndDismisses() {
    Launcher launcher({QStringLiteral("alpha")});
    launcher.search(QStringLiteral("alp"), {QStringLiteral("alpha")});
    KeyRecorder reachedField(launcher.field());
    launcher.press(Qt::Key_Escape);
    QCOMPARE(launcher.escPresses, 1);
    QCOMPARE(launcher.view->searchText(), QString());
    QVERIFY(launcher.view->resultItems().isEmpty());
    QCOMPARE(launcher.view->selectedIndex(), 0);
    QVERIFY(!launcher.view->showResults());
    QCOMPARE(launcher.view->errorMessage(), std::nullopt);
    QVERIFY(reachedField.keys.isEmpty());
    QCOMPARE(launcher.windowHides, 0);
}

void TestLauncherView::returnOnAnEmptyListDoesNothing() {
    Launcher launcher({QStringLiteral("alpha")},
                      {{QStringLiteral("hello"),
                        bashScript(QStringLiteral("hello"), QStringLiteral("echo hi\n"))}});
    launcher.search(QStringLiteral("nothing matches"), {});
    KeyRecorder reachedField(launcher.field());
    launcher.press(Qt::Key_Return);
    launcher.press(Qt::Key_Enter);
    QVERIFY(reachedField.keys.isEmpty());
    QVERIFY(launcher.opened.isEmpty());
    QCOMPARE(launcher.windowHides, 0);
    QVERIFY(!launcher.view->isExecuting());
    QCOMPARE(launcher.view->searchText(), QStringLiteral("nothing matches"));
    QCOMPARE(launcher.view->resultView()->placeholderLine()->text(), QStringLiteral("No results"));
}

void TestLauncherView::returnOpensTheSelectedApplication() {
    Launcher launcher({QStringLiteral("alpha"), QStringLiteral("alps")});
    launcher.search(QStringLiteral("alp"), {QStringLiteral("alpha"), QStringLiteral("alps")});
    launcher.press(Qt::Key_Down);
    launcher.press(Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(launcher.opened,
             QStringList{LauncherFixture::applicationPath(launcher.tree, QStringLiteral("alps"))});
    QCOMPARE(launcher.windowHides, 1);
    // The panel is left as it was, query included.
    QCOMPARE(launcher.view->searchText(), QStringLiteral("alp"));
    QCOMPARE(names(launcher.view->resultItems()),
             (QStringList{QStringLiteral("alpha"), QStringLiteral("alps")}));
    QCOMPARE(launcher.view->selectedIndex(), 1);
    QVERIFY(!launcher.view->isExecuting());

    // A failed launch hides the panel all the same.
    launcher.view->setApplicationOpener([](const QString&) { return false; });
    launcher.press(Qt::Key_Return);
    QCOMPARE(launcher.windowHides, 2);
}

void TestLauncherView::clickingARowCarriesItOut() {
    Launcher launcher({QStringLiteral("alpha"), QStringLiteral("alps")});
    launcher.search(QStringLiteral("alp"), {QStringLiteral("alpha"), QStringLiteral("alps")});
    QListView* list = launcher.view->resultView()->listView();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(1, 0)).center());
    QCOMPARE(launcher.opened,
             QStringList{LauncherFixture::applicationPath(launcher.tree, QStringLiteral("alps"))});
    QCOMPARE(launcher.view->selectedIndex(), 0);
}

void TestLauncherView::scriptOutputShowsAndTheWindowHides() {
    // The script waits for the test between its two lines, so that they
    // arrive as two pieces of output.
    Launcher launcher({}, {{QStringLiteral("twolines"),
                            bashScript(QStringLiteral("twolines"),
                                       QStringLiteral("echo first\n"
                                                      "while [ ! -e \"$(dirname \"$0\")/go\" ]; do "
                                                      "sleep 0.02; done\n"
                                                      "echo second\n"))}});
    launcher.search(QStringLiteral("two"), {QStringLiteral("twolines")});
    launcher.press(Qt::Key_Return);
    QVERIFY(launcher.view->isExecuting());
    QVERIFY(launcher.view->resultItems().isEmpty());
    QTRY_COMPARE(launcher.view->errorMessage(), QStringLiteral("first"));
    QVERIFY(launcher.view->showResults());
    QCOMPARE(launcher.view->resultView()->placeholderLine()->text(), QStringLiteral("first"));
    QCOMPARE(launcher.windowHides, 0);

    launcher.tree.writeFile(QStringLiteral("scripts/go"), {});
    QTRY_COMPARE(launcher.windowHides, 1);
    QCOMPARE(launcher.view->errorMessage(), QStringLiteral("second"));
    QVERIFY(!launcher.view->isExecuting());
    QCOMPARE(launcher.view->searchText(), QStringLiteral("two"));
}

void TestLauncherView::silentScriptReportsSuccess() {
    Launcher launcher({}, {{QStringLiteral("quiet"),
                            bashScript(QStringLiteral("quiet"), QStringLiteral("exit 0\n"))}});
    launcher.search(QStringLiteral("quiet"), {QStringLiteral("quiet")});
    launcher.press(Qt::Key_Return);
    QTRY_COMPARE(launcher.windowHides, 1);
    QCOMPARE(launcher.view->errorMessage(), QStringLiteral("Command executed successfully."));
    QVERIFY(!launcher.view->isExecuting());
}

void TestLauncherView::failingScriptEndsWithItsError() {
    Launcher launcher({}, {{QStringLiteral("broken"),
                            bashScript(QStringLiteral("broken"),
                                       QStringLiteral("echo partial\necho oops >&2\nexit 3\n"))}});
    QStringList shown;
    QObject::connect(launcher.view.get(), &LauncherView::errorMessageChanged, [&] {
        shown.append(launcher.view->errorMessage().value_or(QStringLiteral("<none>")));
    });
    launcher.search(QStringLiteral("broken"), {QStringLiteral("broken")});
    shown.clear();
    launcher.press(Qt::Key_Return);
    QTRY_VERIFY(!launcher.view->isExecuting());

    // The output came first; the failure is the last word and stays.
    QVERIFY2(shown.size() >= 2, qPrintable(shown.join(QLatin1Char('|'))));
    QCOMPARE(shown.at(shown.size() - 2), QStringLiteral("partial"));
    const QString message = launcher.view->errorMessage().value_or(QString());
    QVERIFY2(message.startsWith(QStringLiteral("Command error: ")), qPrintable(message));
    QVERIFY2(message.contains(QStringLiteral("oops")), qPrintable(message));
    QVERIFY(launcher.view->showResults());
    QCOMPARE(launcher.view->resultView()->placeholderLine()->palette().color(QPalette::WindowText),
             ResultView::messageColor());
    QCOMPARE(launcher.windowHides, 0);

    // The next launch is allowed.
    launcher.search(QStringLiteral("broke"), {QStringLiteral("broken")});
    launcher.press(Qt::Key_Return);
    QVERIFY(launcher.view->isExecuting());
    QTRY_VERIFY(!launcher.view->isExecuting());
    QCOMPARE(launcher.view->errorMessage(), message);
}

void TestLauncherView::scriptsThatCannotRunSayWhy() {
    Launcher launcher(
        {},
        {{QStringLiteral("gone"), bashScript(QStringLiteral("gone"), QStringLiteral("exit 0\n"))},
         {QStringLiteral("shouty"), Script{QStringLiteral("shouty"), QStringLiteral("Shouty"),
                                           QStringLiteral("exit 0\n"), QStringLiteral("Bash")}},
         {QStringLiteral("spaced"),
          bashScript(QStringLiteral("my tool"), QStringLiteral("exit 0\n"))}});

    // Removed from the catalogue after it was listed.
    launcher.search(QStringLiteral("gone"), {QStringLiteral("gone")});
    QFile::remove(launcher.tree.path(QStringLiteral("scripts/gone.meta")));
    launcher.scripts.loadScripts(launcher.scripts.lastUsedScriptFolderPath());
    launcher.press(Qt::Key_Return);
    QTRY_COMPARE(launcher.view->errorMessage(), QStringLiteral("Failed to execute command"));
    QVERIFY(launcher.view->showResults());
    QVERIFY(!launcher.view->isExecuting());

    // Only the first word of a command is looked up.
    launcher.search(QStringLiteral("my t"), {QStringLiteral("my tool")});
    launcher.press(Qt::Key_Return);
    QTRY_COMPARE(launcher.view->errorMessage(), QStringLiteral("Failed to execute command"));
    QVERIFY(!launcher.view->isExecuting());

    // A type no runner exists for.
    launcher.search(QStringLiteral("shouty"), {QStringLiteral("shouty")});
    launcher.press(Qt::Key_Return);
    QTRY_VERIFY(!launcher.view->isExecuting());
    const QString message = launcher.view->errorMessage().value_or(QString());
    QVERIFY2(message.startsWith(QStringLiteral("Command error: ")), qPrintable(message));
    QVERIFY2(message.contains(QStringLiteral("Bash")), qPrintable(message));
    QVERIFY(launcher.view->showResults());
    QCOMPARE(launcher.windowHides, 0);
}

void TestLauncherView::secondLaunchWaitsForTheFirst() {
    // Each run leaves a line in a file beside the script.
    Launcher launcher({},
                      {{QStringLiteral("count"),
                        bashScript(QStringLiteral("count"),
                                   QStringLiteral("echo run >> \"$(dirname \"$0\")/runs\"\n"))}});
    const QString runs = launcher.tree.path(QStringLiteral("scripts/runs"));

    launcher.search(QStringLiteral("count"), {QStringLiteral("count")});
    launcher.press(Qt::Key_Return);
    launcher.press(Qt::Key_Return);
    QTRY_COMPARE(launcher.windowHides, 1);
    QCOMPARE(readFile(runs), QStringLiteral("run\n"));

    // A click on a row while a run is in progress is refused too.
    launcher.search(QStringLiteral("coun"), {QStringLiteral("count")});
    const ResultItem item = launcher.view->resultItems().at(0);
    launcher.view->executeItem(item);
    QVERIFY(launcher.view->isExecuting());
    launcher.view->executeItem(item);
    QTRY_COMPARE(launcher.windowHides, 2);
    QTRY_VERIFY(!launcher.view->isExecuting());
    QCOMPARE(readFile(runs), QStringLiteral("run\nrun\n"));
}

void TestLauncherView::resultsForAStaleQueryAreDropped() {
    Launcher launcher({QStringLiteral("alpha"), QStringLiteral("beta")});
    launcher.search(QStringLiteral("alp"), {QStringLiteral("alpha")});
    const ResultItems stale = SearchPipeline::performSearch(
        *launcher.apps.apps(), *launcher.scripts.scripts(), QStringLiteral("bet"));

    launcher.view->applySearchResults(QStringLiteral("bet"), stale);
    QCOMPARE(names(launcher.view->resultItems()), QStringList{QStringLiteral("alpha")});

    // The same results are taken once their query is the current one.
    launcher.field()->setText(QStringLiteral("bet"));
    launcher.view->applySearchResults(QStringLiteral("bet"), stale);
    QCOMPARE(names(launcher.view->resultItems()), QStringList{QStringLiteral("beta")});
    QCOMPARE(launcher.view->resultItems().at(0).id, stale.at(0).id);
}

void TestLauncherView::heightFollowsTheContent() {
    QStringList applications;
    for (int i = 0; i < 10; ++i)
        applications.append(QStringLiteral("app%1").arg(i));
    Launcher launcher(applications);
    QSignalSpy heights(launcher.view.get(), &LauncherView::contentHeightChanged);
    QCOMPARE(launcher.view->sizeHint(), QSize(600, 60));

    launcher.search(QStringLiteral("app1"), {QStringLiteral("app1")});
    QCOMPARE(launcher.view->sizeHint(), QSize(600, 60 + 20 + 50));
    launcher.search(QStringLiteral("app"), applications);
    QCOMPARE(launcher.view->sizeHint(), QSize(600, 60 + 20 + 200));
    launcher.search(QStringLiteral("xyz"), {});
    QCOMPARE(launcher.view->sizeHint(), QSize(600, 60 + 20 + 50));
    launcher.press(Qt::Key_Escape);
    QCOMPARE(launcher.view->sizeHint(), QSize(600, 60));

    QList<int> reported;
    for (const QList<QVariant>& signal : heights)
        reported.append(signal.at(0).toInt());
    QCOMPARE(reported, (QList<int>{130, 280, 130, 60}));
    QTRY_COMPARE(launcher.view->height(), 60);
}

void TestLauncherView::keysAreWatchedOnlyWhileOnScreen() {
    Launcher launcher({QStringLiteral("alpha")});
    launcher.search(QStringLiteral("alp"), {QStringLiteral("alpha")});
    launcher.view->hide();
    launcher.press(Qt::Key_Escape);
    QCOMPARE(launcher.escPresses, 0);
    QCOMPARE(launcher.view->searchText(), QStringLiteral("alp"));

    // Coming back builds a new pipeline: the list empties though the field keeps its text.
    launcher.view->show();
    QTRY_VERIFY(!launcher.view->showResults());
    QVERIFY(launcher.view->resultItems().isEmpty());
    QCOMPARE(launcher.view->searchText(), QStringLiteral("alp"));
    launcher.press(Qt::Key_Escape);
    QCOMPARE(launcher.escPresses, 1);

    // Keys pressed in another window of the application count too.
    QLineEdit elsewhere;
    elsewhere.show();
    QTest::keyClick(&elsewhere, Qt::Key_Escape);
    QCOMPARE(launcher.escPresses, 2);
}

void TestLauncherView::fieldTakesTheFocusAfterAppearing() {
    TempTree tree;
    AppIndexManager apps(QStringList(), LauncherFixture::writeIndexFile(tree, {}));
    ScriptManager scripts;
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* other = new QLineEdit(&window);
    layout->addWidget(other);
    auto* view = new LauncherView(scripts, apps, {}, {}, &window);
    layout->addWidget(view);
    view->hide();
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    QVERIFY(other->hasFocus());

    view->show();
    QVERIFY(!view->searchField()->hasFocus());
    QTRY_VERIFY(view->searchField()->hasFocus());
}

QTEST_MAIN(TestLauncherView)
#include "tst_launcherview.moc"
