#include "LauncherFixture.h"
#include "index/AppIndex.h"
#include "launcher/LauncherController.h"
#include "launcher/SearchPipeline.h"
#include "scripts/ScriptManager.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using LauncherFixture::Script;

namespace {
// A controller over a folder of scripts, with the panel's hiding counted and
// every message it shows recorded.
struct Controller {
    TempTree tree;
    ScriptManager scripts;
    int windowHides = 0;
    QStringList messages;
    LauncherController controller{scripts, [this] { ++windowHides; }};

    explicit Controller(const QList<Script>& scriptFiles) {
        scripts.loadScripts(LauncherFixture::writeScripts(tree, scriptFiles));
        QObject::connect(&controller, &LauncherController::errorMessageChanged, [this] {
            if (controller.errorMessage())
                messages.append(*controller.errorMessage());
        });
    }

    // The script result a search for `query` lists first.
    ResultItem result(const QString& query) const {
        const ResultItems results =
            SearchPipeline::performSearch(AppIndex(), *scripts.scripts(), query);
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

QTEST_GUILESS_MAIN(TestLauncherController)
#include "tst_launchercontroller.moc"
