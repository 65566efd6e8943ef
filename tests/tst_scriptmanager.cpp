#include "TempTree.h"
#include "launcher/TextMatching.h"
#include "scripts/ScriptManager.h"

#include <QtTest>

#include <sys/stat.h>

namespace {

QByteArray metadataText(const QByteArray& command, const QByteArray& type = "bash") {
    return "name: The " + command + "\ndescription: d\nauthor: a\nwebsite: w\ntype: " + type +
           "\ncommand: " + command + "\narguments: []\nenvironments: []\ntags: []\n";
}

void addScript(const TempTree& tree, const QString& base, const QByteArray& metadata,
               const QString& suffix = QStringLiteral(".sh")) {
    tree.writeFile(base + ".meta", metadata);
    tree.writeFile(base + suffix, "");
}

QMap<QString, QString> relativePaths(const ScriptManager& manager) {
    QMap<QString, QString> paths;
    const std::shared_ptr<const ScriptCatalogue> catalogue = manager.scripts();
    for (auto entry = catalogue->cbegin(); entry != catalogue->cend(); ++entry)
        paths.insert(entry.key(), entry->relativePath);
    return paths;
}

} // namespace

class TestScriptManager : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cataloguesAFolderAndFindsScriptsByTheirFirstWord();
    void followsChangesToTheFolder();
    void unscannableChoiceEmptiesTheCatalogueButNotTheWatch();
};

void TestScriptManager::cataloguesAFolderAndFindsScriptsByTheirFirstWord() {
    TempTree tree;
    // No suffix wins over every suffix; otherwise the first of the fixed order.
    addScript(tree, "tool", metadataText("Tool"), "");
    tree.writeFile("tool.sh", "");
    addScript(tree, "order", metadataText("order"), ".swift");
    for (const char* suffix : {".sh", ".applescript", ".scpt"})
        tree.writeFile(QStringLiteral("order") + suffix, "");
    addScript(tree, "sub/deep/nested", metadataText("nested"));
    addScript(tree, ".hidden/secret", metadataText("secret"));
    // Of two files with the same command in any case, the later path wins.
    addScript(tree, "a-hello", metadataText("Hello"));
    addScript(tree, "b-hello", metadataText("hello"));
    addScript(tree, "spaced", metadataText("My Tool"));
    // Left out: unreadable metadata, no script file.
    addScript(tree, "broken", "name: [unclosed\n");
    addScript(tree, "empty", "");
    tree.writeFile("orphan.meta", metadataText("orphan"));
    tree.writeFile(".meta", metadataText("nameless"));
    QCOMPARE(mkfifo(QFile::encodeName(tree.path("pipe.meta")).constData(), 0600), 0);
    tree.writeFile("pipe.sh", "");

    ScriptManager manager;
    QSignalSpy changes(&manager, &ScriptManager::scriptsChanged);
    // A trailing separator on the folder does not double the one joining it.
    manager.loadScripts(tree.path() + '/');
    QCOMPARE(changes.size(), 1);
    const QMap<QString, QString> expected = {
        {"tool", "tool"},         {"order", "order.scpt"},
        {"hello", "b-hello.sh"},  {"nested", "sub/deep/nested.sh"},
        {"my tool", "spaced.sh"}, {"secret", ".hidden/secret.sh"}};
    QCOMPARE(relativePaths(manager), expected);
    QCOMPARE(manager.scripts()->value("tool").foldedName, TextMatching::fold("The Tool"));

    const std::optional<FoundScript> hello = manager.findScript("  HELLO   a  b ");
    QVERIFY(hello);
    QCOMPARE(hello->scriptPath, tree.path("b-hello.sh"));
    QCOMPARE(hello->arguments, QStringList({"a", "b"}));
    // Only spaces separate: a tab stays part of the word.
    QCOMPARE(manager.findScript("hello x\ty")->arguments, QStringList{"x\ty"});
    for (const char* line : {"hello\tx", "    ", "hel", "My Tool"})
        QVERIFY2(!manager.findScript(line), line);
}

void TestScriptManager::followsChangesToTheFolder() {
    TempTree tree;
    addScript(tree, "hello", metadataText("hello"));
    ScriptManager manager;
    QSignalSpy changes(&manager, &ScriptManager::scriptsChanged);
    manager.loadScripts(tree.path());
    const std::shared_ptr<const ScriptCatalogue> first = manager.scripts();

    // Added: the script file first, then its metadata.
    tree.writeFile("bye.sh", "");
    tree.writeFile("bye.meta", metadataText("bye"));
    QTRY_COMPARE(manager.scripts()->keys(), QStringList({"bye", "hello"}));
    // A snapshot already handed out never changes.
    QCOMPARE(first->keys(), QStringList{"hello"});

    QVERIFY(QFile::rename(tree.path("bye.sh"), tree.path("bye.swift")));
    QTRY_COMPARE(relativePaths(manager).value("bye"), QStringLiteral("bye.swift"));
    QVERIFY(QFile::remove(tree.path("hello.meta")));
    QTRY_COMPARE(manager.scripts()->keys(), QStringList{"bye"});

    // A scan that finds what is already catalogued announces nothing.
    const qsizetype announced = changes.size();
    manager.loadScripts(tree.path());
    QCOMPARE(changes.size(), announced);
}

void TestScriptManager::unscannableChoiceEmptiesTheCatalogueButNotTheWatch() {
    TempTree tree;
    const QString folder = tree.makeDir("scripts");
    addScript(tree, "scripts/hello", metadataText("hello"));
    ScriptManager manager;
    for (const QString& path : {QString(), tree.path("scripts/hello.sh")}) {
        manager.loadScripts(folder);
        QCOMPARE(manager.scripts()->size(), 1);
        manager.loadScripts(path);
        QVERIFY(manager.scripts()->isEmpty());
        QCOMPARE(manager.lastUsedScriptFolderPath(), path);
    }
    // The folder read last is still watched: a change there catalogues it again.
    addScript(tree, "scripts/bye", metadataText("bye"));
    QTRY_COMPARE(manager.scripts()->keys(), QStringList({"bye", "hello"}));
    // Deleted, then back again and chosen again: catalogued and watched once more.
    QVERIFY(QDir(folder).removeRecursively());
    QTRY_VERIFY(manager.scripts()->isEmpty());
    QCOMPARE(manager.lastUsedScriptFolderPath(), folder);
    addScript(tree, "scripts/hello", metadataText("hello"));
    manager.loadScripts(folder);
    addScript(tree, "scripts/bye", metadataText("bye"));
    QTRY_COMPARE(manager.scripts()->keys(), QStringList({"bye", "hello"}));
}

QTEST_GUILESS_MAIN(TestScriptManager)
#include "tst_scriptmanager.moc"
