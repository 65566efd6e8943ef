#include "ApplicationFixtures.h"
#include "TempTree.h"
#include "index/AppIndexManager.h"
#include "index/ApplicationFolderWatch.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>
#include <sys/stat.h>

using namespace ApplicationFixtures;
using namespace Qt::StringLiterals;

namespace {

using PathsByName = QMap<QString, QString>;
using Files = QList<QPair<QString, QByteArray>>;
using FolderChange = std::function<void(const TempTree&)>;

PathsByName contents(const AppIndex& index) {
    PathsByName map;
    for (const AppEntry& entry : index.entries())
        map.insert(entry.name, entry.path);
    return map;
}

PathsByName scan(AppIndexManager& manager) {
    QSignalSpy finished(&manager, &AppIndexManager::isIndexingChanged);
    manager.indexApps();
    if (!QTest::qWaitFor([&] { return !manager.isIndexing(); }, 20000) || finished.isEmpty())
        return {{"(scan never ended)", {}}};
    return contents(*manager.apps());
}

bool makePipe(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    return mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

} // namespace

Q_DECLARE_METATYPE(FolderChange)

class TestAppIndex : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void scanListsBundlesAndDesktopEntriesAsTheDesktopWould();
    void damagedIndexFileIsReplacedByAScan();
    void scanRequestedTwiceRunsOnce();
    void searchFoldsCaseAndCompositionAndOrdersByCodePoints();
    void desktopFileIdsDecideWhichEntryCounts_data();
    void desktopFileIdsDecideWhichEntryCounts();
    void onlyLaunchableEntriesAreListed_data();
    void onlyLaunchableEntriesAreListed();
    void folderWatchReportsChangedItems_data();
    void folderWatchReportsChangedItems();
    void firstLookAtTheFoldersComparesThemWithTheIndex_data();
    void firstLookAtTheFoldersComparesThemWithTheIndex();
    void staleIndexAtStartIsReplacedByAScan();
    void entryInstalledWhileRunningIsIndexed();
};

void TestAppIndex::scanListsBundlesAndDesktopEntriesAsTheDesktopWould() {
    IsolatedEnvironment environment; // XDG_CURRENT_DESKTOP=Vantri-Test
    qputenv("LANGUAGE", "de");
    const auto restoreLanguage = qScopeGuard([] { qunsetenv("LANGUAGE"); });
    const TempTree& tree = environment.tree();
    const auto bundle = [&tree](const QString& relative, const QByteArray& dictionary) {
        return writeBundle(tree, "apps/" + relative, dictionary);
    };
    const PathsByName expected = {
        {u"bin\u00E4r tool"_s,
         bundle("Tool.app", binaryDictionary(namedDictionary(u"Bin\u00C4r Tool"_s)))},
        {"inner", bundle("Plain Folder/Deeper/Inner.app", namedDictionary("Inner"))},
        {"outer", bundle("Outer.app", namedDictionary("Outer"))},
        {"dateien",
         tree.writeFile("apps/files.desktop", desktopEntry("Files", "Name[de]=Dateien\n"))},
        {"ours", tree.writeFile("apps/ours.desktop",
                                desktopEntry("Ours", "OnlyShowIn=GNOME;Vantri-Test;\n"))},
    };
    // Left out: bundles inside bundles, hidden items, unreadable dictionaries or entries,
    // entries hidden or for other desktops or programs not installed, anything not a file.
    bundle("Outer.app/Contents/Helpers/Nested.app", namedDictionary("Nested"));
    bundle(".Dotted.app", namedDictionary("Dotted"));
    tree.writeFile("apps/hidden.desktop", desktopEntry("Hidden", "Hidden=true\n"));
    tree.writeFile("apps/other.desktop", desktopEntry("Other Desktop", "OnlyShowIn=KDE;\n"));
    tree.writeFile("apps/missing.desktop", desktopEntry("Missing", "TryExec=no-such-program\n"));
    tree.writeFile("apps/garbage.desktop", QByteArray("\x00\x01garbage\xFF[", 12));
    QVERIFY(makePipe(tree.path("apps/Pipe.app/Contents/Info.plist")));
    QVERIFY(QFile::link(tree.path("apps"), tree.path("apps/Plain Folder/Loop")));

    AppIndexManager manager({tree.path("apps")}, tree.path("index/appIndex.json"));
    QCOMPARE(scan(manager), expected);
}

