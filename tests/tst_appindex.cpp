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

PathsByName fileContents(const QString& indexFilePath) {
    QFile file(indexFilePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    PathsByName map;
    for (const QJsonValue& value : QJsonDocument::fromJson(file.readAll()).array())
        map.insert(value[QStringLiteral("name")].toString(),
                   value[QStringLiteral("path")].toString());
    return map;
}

// Runs one scan to its end on the manager's own machinery.
bool scan(AppIndexManager& manager) {
    QSignalSpy finished(&manager, &AppIndexManager::isIndexingChanged);
    manager.indexApps();
    return QTest::qWaitFor([&] { return !manager.isIndexing(); }, 20000) && !finished.isEmpty();
}

// A named pipe: reading it would wait for a writer that never comes.
bool makePipe(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    return mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

} // namespace

class TestAppIndex : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void bundlesAreNamedFromTheirDictionaries();
    void laterDirectoriesWin();
    void desktopEntriesAreListedAsTheDesktopWould();
    void desktopEntriesHonourEveryCurrentDesktop();
    void defaultDirectoriesFollowTheEnvironment();
    void scanIsSavedAndLoadedAtOnce();
    void damagedIndexFileIsReplacedByAScan_data();
    void damagedIndexFileIsReplacedByAScan();
    void indexFileNamingAnAppTwiceKeepsTheLast();
    void failedSaveStillPublishesTheScan();
    void scanRequestedTwiceRunsOnce();
    void searchFoldsCaseAndCompositionAndOrdersByCodePoints();
};

void TestAppIndex::bundlesAreNamedFromTheirDictionaries() {
    IsolatedEnvironment environment;
    const TempTree& tree = environment.tree();
    const QString apps = QStringLiteral("apps/");
    const QString xml = writeBundle(tree, apps + "Safari.app", namedDictionary("Safari"));
    const QString binary = writeBundle(tree, apps + "Tool.app",
                                       binaryDictionary(namedDictionary(u"Bin\u00C4r Tool"_qs)));
    const QString marked =
        writeBundle(tree, apps + "Marked.app", "\xEF\xBB\xBF" + namedDictionary("Marked"));
    const QString executable = writeBundle(
        tree, apps + "Exec.app", xmlDictionary(stringEntry("CFBundleExecutable", "RunMe")));
    const QString numbered =
        writeBundle(tree, apps + "Numbered.app",
                    xmlDictionary("<key>CFBundleName</key><integer>7</integer>\n" +
                                  stringEntry("CFBundleExecutable", "Fallback")));
    const QString flat = tree.writeFile(apps + "Flat.app/Info.plist", namedDictionary("Flat"));
    const QString deep =
        writeBundle(tree, apps + "Plain Folder/Deeper/Inner.app", namedDictionary("Inner"));
    const QString outer = writeBundle(tree, apps + "Outer.app", namedDictionary("Outer"));
    writeBundle(tree, apps + "Outer.app/Contents/Helpers/Nested.app", namedDictionary("Nested"));
    writeBundle(tree, apps + "Upper.APP", namedDictionary("Upper"));
    writeBundle(tree, apps + "Upper.APP/Contents/Helpers/Hidden Inside.app",
                namedDictionary("Inside"));
    writeBundle(tree, apps + ".Hidden/Secret.app", namedDictionary("Secret"));
    writeBundle(tree, apps + ".Dotted.app", namedDictionary("Dotted"));
    tree.makeDir(apps + "Empty.app/Contents");
    tree.writeFile(apps + "Broken.app/Contents/Info.plist", "<plist><dict><key>");
    writeBundle(tree, apps + "Anonymous.app",
                xmlDictionary(stringEntry("CFBundleIdentifier", "org.example.anonymous")));
    tree.writeFile(apps + "Array.app/Contents/Info.plist",
                   "<?xml version=\"1.0\"?><plist><array><string>A</string></array></plist>");
    QVERIFY(makePipe(tree.path(apps + "Pipe.app/Contents/Info.plist")));
    const QString loose = tree.writeFile(apps + "Loose.app", "not a folder");
    const QString elsewhere = writeBundle(tree, "elsewhere/Real.app", namedDictionary("Linked"));
    QVERIFY(QFile::link(elsewhere, tree.path(apps + "Link.app")));
    QVERIFY(QFile::link(tree.path("apps"), tree.path(apps + "Plain Folder/Loop")));
    QVERIFY(QFile::link(tree.path("nowhere"), tree.path(apps + "Dangling.app")));

    AppIndexManager manager({tree.path(apps)}, tree.path("index/appIndex.json"));
    QVERIFY(scan(manager));
    const PathsByName expected = {
        {"safari", xml},
        {u"bin\u00E4r tool"_qs, binary},
        {"marked", marked},
        {"runme", executable},
        {"fallback", numbered},
        {"flat", tree.path(apps + "Flat.app")},
        {"inner", deep},
        {"outer", outer},
        {"loose", loose},
        {"linked", tree.path(apps + "Link.app")},
        {"dangling", tree.path(apps + "Dangling.app")},
    };
    QCOMPARE(contents(*manager.apps()), expected);
}

