// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ApplicationFixtures.h"
#include "TempTree.h"

#include <QtTest>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

using namespace ApplicationFixtures;

using RunningVantri = std::unique_ptr<QProcess, decltype([](QProcess* process) {
                                          process->kill();
                                          process->waitForFinished();
                                          delete process;
                                      })>;

static RunningVantri startVantri(const QProcessEnvironment& environment) {
    RunningVantri vantri(new QProcess);
    vantri->setProcessEnvironment(environment);
    // The full program itself, so that this process is the instance.
    vantri->start(qEnvironmentVariable("VANTRI_APP_BINARY"), {});
    return vantri;
}

class TestIndexAtLaunch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void secondStartLoadsTheIndexTheFirstSaved();
};

void TestIndexAtLaunch::secondStartLoadsTheIndexTheFirstSaved() {
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
    QTRY_VERIFY_WITH_TIMEOUT((output += blocked->readAllStandardOutput()).contains('\n'), 30000);
    QVERIFY2(output.startsWith("Failed to save app index: "), output.constData());
    QCOMPARE(QFileInfo(indexPath).size(), savedSize);
    QCOMPARE(blocked->state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(TestIndexAtLaunch)
#include "tst_indexatlaunch.moc"