void TestAppIndex::damagedIndexFileIsReplacedByAScan() {
    TempTree tree;
    const PathsByName expected = {
        {"safari", writeBundle(tree, "apps/Safari.app", namedDictionary("Safari"))}};
    const QString indexPath =
        tree.writeFile("appIndex.json", R"([{"name": "a", "path": "/a"}, {"name": "b"}])");
    {
        AppIndexManager manager({tree.path("apps")}, indexPath);
        QVERIFY(manager.apps()->isEmpty());
        QSignalSpy indexing(&manager, &AppIndexManager::isIndexingChanged);
        QTRY_COMPARE_WITH_TIMEOUT(indexing.count(), 2, 20000);
        QCOMPARE(contents(*manager.apps()), expected);
    }
    // The saved scan is the next manager's index at once.
    const AppIndexManager loaded({tree.path("apps")}, indexPath);
    QCOMPARE(contents(*loaded.apps()), expected);
}

void TestAppIndex::scanRequestedTwiceRunsOnce() {
    TempTree tree;
    writeBundle(tree, "apps/Safari.app", namedDictionary("Safari"));
    AppIndexManager manager({tree.path("apps")}, tree.writeFile("appIndex.json", "[]"));
    QSignalSpy indexing(&manager, &AppIndexManager::isIndexingChanged);
    manager.indexApps();
    manager.indexApps();
    QTRY_VERIFY_WITH_TIMEOUT(!manager.isIndexing(), 20000);
    // A second scan from the double request would end before this one.
    QCOMPARE(scan(manager).size(), 1);
    QCOMPARE(indexing.count(), 4);
}

void TestAppIndex::searchFoldsCaseAndCompositionAndOrdersByCodePoints() {
    // The lower-casing must not follow the locale (a Turkish I lowers to a dotless ı).
    QLocale::setDefault(QLocale(QLocale::Turkish));
    const auto restoreLocale = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });
    const QString smile = QString::fromUcs4(U"\U0001F600 smile");
    const QString ligature = u"\uFB01 ligature"_s;
    const QString cafe = u"caf\u00E9"_s;
    QJsonArray entries;
    for (const QString& name :
         {u"textedit"_s, u"safari"_s, u"notes"_s, u"zed editor"_s, u"zed"_s, cafe, smile, ligature})
        entries.append(QJsonObject{{"name", name}, {"path", "/apps/" + name}});
    TempTree tree;
    const AppIndexManager manager({},
                                  tree.writeFile("appIndex.json", QJsonDocument(entries).toJson()));
    const auto names = [&](const QString& query) {
        QStringList found;
        for (const AppMatch& match : manager.searchApps(query))
            found.append(match.name);
        return found;
    };
    QCOMPARE(names("E"), (QStringList{"notes", "textedit", "zed", "zed editor", ligature, smile}));
    QCOMPARE(names(u"CAFE\u0301"_s), QStringList{cafe});
    QCOMPARE(names("cafe"), QStringList());
    QCOMPARE(manager.searchApps("ED").first().path, "/apps/textedit");
}

void TestAppIndex::desktopFileIdsDecideWhichEntryCounts_data() {
    QTest::addColumn<Files>("files");
    QTest::addColumn<PathsByName>("expected");
    const QByteArray editor = desktopEntry("Editor");
    QTest::newRow("the user's Hidden copy hides the system entry")
        << Files{{"first/applications/editor.desktop", editor},
                 {"data/applications/editor.desktop", desktopEntry("Editor", "Hidden=true\n")}}
        << PathsByName{};
    QTest::newRow("the user's NoDisplay copy hides the system entry")
        << Files{{"first/applications/editor.desktop", editor},
                 {"data/applications/editor.desktop", desktopEntry("Editor", "NoDisplay=true\n")}}
        << PathsByName{};
    QTest::newRow("a renamed copy replaces the entry")
        << Files{{"first/applications/editor.desktop", editor},
                 {"data/applications/editor.desktop", desktopEntry("My Editor")}}
        << PathsByName{{"my editor", "data/applications/editor.desktop"}};
    QTest::newRow("the first data folder named wins")
        << Files{{"first/applications/editor.desktop", desktopEntry("First")},
                 {"second/applications/editor.desktop", desktopEntry("Second")}}
        << PathsByName{{"first", "first/applications/editor.desktop"}};
    QTest::newRow("a lower folder's hidden copy hides nothing")
        << Files{{"first/applications/editor.desktop", editor},
                 {"second/applications/editor.desktop", desktopEntry("Editor", "Hidden=true\n")}}
        << PathsByName{{"editor", "first/applications/editor.desktop"}};
    QTest::newRow("a subfolder's entry is hidden by its dashed id")
        << Files{{"first/applications/kde/foo.desktop", desktopEntry("Foo")},
                 {"data/applications/kde-foo.desktop", desktopEntry("Foo", "Hidden=true\n")}}
        << PathsByName{};
    QTest::newRow("a subfolder's entry renames a dashed one")
        << Files{{"first/applications/kde-foo.desktop", desktopEntry("Foo")},
                 {"data/applications/kde/foo.desktop", desktopEntry("New Foo")}}
        << PathsByName{{"new foo", "data/applications/kde/foo.desktop"}};
    QTest::newRow("different ids sharing a name: the later folder's")
        << Files{{"first/applications/one.desktop", editor},
                 {"data/applications/two.desktop", editor}}
        << PathsByName{{"editor", "data/applications/two.desktop"}};
}

