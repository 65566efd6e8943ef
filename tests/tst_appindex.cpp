#include "ApplicationFixtures.h"
#include "TempTree.h"
#include "index/AppIndexManager.h"
#include "platform/DesktopEntryReader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>
#include <sys/stat.h>

using namespace ApplicationFixtures;
using namespace Qt::StringLiterals;

namespace {

using PathsByName = QMap<QString, QString>;

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

class TestAppIndex : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void bundlesAreNamedFromTheirDictionaries();
    void desktopEntriesAreListedAsTheDesktopWould();
    void defaultDirectoriesFollowTheEnvironment();
    void missingOrDamagedIndexFileIsReplacedByAScan_data();
    void missingOrDamagedIndexFileIsReplacedByAScan();
    void failedSaveStillPublishesTheScan();
    void scanRequestedTwiceRunsOnce();
    void searchFoldsCaseAndCompositionAndOrdersByCodePoints();
};

void TestAppIndex::bundlesAreNamedFromTheirDictionaries() {
    TempTree tree;
    const auto bundle = [&tree](const QString& relative, const QByteArray& dictionary) {
        return writeBundle(tree, "apps/" + relative, dictionary);
    };
    const PathsByName expected = {
        {"safari", bundle("Safari.app", namedDictionary("Safari"))},
        {u"bin\u00E4r tool"_s,
         bundle("Tool.app", binaryDictionary(namedDictionary(u"Bin\u00C4r Tool"_s)))},
        {"runme", bundle("Exec.app", xmlDictionary(stringEntry("CFBundleExecutable", "RunMe")))},
        {"inner", bundle("Plain Folder/Deeper/Inner.app", namedDictionary("Inner"))},
        {"outer", bundle("Outer.app", namedDictionary("Outer"))},
        {"linked", tree.path("apps/Link.app")},
    };
    // Left out: bundles inside bundles, hidden items, dictionaries that name nothing.
    bundle("Outer.app/Contents/Helpers/Nested.app", namedDictionary("Nested"));
    bundle(".Dotted.app", namedDictionary("Dotted"));
    bundle("Broken.app", "<plist><dict><key>");
    bundle("Anonymous.app", xmlDictionary(stringEntry("CFBundleIdentifier", "org.example.a")));
    QVERIFY(makePipe(tree.path("apps/Pipe.app/Contents/Info.plist")));
    QVERIFY(QFile::link(writeBundle(tree, "elsewhere/Real.app", namedDictionary("Linked")),
                        tree.path("apps/Link.app")));
    QVERIFY(QFile::link(tree.path("apps"), tree.path("apps/Plain Folder/Loop")));

    AppIndexManager manager({tree.path("apps")}, tree.path("index/appIndex.json"));
    QCOMPARE(scan(manager), expected);
}

void TestAppIndex::desktopEntriesAreListedAsTheDesktopWould() {
    IsolatedEnvironment environment; // XDG_CURRENT_DESKTOP=Vantri-Test
    qputenv("LANGUAGE", "de");
    const auto restoreLanguage = qScopeGuard([] { qunsetenv("LANGUAGE"); });
    const auto entry = [&environment](const QString& file, const QByteArray& content) {
        return environment.tree().writeFile("applications/" + file, content);
    };
    const PathsByName expected = {
        {"plain editor", entry("plain.desktop", desktopEntry("Plain Editor"))},
        {"nested entry", entry("vendor/sub/nested.desktop", desktopEntry("Nested Entry"))},
        {"dateien",
         entry("files.desktop", desktopEntry("Files", "Name[de]=Dateien\nName[fr]=Fichiers\n"))},
        {"ours", entry("ours.desktop", desktopEntry("Ours", "OnlyShowIn=GNOME;Vantri-Test;\n"))},
    };
    entry("hidden.desktop", desktopEntry("Hidden", "Hidden=true\n"));
    entry("nodisplay.desktop", desktopEntry("No Display", "NoDisplay=true\n"));
    entry("other.desktop", desktopEntry("Other Desktop", "OnlyShowIn=KDE;\n"));
    entry("missing.desktop", desktopEntry("Missing", "TryExec=vantri-no-such-program\n"));
    entry("link.desktop", "[Desktop Entry]\nType=Link\nName=Link\nURL=https://example.org\n");
    entry("garbage.desktop", QByteArray("\x00\x01garbage\xFF[", 12));
    QVERIFY(makePipe(environment.tree().path("applications/pipe.desktop")));

    AppIndexManager manager({environment.tree().path("applications")},
                            environment.tree().path("index/appIndex.json"));
    QCOMPARE(scan(manager), expected);

    // The first current desktop named by either list decides.
    const QString both =
        entry("both.desktop", desktopEntry("Both", "OnlyShowIn=GNOME;\nNotShowIn=Budgie;\n"));
    const auto nameOn = [](const QByteArrayList& desktops, const QString& path) {
        return DesktopEntryReader(desktops).applicationName(path).value_or("(not listed)");
    };
    QCOMPARE(nameOn({"Budgie", "GNOME"}, both), "(not listed)");
    QCOMPARE(nameOn({"GNOME", "Budgie"}, both), "Both");
}

