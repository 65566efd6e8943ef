// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

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

// Catalogues `folder` and waits for the scan to end.
static bool load(ScriptManager& manager, const QString& folder) {
    manager.loadScripts(folder);
    return QTest::qWaitFor([&] { return !manager.isScanning(); }, 60000);
}

class TestScriptManager : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cataloguesAFolderAndFindsScriptsByTheirFirstWord();
    void followsChangesAnywhereInTheTree();
    void scansOnAWorkerAndPublishesOnlyTheLatestFolder();
    void findsScriptsInTheFolderTheCatalogueCameFrom();
    void forgetsTheEarlierFolderForOneThatCannotBeRead_data();
    void forgetsTheEarlierFolderForOneThatCannotBeRead();
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
    QVERIFY(load(manager, tree.path()));
    QCOMPARE(manager.scripts()->keys(), QStringList({"hello", "nested", "tool"}));
    QCOMPARE(manager.findScript("tool")->scriptPath, tree.path("tool"));

    const std::optional<FoundScript> hello = manager.findScript("  HELLO   a  b ");
    QVERIFY(hello);
    QCOMPARE(hello->scriptPath, tree.path("b-hello.sh"));
    QCOMPARE(hello->arguments, QStringList({"a", "b"}));
    QVERIFY(!manager.findScript("hel"));
}

void TestScriptManager::followsChangesAnywhereInTheTree() {
    TempTree tree;
    const QString folder = tree.makeDir("scripts");
    addScript(tree, "scripts/sub/deep/hello", metadataText("hello"));
    ScriptManager manager;
    QVERIFY(load(manager, folder));
    const std::shared_ptr<const ScriptCatalogue> first = manager.scripts();
    QCOMPARE(first->keys(), QStringList{"hello"});

    // Added in a subfolder, and in a subfolder made since.
    addScript(tree, "scripts/sub/deep/bye", metadataText("bye"));
    QTRY_COMPARE(manager.scripts()->keys(), QStringList({"bye", "hello"}));
    addScript(tree, "scripts/sub/new/later", metadataText("later"));
    QTRY_COMPARE(manager.scripts()->keys(), QStringList({"bye", "hello", "later"}));
    // A snapshot already handed out never changes.
    QCOMPARE(first->keys(), QStringList{"hello"});

    // Rewritten in place, as an editor saving over the file does, and removed.
    QFile metadata(tree.path("scripts/sub/deep/hello.meta"));
    QVERIFY(metadata.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QVERIFY(metadata.write(metadataText("howdy")) > 0);
    metadata.close();
    QTRY_COMPARE(manager.scripts()->keys(), QStringList({"bye", "howdy", "later"}));
    QVERIFY(QFile::remove(tree.path("scripts/sub/new/later.meta")));
    QTRY_COMPARE(manager.scripts()->keys(), QStringList({"bye", "howdy"}));

    // Deleted, then back again and chosen again: catalogued and watched once more.
    QVERIFY(QDir(folder).removeRecursively());
    QTRY_VERIFY(manager.scripts()->isEmpty());
    addScript(tree, "scripts/hello", metadataText("hello"));
    manager.loadScripts(folder);
    addScript(tree, "scripts/bye", metadataText("bye"));
    QTRY_COMPARE(manager.scripts()->keys(), QStringList({"bye", "hello"}));
}

void TestScriptManager::scansOnAWorkerAndPublishesOnlyTheLatestFolder() {
    TempTree tree;
    for (int i = 0; i < 2000; ++i)
        addScript(tree, QStringLiteral("big/s%1").arg(i),
                  metadataText("s" + QByteArray::number(i)));
    addScript(tree, "middle/middle", metadataText("middle"));
    addScript(tree, "last/last", metadataText("last"));
    ScriptManager manager;
    QList<QStringList> published;
    QList<bool> onMainThread;
    connect(&manager, &ScriptManager::scriptsChanged, this, [&] {
        published.append(manager.scripts()->keys());
        onMainThread.append(QThread::currentThread() == thread());
    });

    // Each call returns before the folder is read; the requests made while
    // the first scan runs are folded into one scan, of the latest folder.
    manager.loadScripts(tree.path("big"));
    QVERIFY(manager.scripts()->isEmpty());
    manager.loadScripts(tree.path("middle"));
    manager.loadScripts(tree.path("last"));
    QVERIFY(manager.isScanning());
    QTRY_VERIFY(!manager.isScanning());
    QCOMPARE(published, QList<QStringList>{{"last"}});
    QCOMPARE(onMainThread, QList<bool>{true});
}

void TestScriptManager::findsScriptsInTheFolderTheCatalogueCameFrom() {
    TempTree tree;
    addScript(tree, "first/hello", metadataText("hello"));
    addScript(tree, "second/hello", metadataText("hello"));
    ScriptManager manager;
    QVERIFY(load(manager, tree.path("first")));

    // Until the new folder's scan is published, the catalogue is the first
    // folder's, and so are the scripts it names.
    manager.loadScripts(tree.path("second"));
    QVERIFY(manager.isScanning());
    QCOMPARE(manager.findScript("hello")->scriptPath, tree.path("first/hello.sh"));
    QTRY_VERIFY(!manager.isScanning());
    QCOMPARE(manager.findScript("hello")->scriptPath, tree.path("second/hello.sh"));
}

void TestScriptManager::forgetsTheEarlierFolderForOneThatCannotBeRead_data() {
    QTest::addColumn<QString>("chosen");
    QTest::newRow("missing") << "missing";
    QTest::newRow("a file") << "file";
    QTest::newRow("no folder") << "";
}

void TestScriptManager::forgetsTheEarlierFolderForOneThatCannotBeRead() {
    QFETCH(QString, chosen);
    TempTree tree;
    const QString earlier = tree.makeDir("earlier");
    addScript(tree, "earlier/hello", metadataText("hello"));
    tree.writeFile("file", "");
    ScriptManager manager;
    QVERIFY(load(manager, earlier));
    QCOMPARE(manager.scripts()->keys(), QStringList{"hello"});

    // A witness that still watches the earlier folder tells when a change
    // there has been noticed.
    ScriptManager witness;
    QVERIFY(load(witness, earlier));
    manager.loadScripts(chosen.isEmpty() ? chosen : tree.path(chosen));
    QVERIFY(manager.scripts()->isEmpty());

    // A change in the earlier folder no longer brings its scripts back.
    QSignalSpy changed(&manager, &ScriptManager::scriptsChanged);
    addScript(tree, "earlier/bye", metadataText("bye"));
    QTRY_COMPARE(witness.scripts()->keys(), QStringList({"bye", "hello"}));
    QTRY_VERIFY(!manager.isScanning());
    QVERIFY(manager.scripts()->isEmpty());
    QCOMPARE(changed.count(), 0);
}

QTEST_GUILESS_MAIN(TestScriptManager)
#include "tst_scriptmanager.moc"
