// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ApplicationFixtures.h"
#include "TempTree.h"
#include "index/AppIndexManager.h"
#include "index/ApplicationFolderWatch.h"
#include "index/IndexFile.h"
#include "platform/FolderChangeWatch.h"
#include "text/NameBlock.h"
#include "text/TextMatching.h"

#include <QtTest>
#include <atomic>
#include <fcntl.h>
#include <poll.h>
#include <sys/fanotify.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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

// The positions of the applications whose name contains `query`, found as the program searches.
std::vector<uint32_t> matching(const AppIndexManager& manager, const QString& query) {
    return manager.apps()->find(TextMatching::foldedUtf8(query));
}

PathsByName scan(AppIndexManager& manager) {
    QSignalSpy finished(&manager, &AppIndexManager::isIndexingChanged);
    manager.indexApps();
    if (!QTest::qWaitFor([&] { return !manager.isIndexing(); }, 20000) || finished.isEmpty())
        return {{"(scan never ended)", {}}};
    return contents(*manager.apps());
}

bool isLoaded(const AppIndexManager& manager) {
    return QTest::qWaitFor([&] { return manager.isLoaded(); });
}

// Writes `content` over the file itself, as an editor saving in place does.
void rewriteInPlace(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content);
}

// Through the kernel's permission notices, holds each opening of a file in
// `folder` by a thread other than the one that made it until release() is
// called; openings by that (the GUI) thread pass at once, so a write there
// cannot stall the test, only be counted.
class OpeningHold {
public:
    explicit OpeningHold(const QString& folder)
        : _guiThread(gettid())
        , _notices(fanotify_init(FAN_CLASS_CONTENT | FAN_REPORT_TID | FAN_CLOEXEC, O_RDONLY)) {
        if (_notices < 0 || pipe2(_stop, O_CLOEXEC) != 0 ||
            fanotify_mark(_notices, FAN_MARK_ADD, FAN_OPEN_PERM | FAN_EVENT_ON_CHILD, AT_FDCWD,
                          QFile::encodeName(folder).constData()) != 0)
            return;
        _answering = std::thread([this] { answer(); });
    }
    ~OpeningHold() {
        release();
        if (_answering.joinable()) {
            ::write(_stop[1], "", 1);
            _answering.join();
        }
        for (const int descriptor : {_notices, _stop[0], _stop[1]})
            if (descriptor >= 0)
                close(descriptor);
    }
    bool isActive() const { return _answering.joinable(); }
    int workerOpenings() const { return _workerOpenings; }
    int guiOpenings() const { return _guiOpenings; }
    void release() {
        if (!std::exchange(_released, true))
            _gate.release(1 << 20);
    }

private:
    void answer() {
        alignas(fanotify_event_metadata) char buffer[4096];
        pollfd sources[] = {{_notices, POLLIN, 0}, {_stop[0], POLLIN, 0}};
        while (poll(sources, 2, -1) > 0 && !(sources[1].revents & POLLIN)) {
            const ssize_t length = ::read(_notices, buffer, sizeof buffer);
            auto* event = reinterpret_cast<fanotify_event_metadata*>(buffer);
            for (ssize_t left = length; FAN_EVENT_OK(event, left);
                 event = FAN_EVENT_NEXT(event, left)) {
                if (event->pid == _guiThread) {
                    ++_guiOpenings;
                } else {
                    ++_workerOpenings;
                    _gate.acquire();
                }
                const fanotify_response allow{event->fd, FAN_ALLOW};
                ::write(_notices, &allow, sizeof allow);
                close(event->fd);
            }
        }
    }

    const pid_t _guiThread;
    const int _notices;
    int _stop[2] = {-1, -1};
    std::atomic<int> _workerOpenings = 0;
    std::atomic<int> _guiOpenings = 0;
    bool _released = false;
    QSemaphore _gate;
    std::thread _answering;
};

bool makePipe(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    return mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

} // namespace

Q_DECLARE_METATYPE(FolderChange)

