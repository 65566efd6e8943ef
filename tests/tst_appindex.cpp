#include "ApplicationFixtures.h"
#include "TempTree.h"
#include "index/AppIndexManager.h"

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
    void scanListsBundlesAndDesktopEntriesAsTheDesktopWould();
    void damagedIndexFileIsReplacedByAScan();
    void scanRequestedTwiceRunsOnce();
    void searchFoldsCaseAndCompositionAndOrdersByCodePoints();
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

QTEST_GUILESS_MAIN(TestAppIndex)
#include "tst_appindex.moc"