void TestAppIndex::laterDirectoriesWin() {
    IsolatedEnvironment environment;
    const TempTree& tree = environment.tree();
    // The layout of the fixed folders: a user folder and a system folder, each
    // with a Utilities folder inside that is also listed on its own.
    const QString userApps = tree.makeDir("user/Applications");
    const QString apps = tree.makeDir("Applications");
    const QString systemApps = tree.makeDir("System/Applications");
    writeBundle(tree, "user/Applications/Same.app", namedDictionary("Same"));
    const QString same = writeBundle(tree, "Applications/Same.app", namedDictionary("SAME"));
    writeBundle(tree, "System/Applications/Tool.app", namedDictionary("Tool"));
    const QString tool =
        writeBundle(tree, "Applications/Utilities/Tool.app", namedDictionary("Tool"));
    writeBundle(tree, "Applications/Mixed.app", namedDictionary("Mixed"));
    const QString mixed = tree.writeFile("low/applications/mixed.desktop", desktopEntry("mixed"));
    tree.writeFile("low/applications/viewer.desktop", desktopEntry("Viewer"));
    const QString viewer =
        tree.writeFile("high/applications/viewer.desktop", desktopEntry("Viewer"));

    AppIndexManager manager({userApps, apps, systemApps, apps + "/Utilities",
                             tree.path("low/applications"), tree.path("high/applications")},
                            tree.path("index/appIndex.json"));
    QVERIFY(scan(manager));
    const PathsByName expected = {
        {"same", same}, {"tool", tool}, {"mixed", mixed}, {"viewer", viewer}};
    QCOMPARE(contents(*manager.apps()), expected);
}

void TestAppIndex::desktopEntriesAreListedAsTheDesktopWould() {
    IsolatedEnvironment environment; // XDG_CURRENT_DESKTOP=Vantri-Test
    qputenv("LANGUAGE", "de");
    const auto restoreLanguage = qScopeGuard([] { qunsetenv("LANGUAGE"); });
    const TempTree& tree = environment.tree();
    const auto entry = [&](const QString& file, const QByteArray& content) {
        return tree.writeFile("applications/" + file, content);
    };
    const QString plain = entry("plain.desktop", desktopEntry("Plain Editor"));
    const QString nested = entry("vendor/sub/nested.desktop", desktopEntry("Nested Entry"));
    const QString localized =
        entry("files.desktop", desktopEntry("Files", "Name[de]=Dateien\nName[fr]=Fichiers\n"));
    const QString ours =
        entry("ours.desktop", desktopEntry("Ours", "OnlyShowIn=GNOME;Vantri-Test;\n"));
    const QString found = entry("found.desktop", desktopEntry("Found", "TryExec=sh\n"));
    const QString notHidden = entry("shown.desktop", desktopEntry("Shown", "Hidden=false\n"));
    entry("hidden.desktop", desktopEntry("Hidden", "Hidden=true\n"));
    entry("nodisplay.desktop", desktopEntry("No Display", "NoDisplay=true\n"));
    entry("other.desktop", desktopEntry("Other Desktop", "OnlyShowIn=KDE;\n"));
    entry("nowhere.desktop", desktopEntry("Nowhere", "OnlyShowIn=\n"));
    entry("not-ours.desktop", desktopEntry("Not Ours", "NotShowIn=Vantri-Test;\n"));
    entry("missing.desktop", desktopEntry("Missing", "TryExec=vantri-no-such-program\n"));
    entry("link.desktop", "[Desktop Entry]\nType=Link\nName=Link\nURL=https://example.org\n");
    entry("untyped.desktop", "[Desktop Entry]\nName=Untyped\nExec=true\n");
    entry("nameless.desktop", "[Desktop Entry]\nType=Application\nExec=true\n");
    entry("empty-name.desktop", desktopEntry(""));
    entry("group.desktop", "[Other Group]\nType=Application\nName=Other Group\n");
    entry("garbage.desktop", QByteArray("\x00\x01garbage\xFF[", 12));
    entry("Upper.DESKTOP", desktopEntry("Upper"));
    entry(".dotted.desktop", desktopEntry("Dotted"));
    entry("notes.txt", desktopEntry("Text File"));
    tree.makeDir("applications/folder.desktop");
    QVERIFY(makePipe(tree.path("applications/pipe.desktop")));

    AppIndexManager manager({tree.path("applications")}, tree.path("index/appIndex.json"));
    QVERIFY(scan(manager));
    const PathsByName expected = {
        {"plain editor", plain}, {"nested entry", nested}, {"dateien", localized},
        {"ours", ours},          {"found", found},         {"shown", notHidden},
    };
    QCOMPARE(contents(*manager.apps()), expected);
}

