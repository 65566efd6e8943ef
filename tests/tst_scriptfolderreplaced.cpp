// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TempTree.h"
#include "scripts/ScriptManager.h"

#include <QtTest>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>

namespace {

void addScript(const QString& folder, const QByteArray& command) {
    QVERIFY(QDir().mkpath(folder));
    QFile metadata(folder + QLatin1Char('/') + QString::fromUtf8(command) +
                   QStringLiteral(".meta"));
    QVERIFY(metadata.open(QIODevice::WriteOnly));
    metadata.write("name: " + command +
                   "\ndescription: d\nauthor: a\nwebsite: w\ntype: bash\ncommand: " + command +
                   "\narguments: []\nenvironments: []\ntags: []\n");
    metadata.close();
    QFile script(folder + QLatin1Char('/') + QString::fromUtf8(command) + QStringLiteral(".sh"));
    QVERIFY(script.open(QIODevice::WriteOnly));
}

// A fresh tmpfs at `path`, unmounted again when the test ends.
class Mount {
public:
    explicit Mount(QString path)
        : _path(std::move(path)) {}
    ~Mount() {
        if (_mounted)
            ::umount2(QFile::encodeName(_path).constData(), MNT_DETACH);
    }
    // The reason when it cannot be mounted.
    QString mount() {
        if (::mount("vantri-test", QFile::encodeName(_path).constData(), "tmpfs", 0, "size=1m") !=
            0)
            return QString::fromLocal8Bit(std::strerror(errno));
        _mounted = true;
        return {};
    }
    bool unmount() {
        _mounted = ::umount2(QFile::encodeName(_path).constData(), 0) != 0;
        return !_mounted;
    }

private:
    QString _path;
    bool _mounted = false;
};

} // namespace

class TestScriptFolderReplaced : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theFolderNowAtThePathIsCataloguedAndWatched_data();
    void theFolderNowAtThePathIsCataloguedAndWatched();
};

enum class Replacement {
    renamed,
    renamedBehindALink,
    deletedAndMadeAgain,
    missingForAWhile,
    remounted,
    remountedAround,
};

void TestScriptFolderReplaced::theFolderNowAtThePathIsCataloguedAndWatched_data() {
    QTest::addColumn<Replacement>("replacement");
    QTest::newRow("renamed away, another renamed in") << Replacement::renamed;
    QTest::newRow("a link's folder renamed away, another renamed in")
        << Replacement::renamedBehindALink;
    QTest::newRow("deleted and made again") << Replacement::deletedAndMadeAgain;
    QTest::newRow("missing for a while") << Replacement::missingForAWhile;
    QTest::newRow("a mounted folder unmounted and mounted again") << Replacement::remounted;
    QTest::newRow("in a file system unmounted and mounted again") << Replacement::remountedAround;
}

void TestScriptFolderReplaced::theFolderNowAtThePathIsCataloguedAndWatched() {
    QFETCH(Replacement, replacement);
    TempTree tree;
    const QString chosen =
        tree.path(replacement == Replacement::remountedAround ? "mount/scripts" : "scripts");
    // Where the scripts really are: behind the link, or the chosen folder.
    const QString folder =
        replacement == Replacement::renamedBehindALink ? tree.path("real") : chosen;
    Mount mount(replacement == Replacement::remounted ? chosen : tree.path("mount"));
    QVERIFY(QDir().mkpath(replacement == Replacement::remounted ? chosen : tree.path("mount")));
    if (replacement == Replacement::remounted || replacement == Replacement::remountedAround) {
        if (const QString reason = mount.mount(); !reason.isEmpty())
            QSKIP(qPrintable(QStringLiteral("a tmpfs cannot be mounted here: ") + reason));
    }
    if (replacement == Replacement::renamedBehindALink)
        QVERIFY(QFile::link(folder, chosen));
    addScript(folder, "old");
    ScriptManager manager;
    manager.loadScripts(chosen);
    QTRY_COMPARE(manager.scripts()->keys(), QStringList{"old"});

    const QString replacementFolder = tree.path("new");
    switch (replacement) {
    case Replacement::renamed:
    case Replacement::renamedBehindALink:
        addScript(replacementFolder, "fresh");
        QCOMPARE(::rename(QFile::encodeName(folder), QFile::encodeName(folder + ".old")), 0);
        QCOMPARE(::rename(QFile::encodeName(replacementFolder), QFile::encodeName(folder)), 0);
        break;
    case Replacement::deletedAndMadeAgain:
        QVERIFY(QDir(folder).removeRecursively());
        addScript(folder, "fresh");
        break;
    case Replacement::missingForAWhile:
        QVERIFY(QDir(folder).removeRecursively());
        QTRY_VERIFY(manager.scripts()->isEmpty());
        addScript(folder, "fresh");
        break;
    case Replacement::remounted:
    case Replacement::remountedAround:
        QVERIFY(mount.unmount());
        QTRY_VERIFY(manager.scripts()->isEmpty());
        QCOMPARE(mount.mount(), QString());
        addScript(folder, "fresh");
        break;
    }
    QTRY_COMPARE(manager.scripts()->keys(), QStringList{"fresh"});
    // The folder now at the path is watched too.
    addScript(folder, "later");
    QTRY_COMPARE(manager.scripts()->keys(), QStringList({"fresh", "later"}));
}

QTEST_GUILESS_MAIN(TestScriptFolderReplaced)
#include "tst_scriptfolderreplaced.moc"
