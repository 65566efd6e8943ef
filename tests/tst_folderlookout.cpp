// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ApplicationFixtures.h"
#include "TempTree.h"
#include "index/ApplicationFolderWatch.h"
#include "platform/FolderChangeWatch.h"

#include <QtTest>

using namespace ApplicationFixtures;

class TestFolderLookout : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void writesInTheParentOfAMissingFolderAreNotLookedAt();
};

void TestFolderLookout::writesInTheParentOfAMissingFolderAreNotLookedAt() {
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

QTEST_GUILESS_MAIN(TestFolderLookout)
#include "tst_folderlookout.moc"
