// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "LauncherFixture.h"
#include "index/AppIndex.h"
#include "launcher/LauncherController.h"
#include "launcher/SearchPipeline.h"
#include "scripts/ScriptManager.h"
#include "scripts/run/ScriptRun.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using LauncherFixture::Script;

namespace {
// A controller over a folder of scripts, with the panel's hiding counted and
// every message it shows recorded.
struct Controller : LauncherFixture::Catalogues {
    int windowHides = 0;
    QStringList messages;
    LauncherController controller{scripts, [this] { ++windowHides; }};

    explicit Controller(const QList<Script>& scriptFiles)
        : Catalogues({}, scriptFiles) {
        LauncherFixture::recordMessages(controller, messages);
    }

    // Whether every run has reported its outcome (a run deletes itself then).
    bool runsEnded() const { return scripts.findChildren<ScriptRun*>().isEmpty(); }

    // The script result a search for `query` lists first.
    ResultItem result(const QString& query) const {
        const ResultItems results = SearchPipeline::performSearch(
            std::make_shared<const AppIndex>(), scripts.scripts(), query);
        if (results.isEmpty())
            qFatal("nothing found for %s", qPrintable(query));
        return results.first();
    }
};
} // namespace

class TestLauncherController : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void failedScriptRunsOnceAndShowsItsError();
    void scriptOutputShowsPieceByPiece();
    void resultRunsTheEntryItShowsWithItsFurtherWords_data();
    void resultRunsTheEntryItShowsWithItsFurtherWords();
    void rowRunsWhatItShowedThoughTheCatalogueMovedOn();
    void runDetachedWhenThePanelGoesNeverTouchesItAgain();
    void missingInterpreterIsNamed();
};

void TestLauncherController::failedScriptRunsOnceAndShowsItsError() {
    Controller launcher({Script{u"broken"_s, u"broken"_s, u"echo oops >&2\nexit 3\n"_s}});
    const ResultItem item = launcher.result(u"broken"_s);
    QSignalSpy launches(&launcher.controller, &LauncherController::launchStarted);
    launcher.controller.executeItem(item);
    QVERIFY(launcher.controller.isExecuting());
    // A second launch meanwhile starts no other run.
    launcher.controller.executeItem(item);
    QTRY_VERIFY(!launcher.controller.isExecuting());
    QCOMPARE(launches.count(), 1);
    // The failure stays on show, and the panel with it.
    QCOMPARE(launcher.messages,
             QStringList{u"Command error: Shell script exited with status 3\nError: oops\n"_s});
    QCOMPARE(launcher.windowHides, 0);
}

void TestLauncherController::scriptOutputShowsPieceByPiece() {
    // The script waits for the test between its two lines.
    Controller launcher({Script{u"twolines"_s, u"twolines"_s,
                                u"echo first\n"
                                "while [ ! -e \"$(dirname \"$0\")/go\" ]; do sleep 0.02; done\n"
                                "echo second\n"_s}});
    launcher.controller.executeItem(launcher.result(u"two"_s));
    QTRY_COMPARE(launcher.messages, QStringList{u"first"_s});
    launcher.tree.writeFile(u"scripts/go"_s, {});
    QTRY_COMPARE(launcher.windowHides, 1);
    QCOMPARE(launcher.messages, (QStringList{u"first"_s, u"second"_s}));
}

void TestLauncherController::resultRunsTheEntryItShowsWithItsFurtherWords_data() {
    QTest::addColumn<QString>("query");
    QTest::addColumn<QByteArray>("ran");
    QTest::newRow("command of several words") << u"greet"_s << QByteArray("greet:alpha,beta,");
    QTest::newRow("longer command beside its first word")
        << u"my t"_s << QByteArray("my tool:Tool,");
    QTest::newRow("first word alone") << u"my"_s << QByteArray("my:,");
}