void TestAppIndex::desktopFileIdsDecideWhichEntryCounts() {
    QFETCH(Files, files);
    QFETCH(PathsByName, expected);
    IsolatedEnvironment environment;
    const TempTree& tree = environment.tree();
    qputenv("XDG_DATA_DIRS", (tree.path("first") + ':' + tree.path("second")).toUtf8());
    for (const auto& [relative, content] : files)
        tree.writeFile(relative, content);
    for (QString& path : expected)
        path = tree.path(path);

    AppIndexManager manager(AppIndexManager::defaultDirectories(), tree.path("appIndex.json"));
    QCOMPARE(scan(manager), expected);
}

void TestAppIndex::onlyLaunchableEntriesAreListed_data() {
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<bool>("listed");
    const QByteArray head = "[Desktop Entry]\nType=Application\nName=Tool\n";
    const QByteArray truePath = QFile::encodeName(QStandardPaths::findExecutable("true"));
    QTest::newRow("program in PATH") << head + "Exec=true %U\n" << true;
    QTest::newRow("program by absolute path") << head + "Exec=" + truePath + " --x\n" << true;
    QTest::newRow("quoted program and arguments") << head + "Exec=\"true\" 'two words' \"%f\"\n"
                                                  << true;
    QTest::newRow("no Exec but opened over D-Bus") << head + "DBusActivatable=true\n" << true;
    QTest::newRow("comments and blank lines before the group")
        << "# written by hand\n\n" + head + "Exec=true\n"
        << true;
    QTest::newRow("an action group after it")
        << head + "Exec=true\nActions=new;\n\n[Desktop Action new]\nName=New\nExec=true\n"
        << true;
    QTest::newRow("unbalanced quotes") << head + "Exec=true \"unclosed %U\n" << false;
    QTest::newRow("program not installed") << head + "Exec=no-such-program-here %U\n" << false;
    QTest::newRow("absolute path to no program") << head + "Exec=/no/such/program\n" << false;
    QTest::newRow("absolute path to a folder") << head + "Exec=/usr\n" << false;
    QTest::newRow("empty Exec") << head + "Exec=\n" << false;
    QTest::newRow("no Exec") << head << false;
    QTest::newRow("another group first")
        << "[Desktop Action new]\nName=New\nExec=true\n\n" + head + "Exec=true\n"
        << false;
}

void TestAppIndex::onlyLaunchableEntriesAreListed() {
    QFETCH(QByteArray, entry);
    QFETCH(bool, listed);
    TempTree tree;
    const QString path = tree.writeFile("apps/tool.desktop", entry);
    AppIndexManager manager({tree.path("apps")}, tree.path("appIndex.json"));
    const PathsByName expected = listed ? PathsByName{{"tool", path}} : PathsByName{};
    QCOMPARE(scan(manager), expected);
}

