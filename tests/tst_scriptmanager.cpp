#include "TempTree.h"
#include "scripts/ScriptManager.h"

#include <QtTest>

#include <sys/stat.h>

static QByteArray metadataText(const QByteArray& command) {
    return "name: The " + command + "\ndescription: d\nauthor: a\nwebsite: w\ntype: bash\n" +
           "command: " + command + "\narguments: []\nenvironments: []\ntags: []\n";
}

static void addScript(const TempTree& tree, const QString& base, const QByteArray& metadata) {
    tree.writeFile(base + ".meta", metadata);
    tree.writeFile(base + ".sh", "");
}

class TestScriptManager : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cataloguesAFolderAndFindsScriptsByTheirFirstWord();
    void followsChangesToTheFolder();
};

void TestScriptManager::cataloguesAFolderAndFindsScriptsByTheirFirstWord() {
    TempTree tree;
    // No suffix wins over every suffix.
    tree.writeFile("tool", "");
    addScript(tree, "tool", metadataText("Tool"));
    addScript(tree, "sub/deep/nested", metadataText("nested"));
    // Of two files with the same command in any case, the later path wins.
    addScript(tree, "a-hello", metadataText("Hello"));
    addScript(tree, "b-hello", metadataText("hello"));
    // Left out: empty metadata, metadata that is not a file.
    addScript(tree, "empty", "");
    QCOMPARE(mkfifo(QFile::encodeName(tree.path("pipe.meta")).constData(), 0600), 0);
    tree.writeFile("pipe.sh", "");

    ScriptManager manager;
    manager.loadScripts(tree.path());
    QCOMPARE(manager.scripts()->keys(), QStringList({"hello", "nested", "tool"}));
    QCOMPARE(manager.findScript("tool")->scriptPath, tree.path("tool"));

    const std::optional<FoundScript> hello = manager.findScript("  HELLO   a  b ");
    QVERIFY(hello);
    QCOMPARE(hello->scriptPath, tree.path("b-hello.sh"));
    QCOMPARE(hello->arguments, QStringList({"a", "b"}));
    QVERIFY(!manager.findScript("hel"));
}

void TestScriptManager::followsChangesToTheFolder() {
    TempTree tree;
    const QString folder = tree.makeDir("scripts");
    addScript(tree, "scripts/hello", metadataText("hello"));
    ScriptManager manager;
    manager.loadScripts(folder);
    const std::shared_ptr<const ScriptCatalogue> first = manager.scripts();

    addScript(tree, "scripts/bye", metadataText("bye"));
    QTRY_COMPARE(manager.scripts()->keys(), QStringList({"bye", "hello"}));
    // A snapshot already handed out never changes.
    QCOMPARE(first->keys(), QStringList{"hello"});
    QVERIFY(QFile::remove(tree.path("scripts/hello.meta")));
    QTRY_COMPARE(manager.scripts()->keys(), QStringList{"bye"});

    // Deleted, then back again and chosen again: catalogued and watched once more.
    QVERIFY(QDir(folder).removeRecursively());
    QTRY_VERIFY(manager.scripts()->isEmpty());
    addScript(tree, "scripts/hello", metadataText("hello"));
    manager.loadScripts(folder);
    addScript(tree, "scripts/bye", metadataText("bye"));
    QTRY_COMPARE(manager.scripts()->keys(), QStringList({"bye", "hello"}));
}

QTEST_GUILESS_MAIN(TestScriptManager)
#include "tst_scriptmanager.moc"