void TestAppIndex::desktopEntriesHonourEveryCurrentDesktop() {
    TempTree tree;
    const auto nameOn = [](const QByteArrayList& desktops, const QString& path) {
        return DesktopEntryReader(desktops).applicationName(path).value_or("(not listed)");
    };
    const QString both = tree.writeFile(
        "both.desktop", desktopEntry("Both", "OnlyShowIn=GNOME;\nNotShowIn=Budgie;\n"));
    // The first current desktop named by either list decides.
    QCOMPARE(nameOn({"Budgie", "GNOME"}, both), "(not listed)");
    QCOMPARE(nameOn({"GNOME", "Budgie"}, both), "Both");
    QCOMPARE(nameOn({"XFCE"}, both), "(not listed)");
    QCOMPARE(nameOn({}, both), "(not listed)");
    const QString any = tree.writeFile("any.desktop", desktopEntry("Any"));
    QCOMPARE(nameOn({}, any), "Any");
}

void TestAppIndex::defaultDirectoriesFollowTheEnvironment() {
    IsolatedEnvironment environment;
    const QString home = environment.home();
    const QStringList fixed = {
        home + "/Applications",
        home + "/Applications/Utilities",
        "/Applications",
        "/System/Applications",
        "/Applications/Utilities",
        "/System/Applications/Utilities",
        "/System/Cryptexes/App/System/Applications",
    };
    // The environment object restores both variables.
    qputenv("XDG_DATA_DIRS", "/first/share:relative/share::/second/share/");
    const QStringList dataFolders = {"/second/share/applications", "/first/share/applications",
                                     environment.dataHome() + "/applications"};
    QCOMPARE(AppIndexManager::defaultDirectories(), fixed + dataFolders);
    QCOMPARE(AppIndexManager::defaultIndexFilePath(),
             environment.dataHome() + "/Vantri/appIndex.json");

    qputenv("XDG_DATA_DIRS", "");
    qunsetenv("XDG_DATA_HOME");
    const QStringList defaultDataFolders = {"/usr/share/applications",
                                            "/usr/local/share/applications",
                                            home + "/.local/share/applications"};
    QCOMPARE(AppIndexManager::defaultDirectories(), fixed + defaultDataFolders);
    QCOMPARE(AppIndexManager::defaultIndexFilePath(), home + "/.local/share/Vantri/appIndex.json");
}

void TestAppIndex::scanIsSavedAndLoadedAtOnce() {
    IsolatedEnvironment environment;
    const TempTree& tree = environment.tree();
    const QString safari = writeBundle(tree, "apps/Safari.app", namedDictionary("Safari"));
    const QString notes =
        tree.writeFile("apps/notes.desktop", desktopEntry(u"Notes \u00C9t\u00E9"_qs));
    const QString indexPath = tree.path("data/not yet/Vantri/appIndex.json");
    const PathsByName expected = {{"safari", safari}, {u"notes \u00E9t\u00E9"_qs, notes}};
    {
        // No index file: empty at first, then a scan writes one.
        AppIndexManager first({tree.path("apps")}, indexPath);
        QVERIFY(first.apps()->isEmpty());
        QVERIFY(!first.isIndexing());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(indexPath), 20000);
        QTRY_VERIFY(!first.isIndexing());
        QCOMPARE(contents(*first.apps()), expected);
    }
    QFile file(indexPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    QCOMPARE(saved, QJsonDocument::fromJson(saved).toJson(QJsonDocument::Compact));
    QCOMPARE(fileContents(indexPath), expected);

    // A readable file is the index as soon as the manager is built.
    const AppIndexManager loaded({tree.path("apps")}, indexPath);
    QCOMPARE(contents(*loaded.apps()), expected);
}

void TestAppIndex::damagedIndexFileIsReplacedByAScan_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("not JSON") << QByteArray("[{\"name\": \"a\", ");
    QTest::newRow("object") << QByteArray(R"({"name": "a", "path": "/a"})");
    QTest::newRow("entry without path")
        << QByteArray(R"([{"name": "a", "path": "/a"}, {"name": "b"}])");
    QTest::newRow("path not text") << QByteArray(R"([{"name": "a", "path": 3}])");
    QTest::newRow("element not object") << QByteArray(R"([["a", "/a"]])");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("named pipe") << QByteArray("pipe");
}

