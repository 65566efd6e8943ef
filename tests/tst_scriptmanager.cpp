#include "TempTree.h"
#include "launcher/TextMatching.h"
#include "scripts/ScriptManager.h"

#include <QtTest>

#include <sys/stat.h>

namespace {

QByteArray metadataText(const QByteArray& command, const QByteArray& name = "A Script",
                        const QByteArray& type = "bash") {
    return "name: " + name + "\ndescription: d\nauthor: a\nwebsite: w\ntype: " + type +
           "\ncommand: " + command + "\narguments: []\nenvironments: []\ntags: []\n";
}

// Key -> relative script path, the shape most checks compare against.
QMap<QString, QString> relativePaths(const ScriptCatalogue& catalogue) {
    QMap<QString, QString> paths;
    for (auto entry = catalogue.cbegin(); entry != catalogue.cend(); ++entry)
        paths.insert(entry.key(), entry->relativePath);
    return paths;
}

} // namespace

class TestScriptManager : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cataloguesAFolder();
    void findsScriptsByTheirFirstWord();
    void emptyOrMissingFoldersGiveAnEmptyCatalogue();
    void followsChangesToTheFolder();
    void survivesTheFolderBeingDeleted();
    void aScanThatStopsEarlyKeepsWatchingTheLastFolder();
    void handsOutSnapshotsThatNeverChange();
};

void TestScriptManager::cataloguesAFolder() {
    TempTree tree;
    // No suffix wins over every suffix; otherwise the first of the fixed order.
    tree.writeFile("tool.meta", metadataText("Tool", "Tool Box"));
    tree.writeFile("tool", "echo bare");
    tree.writeFile("tool.sh", "echo sh");
    tree.writeFile("order.meta", metadataText("order"));
    for (const char* suffix : {".swift", ".sh", ".applescript", ".scpt"})
        tree.writeFile(QStringLiteral("order") + suffix, "");
    tree.writeFile("swifty.meta", metadataText("swifty", "Swifty", "swift"));
    tree.writeFile("swifty.swift", "");
    tree.writeFile("sub/deep/nested.meta", metadataText("nested"));
    tree.writeFile("sub/deep/nested.sh", "");
    tree.writeFile(".hidden/secret.meta", metadataText("secret"));
    tree.writeFile(".hidden/secret.sh", "");
    // A folder counts as the script file: only existence is tested.
    tree.writeFile("dir.meta", metadataText("dir"));
    tree.makeDir("dir");
    // Of two files with the same command in any case, the later path wins.
    tree.writeFile("a-hello.meta", metadataText("Hello", "First"));
    tree.writeFile("a-hello.sh", "");
    tree.writeFile("b-hello.meta", metadataText("hello", "Second"));
    tree.writeFile("b-hello.sh", "");
    tree.writeFile("spaced.meta", metadataText("My Tool"));
    tree.writeFile("spaced.sh", "");
    // Read and catalogued; only running it fails.
    tree.writeFile("capital.meta", metadataText("capital", "Capital", "Bash"));
    tree.writeFile("capital.sh", "");

    // Left out: no script file, unreadable metadata, suffixes in the wrong case.
    tree.writeFile("orphan.meta", metadataText("orphan"));
    tree.writeFile("broken.meta", "name: [unclosed\n");
    tree.writeFile("broken.sh", "");
    tree.writeFile("latin.meta", metadataText("latin", "Caf\xE9"));
    tree.writeFile("latin.sh", "");
    tree.writeFile("empty.meta", "");
    tree.writeFile("empty.sh", "");
    tree.writeFile("kind.meta", "name: {a: b}\n" + metadataText("kind").mid(14));
    tree.writeFile("kind.sh", "");
    tree.writeFile("upper.META", metadataText("upper"));
    tree.writeFile("upper.sh", "");
    tree.writeFile("shout.meta", metadataText("shout"));
    tree.writeFile("shout.SH", "");
    tree.writeFile(".meta", metadataText("nameless"));
    // A pipe named like metadata would block a reader forever.
    QCOMPARE(mkfifo(QFile::encodeName(tree.path("pipe.meta")).constData(), 0600), 0);
    tree.writeFile("pipe.sh", "");

    ScriptManager manager;
    QSignalSpy changes(&manager, &ScriptManager::scriptsChanged);
    manager.loadScripts(tree.path());
    QCOMPARE(changes.size(), 1);
    QCOMPARE(manager.lastUsedScriptFolderPath(), tree.path());

    const std::shared_ptr<const ScriptCatalogue> catalogue = manager.scripts();
    const QMap<QString, QString> expected = {
        {"tool", "tool"},
        {"order", "order.scpt"},
        {"swifty", "swifty.swift"},
        {"nested", "sub/deep/nested.sh"},
        {"secret", ".hidden/secret.sh"},
        {"dir", "dir"},
        {"hello", "b-hello.sh"},
        {"my tool", "spaced.sh"},
        {"capital", "capital.sh"},
    };
    QCOMPARE(relativePaths(*catalogue), expected);
    QCOMPARE(catalogue->value("hello").metadata.name, QStringLiteral("Second"));
    QCOMPARE(catalogue->value("capital").metadata.type, QStringLiteral("Bash"));
    const ScriptEntry tool = catalogue->value("tool");
    QCOMPARE(tool.metadata.command, QStringLiteral("Tool"));
    QCOMPARE(tool.foldedKey, TextMatching::fold("tool"));
    QCOMPARE(tool.foldedName, TextMatching::fold("Tool Box"));
}

