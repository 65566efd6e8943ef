// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ApplicationFixtures.h"
#include "TempTree.h"
#include "index/AppIndexManager.h"

#include <QtTest>

using namespace ApplicationFixtures;

class TestAppIndexRecovery : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void copiesLeftByACrashGoAtStart();
    void anEntryChangedWhileAScanRunsIsIndexedOnceSettled();
};

void TestAppIndexRecovery::copiesLeftByACrashGoAtStart() {
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

void TestAppIndexRecovery::anEntryChangedWhileAScanRunsIsIndexedOnceSettled() {
    TempTree tree;
    const QString entry = tree.writeFile("apps/entry.desktop", desktopEntry("Before"));
    AppIndexManager manager({tree.path("apps")}, tree.writeFile("appIndex.json", "[]"));
    QTRY_VERIFY(manager.isLoaded());

    manager.indexApps();
    // The scan has read the entry, and its result waits for this thread.
    QThreadPool::globalInstance()->waitForDone();
    QVERIFY(manager.isIndexing());
    QFile file(entry);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(desktopEntry("After"));
    file.close();

    const QList<AppEntry> changed{{QStringLiteral("after"), entry}};
    QTRY_COMPARE_WITH_TIMEOUT(manager.apps()->entries(), changed, 20000);
}

QTEST_GUILESS_MAIN(TestAppIndexRecovery)
#include "tst_appindexrecovery.moc"