void TestAppIndex::folderWatchReportsChangedItems_data() {
    QTest::addColumn<FolderChange>("change");
    QTest::addColumn<QString>("newFolder");
    QTest::newRow("entry added") << FolderChange([](const TempTree& tree) {
        tree.writeFile("apps/new.desktop", desktopEntry("New"));
    }) << QString();
    QTest::newRow("entry added in a subfolder") << FolderChange([](const TempTree& tree) {
        tree.writeFile("apps/sub/new.desktop", desktopEntry("New"));
    }) << QString();
    QTest::newRow("entry removed") << FolderChange([](const TempTree& tree) {
        QFile::remove(tree.path("apps/sub/old.desktop"));
    }) << QString();
    QTest::newRow("entry renamed") << FolderChange([](const TempTree& tree) {
        QFile::rename(tree.path("apps/sub/old.desktop"), tree.path("apps/sub/older.desktop"));
    }) << QString();
    QTest::newRow("subfolder made with an entry") << FolderChange([](const TempTree& tree) {
        tree.writeFile("apps/made/deeper/new.desktop", desktopEntry("New"));
    }) << "apps/made/deeper";
    QTest::newRow("missing folder made with an entry") << FolderChange([](const TempTree& tree) {
        tree.writeFile("later/applications/new.desktop", desktopEntry("New"));
    }) << "later/applications";
}

void TestAppIndex::folderWatchReportsChangedItems() {
    QFETCH(FolderChange, change);
    QFETCH(QString, newFolder);
    TempTree tree;
    tree.writeFile("apps/sub/old.desktop", desktopEntry("Old"));
    ApplicationFolderWatch watch({tree.path("apps"), tree.path("later/applications")}, {});
    QSignalSpy renewed(&watch, &ApplicationFolderWatch::watchRenewed);
    QSignalSpy changed(&watch, &ApplicationFolderWatch::changed);
    QVERIFY(renewed.wait(20000));
    QCOMPARE(watch.watchedFolders(), (QStringList{tree.path("apps"), tree.path("apps/sub")}));

    change(tree);
    QVERIFY(changed.wait(20000));
    QCOMPARE(changed.count(), 1);
    if (!newFolder.isEmpty())
        QVERIFY(watch.watchedFolders().contains(tree.path(newFolder)));
}

void TestAppIndex::firstLookAtTheFoldersComparesThemWithTheIndex_data() {
    QTest::addColumn<qint64>("indexAgeSeconds");
    QTest::addColumn<int>("changes");
    QTest::newRow("index written before the folders changed") << 3600LL << 1;
    QTest::newRow("index written after") << -3600LL << 0;
}

void TestAppIndex::firstLookAtTheFoldersComparesThemWithTheIndex() {
    QFETCH(qint64, indexAgeSeconds);
    QFETCH(int, changes);
    TempTree tree;
    tree.writeFile("apps/sub/entry.desktop", desktopEntry("Entry"));
    ApplicationFolderWatch watch({tree.path("apps")},
                                 QDateTime::currentDateTime().addSecs(-indexAgeSeconds));
    QSignalSpy renewed(&watch, &ApplicationFolderWatch::watchRenewed);
    QSignalSpy changed(&watch, &ApplicationFolderWatch::changed);
    QVERIFY(renewed.wait(20000));
    QCOMPARE(changed.count(), changes);
}

void TestAppIndex::staleIndexAtStartIsReplacedByAScan() {
    TempTree tree;
    const QString indexPath =
        tree.writeFile("appIndex.json", R"([{"name": "gone", "path": "/gone.desktop"}])");
    QFile index(indexPath);
    QVERIFY(index.open(QIODevice::ReadWrite));
    QVERIFY(index.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                              QFileDevice::FileModificationTime));
    index.close();
    const QString added = tree.writeFile("apps/added.desktop", desktopEntry("Added"));

    AppIndexManager manager({tree.path("apps")}, indexPath);
    // The saved index serves at once; the scan replaces it in the background.
    QCOMPARE(contents(*manager.apps()), (PathsByName{{"gone", "/gone.desktop"}}));
    QTRY_COMPARE_WITH_TIMEOUT(contents(*manager.apps()), (PathsByName{{"added", added}}), 20000);
}

void TestAppIndex::entryInstalledWhileRunningIsIndexed() {
    TempTree tree;
    tree.makeDir("apps/sub");
    AppIndexManager manager({tree.path("apps")}, tree.writeFile("appIndex.json", "[]"));
    auto* watch = manager.findChild<ApplicationFolderWatch*>();
    QVERIFY(watch);
    QTRY_VERIFY_WITH_TIMEOUT(!watch->watchedFolders().isEmpty(), 20000);
    QVERIFY(manager.apps()->isEmpty());

    const QString added = tree.writeFile("apps/sub/added.desktop", desktopEntry("Added"));
    QTRY_COMPARE_WITH_TIMEOUT(contents(*manager.apps()), (PathsByName{{"added", added}}), 20000);
}

QTEST_GUILESS_MAIN(TestAppIndex)
#include "tst_appindex.moc"