void TestAppIndex::damagedIndexFileIsReplacedByAScan() {
    QFETCH(QByteArray, content);
    IsolatedEnvironment environment;
    const TempTree& tree = environment.tree();
    const QString safari = writeBundle(tree, "apps/Safari.app", namedDictionary("Safari"));
    const QString indexPath = tree.path("data/appIndex.json");
    if (content == "pipe")
        QVERIFY(makePipe(indexPath));
    else
        tree.writeFile("data/appIndex.json", content);

    AppIndexManager manager({tree.path("apps")}, indexPath);
    QVERIFY(manager.apps()->isEmpty());
    QSignalSpy indexing(&manager, &AppIndexManager::isIndexingChanged);
    QTRY_COMPARE_WITH_TIMEOUT(indexing.count(), 2, 20000);
    QCOMPARE(indexing[0][0].toBool(), true);
    QCOMPARE(indexing[1][0].toBool(), false);
    const PathsByName expected = {{"safari", safari}};
    QCOMPARE(contents(*manager.apps()), expected);
    QCOMPARE(fileContents(indexPath), expected);
}

void TestAppIndex::indexFileNamingAnAppTwiceKeepsTheLast() {
    TempTree tree;
    const QString indexPath = tree.writeFile("appIndex.json", R"([
        {"path": "/first/Mail.app", "name": "mail"},
        {"name": "notes", "path": "/Notes.app", "version": 3},
        {"name": "mail", "path": "/second/Mail.app"}
    ])");
    AppIndexManager manager({tree.path("no applications here")}, indexPath);
    const PathsByName expected = {{"mail", "/second/Mail.app"}, {"notes", "/Notes.app"}};
    QCOMPARE(contents(*manager.apps()), expected);
    QVERIFY(!manager.isIndexing());
}

void TestAppIndex::failedSaveStillPublishesTheScan() {
    TempTree tree;
    const QString safari = writeBundle(tree, "apps/Safari.app", namedDictionary("Safari"));
    // A file where the index folder should be: the folder cannot be made.
    tree.writeFile("data/Vantri", "in the way");
    AppIndexManager manager({tree.path("apps")}, tree.path("data/Vantri/appIndex.json"));
    QSignalSpy published(&manager, &AppIndexManager::appsChanged);
    QVERIFY(scan(manager));
    QCOMPARE(published.count(), 1);
    QCOMPARE(contents(*manager.apps()), (PathsByName{{"safari", safari}}));
    QVERIFY(QFileInfo(tree.path("data/Vantri")).isFile());
}

void TestAppIndex::scanRequestedTwiceRunsOnce() {
    TempTree tree;
    writeBundle(tree, "apps/Safari.app", namedDictionary("Safari"));
    const QString indexPath = tree.writeFile("appIndex.json", "[]");
    AppIndexManager manager({tree.path("apps")}, indexPath);
    QSignalSpy indexing(&manager, &AppIndexManager::isIndexingChanged);
    QSignalSpy published(&manager, &AppIndexManager::appsChanged);
    manager.indexApps();
    manager.indexApps();
    QTRY_VERIFY_WITH_TIMEOUT(!manager.isIndexing(), 20000);
    // One more scan, started after the first ended: a second scan from the
    // double request would have ended before it.
    QVERIFY(scan(manager));
    QCOMPARE(published.count(), 2);
    QCOMPARE(indexing.count(), 4);
}

void TestAppIndex::searchFoldsCaseAndCompositionAndOrdersByCodePoints() {
    TempTree tree;
    const QString smile = QString::fromUcs4(U"\U0001F600 smile");
    const QString ligature = u"\uFB01 ligature"_qs;
    const QString cafe = u"caf\u00E9"_qs;
    QJsonArray entries;
    for (const QString& name : {QString("textedit"), QString("safari"), cafe, smile, ligature,
                                QString("notes"), QString("zed editor")})
        entries.append(QJsonObject{{"name", name}, {"path", "/apps/" + name}});
    const QString indexPath = tree.writeFile("appIndex.json", QJsonDocument(entries).toJson());
    const AppIndexManager manager({}, indexPath);

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
    QCOMPARE(names("SAF"), QStringList{"safari"});
    QCOMPARE(names("e"), (QStringList{"notes", "textedit", "zed editor", ligature, smile}));
    QCOMPARE(names(u"CAFE\u0301"_qs), QStringList{cafe});
    QCOMPARE(names(u"\u00C9"_qs), QStringList{cafe});
    QCOMPARE(names("cafe"), QStringList());
    QCOMPARE(names("nothing like it"), QStringList());
}

QTEST_GUILESS_MAIN(TestAppIndex)
#include "tst_appindex.moc"