void TestScriptManager::findsScriptsByTheirFirstWord() {
    TempTree tree;
    tree.writeFile("hello.meta", metadataText("Hello"));
    tree.writeFile("hello.sh", "");
    tree.writeFile("sub/tool.meta", metadataText("tool"));
    tree.writeFile("sub/tool.sh", "");
    tree.writeFile("spaced.meta", metadataText("My Tool"));
    tree.writeFile("spaced.sh", "");
    ScriptManager manager;
    // A trailing separator on the folder does not double the one joining it.
    manager.loadScripts(tree.path() + '/');

    const std::optional<FoundScript> hello = manager.findScript("  Hello   a  b ");
    QVERIFY(hello);
    QCOMPARE(hello->metadata.command, QStringLiteral("Hello"));
    QCOMPARE(hello->scriptPath, tree.path("hello.sh"));
    QCOMPARE(hello->arguments, QStringList({"a", "b"}));

    const std::optional<FoundScript> tool = manager.findScript("TOOL");
    QVERIFY(tool);
    QCOMPARE(tool->scriptPath, tree.path("sub/tool.sh"));
    QVERIFY(tool->arguments.isEmpty());

    // Only spaces separate: a tab stays part of the word.
    const std::optional<FoundScript> tabbed = manager.findScript("hello x\ty");
    QVERIFY(tabbed);
    QCOMPARE(tabbed->arguments, QStringList{"x\ty"});
    QVERIFY(!manager.findScript("hello\tx"));

    QVERIFY(!manager.findScript(""));
    QVERIFY(!manager.findScript("    "));
    QVERIFY(!manager.findScript("hel"));
    // Filed under "my tool", which no first word can ever be.
    QVERIFY(manager.scripts()->contains("my tool"));
    QVERIFY(!manager.findScript("My Tool"));
}

void TestScriptManager::emptyOrMissingFoldersGiveAnEmptyCatalogue() {
    TempTree tree;
    tree.writeFile("hello.meta", metadataText("hello"));
    tree.writeFile("hello.sh", "");
    ScriptManager manager;
    manager.loadScripts(tree.path());
    QCOMPARE(manager.scripts()->size(), 1);

    manager.loadScripts(QString());
    QVERIFY(manager.scripts()->isEmpty());
    QCOMPARE(manager.lastUsedScriptFolderPath(), QString());
    QVERIFY(!manager.findScript("hello"));

    manager.loadScripts(tree.path());
    manager.loadScripts(tree.path("missing"));
    QVERIFY(manager.scripts()->isEmpty());
    QCOMPARE(manager.lastUsedScriptFolderPath(), tree.path("missing"));

    manager.loadScripts(tree.path("hello.sh"));
    QVERIFY(manager.scripts()->isEmpty());
}