using Positions = std::vector<uint32_t>;
Q_DECLARE_METATYPE(Positions)

namespace {
using RunningVantri = std::unique_ptr<QProcess, decltype([](QProcess* process) {
                                          process->kill();
                                          process->waitForFinished();
                                          delete process;
                                      })>;

RunningVantri startVantri(const QProcessEnvironment& environment) {
    RunningVantri vantri(new QProcess);
    vantri->setProcessEnvironment(environment);
    // The full program itself, so that this process is the instance.
    vantri->start(qEnvironmentVariable("VANTRI_APP_BINARY"), {});
    return vantri;
}
} // namespace

class TestAppIndex : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void scanListsBundlesAndDesktopEntriesAsTheDesktopWould() {
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
        tree.writeFile("apps/missing.desktop",
                       desktopEntry("Missing", "TryExec=no-such-program\n"));
        tree.writeFile("apps/garbage.desktop", QByteArray("\x00\x01garbage\xFF[", 12));
        QVERIFY(makePipe(tree.path("apps/Pipe.app/Contents/Info.plist")));
        QVERIFY(QFile::link(tree.path("apps"), tree.path("apps/Plain Folder/Loop")));

        AppIndexManager manager({tree.path("apps")}, tree.path("index/appIndex.json"));
        QCOMPARE(scan(manager), expected);
    }

    void damagedIndexFileIsReplacedByAScan_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("entry without path")
            << QByteArray(R"([{"name": "a", "path": "/a"}, {"name": "b"}])");
        // Well-formed, but past the size any real index reaches.
        QTest::newRow("larger than 64 MiB") << QByteArray(R"([{"name": "a", "path": "/a"})") +
                                                   QByteArray(64 * 1024 * 1024, ' ') + "]";
    }

    void damagedIndexFileIsReplacedByAScan() {
        QFETCH(QByteArray, content);
        TempTree tree;
        const PathsByName expected = {
            {"safari", writeBundle(tree, "apps/Safari.app", namedDictionary("Safari"))}};
        const QString indexPath = tree.writeFile("appIndex.json", content);
        {
            AppIndexManager manager({tree.path("apps")}, indexPath);
            QVERIFY(manager.apps()->isEmpty());
            QSignalSpy indexing(&manager, &AppIndexManager::isIndexingChanged);
            QTRY_COMPARE_WITH_TIMEOUT(indexing.count(), 2, 20000);
            QCOMPARE(contents(*manager.apps()), expected);
        }
        // The saved scan is the next manager's index, with no scan of its own.
        AppIndexManager loaded({tree.path("apps")}, indexPath);
        QVERIFY(isLoaded(loaded));
        QCOMPARE(contents(*loaded.apps()), expected);
        QVERIFY(!loaded.isIndexing());
    }

    void scanRequestedTwiceRunsOnce() {
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

    void indexFileIsSearchedInNameOrder_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("found"); // name=path
        QTest::newRow("in order") << indexFile({{"ab", "/ab"}, {"ba", "/ba"}, {"ca", "/ca"}}) << "a"
                                  << QStringList{"ab=/ab", "ba=/ba", "ca=/ca"};
        QTest::newRow("out of order") << indexFile({{"ca", "/ca"}, {"ab", "/ab"}, {"ba", "/ba"}})
                                      << "a" << QStringList{"ab=/ab", "ba=/ba", "ca=/ca"};
        QTest::newRow("a name twice: the later path")
            << indexFile({{"ba", "/first"}, {"ab", "/ab"}, {"ba", "/second"}}) << "a"
            << QStringList{"ab=/ab", "ba=/second"};
        const QString longest(AppIndex::maxNameLength, u'a');
        QTest::newRow("names past the longest left out")
            << indexFile({{longest + "a", "/giant"}, {longest, "/longest"}, {"ab", "/ab"}}) << "a"
            << QStringList{longest + "=/longest", "ab=/ab"};
        // Case and composition are folded, and names ordered by code points.
        const QString smile = QString::fromUcs4(U"\U0001F600 smile");
        const QString ligature = u"\uFB01 ligature"_s;
        const QString cafe = u"caf\u00E9"_s;
        QList<std::pair<QString, QString>> entries;
        for (const QString& name : {u"textedit"_s, u"safari"_s, u"notes"_s, u"zed editor"_s,
                                    u"zed"_s, cafe, smile, ligature})
            entries.append({name, "/" + name});
        QStringList folded;
        for (const QString& name :
             {u"notes"_s, u"textedit"_s, u"zed"_s, u"zed editor"_s, ligature, smile})
            folded.append(name + "=/" + name);
        QTest::newRow("upper case") << indexFile(entries) << "E" << folded;
        QTest::newRow("decomposed")
            << indexFile(entries) << u"CAFE\u0301"_s << QStringList{cafe + "=/" + cafe};
        QTest::newRow("no accent") << indexFile(entries) << "cafe" << QStringList();
    }

    void indexFileIsSearchedInNameOrder() {
        QFETCH(QByteArray, content);
        QFETCH(QString, query);
        QFETCH(QStringList, found);
        // The lower-casing must not follow the locale (a Turkish I lowers to a dotless ı).
        QLocale::setDefault(QLocale(QLocale::Turkish));
        const auto restoreLocale = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });
        TempTree tree;
        const AppIndexManager manager({}, tree.writeFile("appIndex.json", content));
        QVERIFY(isLoaded(manager));
        QStringList matches;
        for (const uint32_t position : matching(manager, query))
            matches.append(manager.apps()->name(position) + "=" + manager.apps()->path(position));
        QCOMPARE(matches, found);
    }

    void savedIndexReadsBackAsItWas() {
        const PathsByName expected = {{u"quote \" and \\ back"_s, u"/apps/a\tb"_s},
                                      {u"line\nbreak \u0001"_s, u"/apps/\u00E9t\u00E9"_s},
                                      {QString::fromUcs4(U"\U0001F600 smile"), u"/apps/smile"_s}};
        TempTree tree;
        const QString path = tree.path("folder/appIndex.json");
        QHash<QString, QString> pathsByName;
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            pathsByName.insert(it.key(), it.value());
        QCOMPARE(IndexFile::write(path, AppIndex(pathsByName)), std::nullopt);
        const std::optional<AppIndex> read = IndexFile::read(path);
        QVERIFY(read);
        QCOMPARE(contents(*read), expected);
    }

    void saveOnAFullDiskSaysSoAndKeepsTheOldFile() {
        TempTree tree;
        const QString disk = tree.makeDir("disk");
        if (mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0, "size=256k") != 0)
            QSKIP("a small file system of its own needs the right to mount one (run as root)");
        const auto unmount =
            qScopeGuard([&] { umount2(QFile::encodeName(disk).constData(), MNT_DETACH); });
        // The index is newer than the application folders: only the scan asked for writes.
        writeBundle(tree, "apps/Safari.app", namedDictionary("Safari"));
        const QByteArray old = indexFile({{"old", "/old"}});
        const QString indexPath = tree.writeFile("disk/Vantri/appIndex.json", old);
        // Whatever room is left goes to a filler file.
        QFile filler(tree.path("disk/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }

        std::optional<AppIndexManager> manager(std::in_place, QStringList{tree.path("apps")},
                                               indexPath);
        QVERIFY(isLoaded(*manager));
        const QByteArray output = standardOutputOf([&] {
            manager->indexApps();
            QTRY_VERIFY_WITH_TIMEOUT(!manager->isIndexing(), 20000);
            // The scan is the index all the same.
            QCOMPARE(matching(*manager, "saf").size(), std::size_t{1});
            // A manager going away waits for the file being written.
            manager.reset();
        });
        QCOMPARE(output, "Failed to save app index: No space left on device\n");
        QFile saved(indexPath);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), old);
    }

    void savesRunOffTheGuiThreadOneAtATime() {
        TempTree tree;
        writeBundle(tree, "apps/Safari.app", namedDictionary("Safari"));
        const QString indexPath = tree.writeFile("index/appIndex.json", "[]");
        std::optional<AppIndexManager> manager(std::in_place, QStringList{tree.path("apps")},
                                               indexPath);
        QVERIFY(isLoaded(*manager));
        OpeningHold hold(tree.path("index"));
        if (!hold.isActive())
            QSKIP("holding file openings needs fanotify and the right to use it (run as root)");

        // The first save is held in the middle of opening its file; the scan is
        // published all the same, and two more scans end meanwhile.
        manager->indexApps();
        QTRY_COMPARE_WITH_TIMEOUT(hold.workerOpenings(), 1, 20000);
        QCOMPARE(hold.guiOpenings(), 0);
        QCOMPARE(manager->apps()->size(), 1);
        for (int scan = 0; scan < 2; ++scan) {
            manager->indexApps();
            QTRY_VERIFY_WITH_TIMEOUT(!manager->isIndexing(), 20000);
        }
        QCOMPARE(hold.workerOpenings(), 1);

        // Once it ends, only the newest of the snapshots that came meanwhile is written.
        hold.release();
        QTRY_COMPARE_WITH_TIMEOUT(hold.workerOpenings(), 2, 20000);
        manager.reset();
        QCOMPARE(hold.workerOpenings(), 2);
        QCOMPARE(hold.guiOpenings(), 0);
        const std::optional<AppIndex> saved = IndexFile::read(indexPath);
        QVERIFY(saved);
        QCOMPARE(saved->size(), 1);
    }

    void desktopFileIdsDecideWhichEntryCounts_data() {
        QTest::addColumn<Files>("files");
        QTest::addColumn<PathsByName>("expected");
        const QByteArray editor = desktopEntry("Editor");
        QTest::newRow("the user's Hidden copy hides the system entry")
            << Files{{"first/applications/editor.desktop", editor},
                     {"data/applications/editor.desktop", desktopEntry("Editor", "Hidden=true\n")}}
            << PathsByName{};
        QTest::newRow("the user's NoDisplay copy hides the system entry")
            << Files{{"first/applications/editor.desktop", editor},
                     {"data/applications/editor.desktop",
                      desktopEntry("Editor", "NoDisplay=true\n")}}
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
                     {"second/applications/editor.desktop",
                      desktopEntry("Editor", "Hidden=true\n")}}
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

    void desktopFileIdsDecideWhichEntryCounts() {
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

    void onlyLaunchableEntriesAreListed_data() {
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

    void onlyLaunchableEntriesAreListed() {
        QFETCH(QByteArray, entry);
        QFETCH(bool, listed);
        TempTree tree;
        const QString path = tree.writeFile("apps/tool.desktop", entry);
        AppIndexManager manager({tree.path("apps")}, tree.path("appIndex.json"));
        const PathsByName expected = listed ? PathsByName{{"tool", path}} : PathsByName{};
        QCOMPARE(scan(manager), expected);
    }

    void folderWatchReportsChangedItems_data() {
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
        QTest::newRow("entry rewritten in place") << FolderChange([](const TempTree& tree) {
            rewriteInPlace(tree.path("apps/sub/old.desktop"), desktopEntry("Renamed"));
        }) << QString();
        QTest::newRow("entry renamed") << FolderChange([](const TempTree& tree) {
            QFile::rename(tree.path("apps/sub/old.desktop"), tree.path("apps/sub/older.desktop"));
        }) << QString();
        QTest::newRow("subfolder made with an entry") << FolderChange([](const TempTree& tree) {
            tree.writeFile("apps/made/deeper/new.desktop", desktopEntry("New"));
        }) << "apps/made/deeper";
        QTest::newRow("missing folder made with an entry")
            << FolderChange([](const TempTree& tree) {
                   tree.writeFile("later/applications/new.desktop", desktopEntry("New"));
               })
            << "later/applications";
    }

    void folderWatchReportsChangedItems() {
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

    void staleIndexAtStartIsReplacedByAScan() {
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
        QList<PathsByName> published;
        connect(&manager, &AppIndexManager::appsChanged, this,
                [&] { published.append(contents(*manager.apps())); });
        // The saved index serves first; the scan replaces it in the background.
        const QList<PathsByName> expected{{{"gone", "/gone.desktop"}}, {{"added", added}}};
        QTRY_COMPARE_WITH_TIMEOUT(published, expected, 20000);
    }

    void copiesLeftByACrashGoAtStart() {
        TempTree tree;
        const QString index = tree.writeFile("data/appIndex.json", "[]");
        const QStringList leftovers{"appIndex.json.1z141z3", "appIndex.json.k0"};
        // Named alike but not as a replacement names its copies, or not files.
        const QStringList others{"appIndex.json.1z141z4", "appIndex.json.K0",  "appIndex.json.k0~",
                                 "appIndex.json.",        "appIndex.jsonk0",   "other.json.k0",
                                 "appIndex.json.dir",     "appIndex.json.link"};
        for (const QString& name : leftovers + others) {
            if (name.endsWith("dir"))
                tree.makeDir("data/" + name);
            else if (name.endsWith("link"))
                QVERIFY(QFile::link(index, tree.path("data/" + name)));
            else
                tree.writeFile("data/" + name, "[{\"name\": \"half");
        }

        AppIndexManager manager(QStringList{}, index);
        for (const QString& name : leftovers)
            QTRY_VERIFY2(!QFileInfo::exists(tree.path("data/" + name)), qPrintable(name));
        QTRY_VERIFY(manager.isLoaded());
        for (const QString& name : others)
            QVERIFY2(QFileInfo(tree.path("data/" + name)).isSymLink() ||
                         QFileInfo::exists(tree.path("data/" + name)),
                     qPrintable(name));
        QCOMPARE(fileContents(index), QByteArray("[]"));
    }

    void anEntryChangedWhileAScanRunsIsIndexedOnceSettled() {
        TempTree tree;
        const QString entry = tree.writeFile("apps/entry.desktop", desktopEntry("Before"));
        AppIndexManager manager({tree.path("apps")}, tree.writeFile("appIndex.json", "[]"));
        manager.indexApps();
        // The scan has read the entry and the folder watch's first survey has
        // ended; both results wait for this thread, which has yet to arm
        // the watch with what the survey found.
        QThreadPool::globalInstance()->waitForDone();
        QVERIFY(manager.isIndexing());
        rewriteInPlace(entry, desktopEntry("After"));

        const QList<AppEntry> changed{{QStringLiteral("after"), entry}};
        QTRY_COMPARE_WITH_TIMEOUT(manager.apps()->entries(), changed, 20000);
    }

    void writesInTheParentOfAMissingFolderAreNotLookedAt() {
        TempTree tree;
        const QString written = tree.writeFile("notes.txt", "a");
        ApplicationFolderWatch watch({tree.path("apps")}, {});
        QSignalSpy renewed(&watch, &ApplicationFolderWatch::watchRenewed);
        QSignalSpy changed(&watch, &ApplicationFolderWatch::changed);
        QVERIFY(renewed.wait(20000));
        QCOMPARE(watch.lookouts(), QStringList{tree.path()});

        // A witness that sees every write there tells when the lookout would have.
        FolderChangeWatch witness;
        witness.setFolders({tree.path()});
        QSignalSpy witnessed(&witness, &FolderChangeWatch::changed);
        QFile file(written);
        QVERIFY(file.open(QIODevice::Append));
        file.write("more");
        file.close();
        QVERIFY(witnessed.wait(20000));
        QCoreApplication::processEvents();
        QVERIFY(!watch.isSettling());

        // The folder itself appearing is seen.
        tree.writeFile("apps/new.desktop", desktopEntry("New"));
        QVERIFY(changed.wait(20000));
        QCOMPARE(watch.watchedFolders(), QStringList{tree.path("apps")});
    }

    void findsEntriesOfSeveralNames_data() {
        QTest::addColumn<int>("namesPerEntry");
        QTest::addColumn<QByteArray>("needle");
        QTest::addColumn<Positions>("found");
        // The block holds "alpha", "beta" | "gamma", "alpaca" | "delta", "" | "omega".
        QTest::newRow("one name each") << 1 << QByteArray("ta") << Positions{1, 4};
        QTest::newRow("first name of an entry") << 2 << QByteArray("gam") << Positions{1};
        QTest::newRow("second name of an entry") << 2 << QByteArray("paca") << Positions{1};
        QTest::newRow("both names, listed once") << 2 << QByteArray("alp") << Positions{0, 1};
        QTest::newRow("one letter in every entry") << 2 << QByteArray("a") << Positions{0, 1, 2, 3};
        QTest::newRow("the short last entry") << 2 << QByteArray("meg") << Positions{3};
        QTest::newRow("never across two names") << 2 << QByteArray("ha\0be", 5) << Positions{};
        QTest::newRow("nothing") << 2 << QByteArray("zz") << Positions{};
        QTest::newRow("three names each") << 3 << QByteArray("a") << Positions{0, 1, 2};
    }

    void findsEntriesOfSeveralNames() {
        QFETCH(int, namesPerEntry);
        QFETCH(QByteArray, needle);
        QFETCH(Positions, found);
        NameBlock block;
        for (const char* name : {"alpha", "beta", "gamma", "alpaca", "delta", "", "omega"})
            block.append(name);
        QCOMPARE(block.find(
                     std::string_view(needle.constData(), static_cast<std::size_t>(needle.size())),
                     static_cast<uint32_t>(namesPerEntry)),
                 found);
    }

    void secondStartLoadsTheIndexTheFirstSaved() {
        IsolatedEnvironment isolated;
        const TempTree& tree = isolated.tree();
        const QString indexPath = tree.path("data/Vantri/appIndex.json");
        // A bundle without its dictionary yet: not an application, and filling it
        // in later leaves the application folders as they were.
        tree.makeDir("home/Applications/Newcomer.app/Contents");
        RunningVantri first = startVantri(QProcessEnvironment::systemEnvironment());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(indexPath), 30000);
        first.reset();
        const qint64 savedSize = QFileInfo(indexPath).size();

        // Started again with the file in place and no application folder changed
        // since, Vantri does not scan: the bundle completed meanwhile does not grow the file.
        writeBundle(tree, "home/Applications/Newcomer.app", namedDictionary("Newcomer"));
        const int readWatch = inotify_init1(IN_CLOEXEC);
        inotify_add_watch(readWatch, QFile::encodeName(indexPath).constData(), IN_CLOSE_NOWRITE);
        const RunningVantri second = startVantri(QProcessEnvironment::systemEnvironment());
        pollfd loaded{readWatch, POLLIN, 0};
        QCOMPARE(poll(&loaded, 1, 20000), 1);
        close(readWatch);

        // A start that cannot make its index folder says so and keeps running.
        // Its scan begins after any by the second start would, so ends after it too.
        QProcessEnvironment blockedEnvironment = QProcessEnvironment::systemEnvironment();
        blockedEnvironment.insert("XDG_DATA_HOME", tree.path("blocked"));
        blockedEnvironment.insert("XDG_RUNTIME_DIR", tree.makeDir("blocked runtime"));
        QFile::setPermissions(tree.path("blocked runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        tree.writeFile("blocked/Vantri", "a file where the folder belongs");
        const RunningVantri blocked = startVantri(blockedEnvironment);
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += blocked->readAllStandardOutput()).contains('\n'),
                                 30000);
        QVERIFY2(output.startsWith("Failed to save app index: "), output.constData());
        QCOMPARE(QFileInfo(indexPath).size(), savedSize);
        QCOMPARE(blocked->state(), QProcess::Running);
    }
};

QTEST_GUILESS_MAIN(TestAppIndex)
#include "tst_appindex.moc"