void TestLauncherController::resultRunsTheEntryItShowsWithItsFurtherWords() {
    QFETCH(QString, query);
    QFETCH(QByteArray, ran);
    // Each script writes its own name and its arguments beside itself.
    const auto recorder = [](const QString& name) {
        return u"printf '%1:' > \"$0.ran\"; printf '%s,' \"$@\" >> \"$0.ran\"\n"_s.arg(name);
    };
    Controller launcher({Script{u"Greet alpha beta"_s, u"greet"_s, recorder(u"greet"_s)},
                         Script{u"My Tool"_s, u"my tool"_s, recorder(u"my tool"_s)},
                         Script{u"my"_s, u"my"_s, recorder(u"my"_s)}});
    const ResultItem item = launcher.result(query);
    launcher.controller.executeItem(item);
    QTRY_VERIFY(launcher.runsEnded() && !launcher.controller.isExecuting());
    QStringList written;
    for (const QString& file : QDir(launcher.tree.path(u"scripts"_s)).entryList({u"*.ran"_s}))
        written.append(file);
    QCOMPARE(written.size(), 1);
    QCOMPARE(fileContents(launcher.tree.path(u"scripts/"_s + written.first())), ran);
}

void TestLauncherController::rowRunsWhatItShowedThoughTheCatalogueMovedOn() {
    Controller launcher({Script{u"kept"_s, u"kept"_s, u"echo kept\n"_s},
                         Script{u"gone"_s, u"gone"_s, u"echo gone\n"_s}});
    const ResultItem kept = launcher.result(u"kept"_s);
    const ResultItem gone = launcher.result(u"gone"_s);
    // Another folder takes over the catalogue: the rows still run their own scripts.
    LauncherFixture::loadScripts(launcher.scripts, launcher.tree.makeDir(u"empty"_s));
    QVERIFY(launcher.scripts.scripts()->isEmpty());
    launcher.controller.executeItem(kept);
    QTRY_COMPARE(launcher.windowHides, 1);
    QCOMPARE(launcher.messages, QStringList{u"kept"_s});

    // A script removed since its row was listed cannot run, and the panel stays.
    QVERIFY(QFile::remove(*gone.scriptPath));
    launcher.controller.executeItem(gone);
    QTRY_VERIFY(!launcher.controller.isExecuting());
    QCOMPARE(launcher.messages, (QStringList{u"kept"_s, u"Failed to execute command"_s}));
    QCOMPARE(launcher.windowHides, 1);
}

void TestLauncherController::runDetachedWhenThePanelGoesNeverTouchesItAgain() {
    // "slow" prints once it may, and then fails; "quick" succeeds at once.
    Controller launcher({Script{u"slow"_s, u"slow"_s,
                                u"while [ ! -e \"$(dirname \"$0\")/go\" ]; do sleep 0.02; done\n"
                                "echo late\nexit 4\n"_s},
                         Script{u"quick"_s, u"quick"_s, u"echo quick\n"_s}});
    QSignalSpy launches(&launcher.controller, &LauncherController::launchStarted);
    launcher.controller.executeItem(launcher.result(u"slow"_s));
    QVERIFY(launcher.controller.isExecuting());
    launcher.controller.detachRun();
    QVERIFY(!launcher.controller.isExecuting());

    // The next launch is accepted and runs to its end while the first goes on.
    launcher.controller.executeItem(launcher.result(u"quick"_s));
    QCOMPARE(launches.count(), 2);
    QTRY_COMPARE(launcher.windowHides, 1);
    QCOMPARE(launcher.messages, QStringList{u"quick"_s});

    launcher.tree.writeFile(u"scripts/go"_s, {});
    QTRY_VERIFY(launcher.runsEnded());
    QCOMPARE(launcher.messages, QStringList{u"quick"_s});
    QCOMPARE(launcher.windowHides, 1);
}

void TestLauncherController::missingInterpreterIsNamed() {
    if (QFileInfo::exists(u"/usr/bin/osascript"_s))
        QSKIP("/usr/bin/osascript is installed here");
    Controller launcher({Script{u"apple"_s, u"apple"_s, u"exit 0\n"_s, u"applescript"_s}});
    launcher.controller.executeItem(launcher.result(u"apple"_s));
    QTRY_VERIFY(!launcher.controller.isExecuting());
    QCOMPARE(launcher.messages,
             QStringList{u"Command error: /usr/bin/osascript is not installed"_s});
}

QTEST_GUILESS_MAIN(TestLauncherController)
#include "tst_launchercontroller.moc"