void TestScriptManager::followsChangesToTheFolder() {
    TempTree tree;
    tree.writeFile("hello.meta", metadataText("hello"));
    tree.writeFile("hello.sh", "");
    ScriptManager manager;
    manager.loadScripts(tree.path());
    QCOMPARE(manager.scripts()->keys(), QStringList{"hello"});

    // Added: the script file first, then its metadata.
    tree.writeFile("bye.sh", "");
    tree.writeFile("bye.meta", metadataText("bye"));
    QTRY_COMPARE(manager.scripts()->keys(), QStringList({"bye", "hello"}));

    // Renamed: the script file takes another suffix.
    QVERIFY(QFile::rename(tree.path("bye.sh"), tree.path("bye.swift")));
    QTRY_COMPARE(manager.scripts()->value("bye").relativePath, QStringLiteral("bye.swift"));

    // Renamed: the metadata file no longer ends in ".meta".
    QVERIFY(QFile::rename(tree.path("hello.meta"), tree.path("hello.meta.off")));
    QTRY_COMPARE(manager.scripts()->keys(), QStringList{"bye"});

    // Removed.
    QVERIFY(QFile::remove(tree.path("bye.swift")));
    QTRY_VERIFY(manager.scripts()->isEmpty());
    QCOMPARE(manager.lastUsedScriptFolderPath(), tree.path());
}

void TestScriptManager::survivesTheFolderBeingDeleted() {
    TempTree tree;
    const QString folder = tree.makeDir("scripts");
    tree.writeFile("scripts/hello.meta", metadataText("hello"));
    tree.writeFile("scripts/hello.sh", "");
    ScriptManager manager;
    manager.loadScripts(folder);
    QCOMPARE(manager.scripts()->size(), 1);

    QVERIFY(QDir(folder).removeRecursively());
    QTRY_VERIFY(manager.scripts()->isEmpty());
    QCOMPARE(manager.lastUsedScriptFolderPath(), folder);

    // Back again, and chosen again: catalogued and watched once more.
    tree.writeFile("scripts/hello.meta", metadataText("hello"));
    tree.writeFile("scripts/hello.sh", "");
    manager.loadScripts(folder);
    QCOMPARE(manager.scripts()->keys(), QStringList{"hello"});
    tree.writeFile("scripts/bye.meta", metadataText("bye"));
    tree.writeFile("scripts/bye.sh", "");
    QTRY_COMPARE(manager.scripts()->keys(), QStringList({"bye", "hello"}));
}

void TestScriptManager::aScanThatStopsEarlyKeepsWatchingTheLastFolder() {
    TempTree tree;
    const QString folder = tree.makeDir("scripts");
    tree.writeFile("scripts/hello.meta", metadataText("hello"));
    tree.writeFile("scripts/hello.sh", "");
    ScriptManager manager;
    manager.loadScripts(folder);
    manager.loadScripts(tree.path("missing"));
    QVERIFY(manager.scripts()->isEmpty());

    // A change in the folder still being watched catalogues that folder again.
    tree.writeFile("scripts/bye.meta", metadataText("bye"));
    tree.writeFile("scripts/bye.sh", "");
    QTRY_COMPARE(manager.scripts()->keys(), QStringList({"bye", "hello"}));
    QCOMPARE(manager.lastUsedScriptFolderPath(), folder);
    QCOMPARE(manager.findScript("bye")->scriptPath, tree.path("scripts/bye.sh"));
}

void TestScriptManager::handsOutSnapshotsThatNeverChange() {
    TempTree tree;
    tree.writeFile("hello.meta", metadataText("hello"));
    tree.writeFile("hello.sh", "");
    ScriptManager manager;
    QSignalSpy changes(&manager, &ScriptManager::scriptsChanged);
    manager.loadScripts(tree.path());
    const std::shared_ptr<const ScriptCatalogue> before = manager.scripts();

    tree.writeFile("bye.meta", metadataText("bye"));
    tree.writeFile("bye.sh", "");
    QTRY_COMPARE(manager.scripts()->size(), 2);
    QCOMPARE(before->keys(), QStringList{"hello"});
    QVERIFY(changes.size() >= 2);

    // A scan that finds what is already catalogued announces nothing.
    const qsizetype announced = changes.size();
    manager.loadScripts(tree.path());
    QCOMPARE(changes.size(), announced);
}

QTEST_GUILESS_MAIN(TestScriptManager)
#include "tst_scriptmanager.moc"