void TestAppIndex::defaultDirectoriesFollowTheEnvironment() {
    IsolatedEnvironment environment;
    const QString home = environment.home();
    const QStringList fixed = {home + "/Applications",
                               home + "/Applications/Utilities",
                               "/Applications",
                               "/System/Applications",
                               "/Applications/Utilities",
                               "/System/Applications/Utilities",
                               "/System/Cryptexes/App/System/Applications"};
    qputenv("XDG_DATA_DIRS", "/first/share:relative/share::/second/share/");
    QCOMPARE(AppIndexManager::defaultDirectories(),
             (fixed + QStringList{"/second/share/applications", "/first/share/applications",
                                  environment.dataHome() + "/applications"}));
    QCOMPARE(AppIndexManager::defaultIndexFilePath(),
             environment.dataHome() + "/Vantri/appIndex.json");

    qputenv("XDG_DATA_DIRS", "");
    qunsetenv("XDG_DATA_HOME");
    QCOMPARE(AppIndexManager::defaultDirectories(),
             (fixed + QStringList{"/usr/share/applications", "/usr/local/share/applications",
                                  home + "/.local/share/applications"}));
    QCOMPARE(AppIndexManager::defaultIndexFilePath(), home + "/.local/share/Vantri/appIndex.json");
}

void TestAppIndex::missingOrDamagedIndexFileIsReplacedByAScan_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("no file") << QByteArray("no file");
    QTest::newRow("not JSON") << QByteArray("[{\"name\": \"a\", ");
    QTest::newRow("entry without path")
        << QByteArray(R"([{"name": "a", "path": "/a"}, {"name": "b"}])");
    QTest::newRow("named pipe") << QByteArray("pipe");
}

void TestAppIndex::missingOrDamagedIndexFileIsReplacedByAScan() {
    QFETCH(QByteArray, content);
    TempTree tree;
    const PathsByName expected = {
        {"safari", writeBundle(tree, "apps/Safari.app", namedDictionary("Safari"))},
        {"notes", tree.writeFile("apps/notes.desktop", desktopEntry("Notes"))}};
    const QString indexPath = tree.path("data/Vantri/appIndex.json");
    if (content == "pipe")
        QVERIFY(makePipe(indexPath));
    else if (content != "no file")
        tree.writeFile("data/Vantri/appIndex.json", content);
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
    QVERIFY(!loaded.isIndexing());
}

void TestAppIndex::failedSaveStillPublishesTheScan() {
    TempTree tree;
    const QString safari = writeBundle(tree, "apps/Safari.app", namedDictionary("Safari"));
    // A file where the index folder should be: the folder cannot be made.
    tree.writeFile("data/Vantri", "in the way");
    AppIndexManager manager({tree.path("apps")}, tree.path("data/Vantri/appIndex.json"));
    QSignalSpy published(&manager, &AppIndexManager::appsChanged);
    QCOMPARE(scan(manager), (PathsByName{{"safari", safari}}));
    QCOMPARE(published.count(), 1);
}

void TestAppIndex::scanRequestedTwiceRunsOnce() {
    TempTree tree;
    writeBundle(tree, "apps/Safari.app", namedDictionary("Safari"));
    AppIndexManager manager({tree.path("apps")}, tree.writeFile("appIndex.json", "[]"));
    QSignalSpy indexing(&manager, &AppIndexManager::isIndexingChanged);
    QSignalSpy published(&manager, &AppIndexManager::appsChanged);
    manager.indexApps();
    manager.indexApps();
    QTRY_VERIFY_WITH_TIMEOUT(!manager.isIndexing(), 20000);
    // A second scan from the double request would end before this one.
    QCOMPARE(scan(manager).size(), 1);
    QCOMPARE(published.count(), 2);
    QCOMPARE(indexing.count(), 4);
}

void TestAppIndex::searchFoldsCaseAndCompositionAndOrdersByCodePoints() {
    // The lower-casing must not follow the locale (a Turkish I lowers to a dotless ı).
    QLocale::setDefault(QLocale(QLocale::Turkish));
    const auto restoreLocale = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });
    const QString smile = QString::fromUcs4(U"\U0001F600 smile");
    const QString ligature = u"\uFB01 ligature"_s;
    const QString cafe = u"caf\u00E9"_s;
    // A name twice: the later path counts.
    QJsonArray entries = {QJsonObject{{"name", "notes"}, {"path", "/old/notes"}}};
    for (const QString& name :
         {u"textedit"_s, u"safari"_s, u"notes"_s, u"zed editor"_s, u"zed"_s, cafe, smile, ligature})
        entries.append(QJsonObject{{"name", name}, {"path", "/apps/" + name}});
    TempTree tree;
    const AppIndexManager manager({},
                                  tree.writeFile("appIndex.json", QJsonDocument(entries).toJson()));
    const auto names = [&](const QString& query) {
        QStringList found;
        for (const AppMatch& match : manager.searchApps(query)) {
            if (match.path != "/apps/" + match.name)
                return QStringList{"wrong path " + match.path};
            found.append(match.name);
        }
        return found;
    };
    QCOMPARE(names(""), QStringList());
    QCOMPARE(names("E"), (QStringList{"notes", "textedit", "zed", "zed editor", ligature, smile}));
    QCOMPARE(names(u"CAFE\u0301"_s), QStringList{cafe});
    QCOMPARE(names("cafe"), QStringList());
}

QTEST_GUILESS_MAIN(TestAppIndex)
#include "tst_appindex.moc"
