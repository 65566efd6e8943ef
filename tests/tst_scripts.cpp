// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "LauncherFixture.h"
#include "platform/xdg/ApplicationOpener.h"
#include "scripts/ScriptMetadataReader.h"
#include "scripts/run/ScriptOutputDecoder.h"
#include "scripts/run/ScriptRun.h"
#include "scripts/run/ScriptRuns.h"

#include <QtTest>
#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using LauncherFixture::loadScripts;

namespace {

// A complete file, one root key a line but for the arguments (line 6). Any scalar is its
// text, whatever it resembles, and a byte-order mark may lead.
QByteArrayList fileLines() {
    return QByteArray("\xEF\xBB\xBFname: &anchored 'true'\ndescription: 1.0\nauthor:\nwebsite: ~\n"
                      "type: \"B\\u0061sh\"\ncommand: !!int 042\narguments:\n"
                      "  - {description: d, placeholder: p, name: who, type: s, optional: yES}\n"
                      "environments: [yes, 3]\ntags: []\nextra: [[[[[[[[1]]]]]]]]")
        .split('\n');
}

QByteArray completeWith(qsizetype line, const QByteArray& replacement) {
    QByteArrayList lines = fileLines();
    lines[line] = replacement;
    return lines.join('\n') + '\n';
}

// Writes <base>.meta naming `command` beside an empty <base>.sh.
void addScript(const TempTree& tree, const QString& base, const QString& command) {
    tree.writeFile(base + ".meta", LauncherFixture::scriptMetadata(command, "The " + command));
    tree.writeFile(base + ".sh", "");
}

// A fresh tmpfs at `path`, unmounted again when the test ends.
struct Mount {
    QByteArray path;
    bool mounted = false;
    ~Mount() {
        if (mounted)
            ::umount2(path, MNT_DETACH);
    }
    // The reason when it cannot be mounted.
    QString mount() {
        mounted = ::mount("vantri-test", path, "tmpfs", 0, "size=1m") == 0;
        return mounted ? QString() : QString::fromLocal8Bit(std::strerror(errno));
    }
    bool unmount() {
        mounted = ::umount2(path, 0) != 0;
        return !mounted;
    }
};

enum class Replacement {
    renamed,
    renamedBehindALink,
    deletedAndMadeAgain,
    missingForAWhile,
    remounted,
    remountedAround,
};

// Resident memory in bytes: now, or at its peak since resetPeakResidentSize().
[[maybe_unused]] qint64 residentSize(const QByteArray& field = "VmRSS:") {
    for (const QByteArray& line : fileContents(u"/proc/self/status"_s).split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').first().toLongLong() * 1024;
    }
    return -1;
}
[[maybe_unused]] void resetPeakResidentSize() {
    QFile clear(u"/proc/self/clear_refs"_s);
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

struct RunRecord {
    QStringList pieces;
    bool completed = false;
    std::optional<ScriptFailure> failure;
};

// Starts the script at `path` as one of `type` through `runner` (a ScriptManager or ScriptRuns).
template <typename Runner>
std::shared_ptr<RunRecord> startRun(Runner& runner, const QString& type, const QString& path) {
    ScriptMetadata metadata;
    metadata.type = type;
    auto record = std::make_shared<RunRecord>();
    runner.run(
        metadata, path, {}, [record](const QString& piece) { record->pieces.append(piece); },
        [record](const std::optional<ScriptFailure>& failure) {
            record->completed = true;
            record->failure = failure;
        });
    return record;
}

// The process ids listed in `path`, one a line, once `count` are there.
QList<qint64> listedProcesses(const QString& path, qsizetype count) {
    QList<qint64> processes;
    static_cast<void>(QTest::qWaitFor([&] {
        processes.clear();
        for (const QByteArray& line : fileContents(path).split('\n')) {
            if (!line.trimmed().isEmpty())
                processes.append(line.trimmed().toLongLong());
        }
        return processes.size() >= count;
    }));
    return processes;
}

} // namespace

class TestScripts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsEveryField() {
        // Unknown keys are ignored, nesting within reason is passed over, and aliases are
        // never expanded (here a billion nodes if they were).
        QByteArray text = fileLines().join('\n') + "\nl0: &l0 lol\n";
        for (int level = 1; level <= 9; ++level) {
            const QByteArray previous = "*l" + QByteArray::number(level - 1);
            text += "l" + QByteArray::number(level) + ": &l" + QByteArray::number(level) + " [" +
                    (previous + ", ").repeated(9) + previous + "]\n";
        }
        const ScriptMetadata expected{
            "true",       "1.0", "", "~", "Bash", "042", {Argument{"who", "s", "p", true, "d"}},
            {"yes", "3"}, {}};
        QCOMPARE(readScriptMetadata(text), expected);
    }

    void rejectsMalformedFiles_data() {
        QTest::addColumn<QByteArray>("text");
        const QByteArray complete = completeWith(3, "website: ~");
        QTest::newRow("without name") << completeWith(0, "");
        QTest::newRow("argument without name")
            << completeWith(7, "  - {type: t, placeholder: p, description: d, optional: no}");
        QTest::newRow("optional 1") << completeWith(
            7, "  - {name: n, type: t, placeholder: p, description: d, optional: 1}");
        QTest::newRow("name as mapping") << completeWith(0, "name: {first: a}");
        QTest::newRow("repeated key") << complete + "name: Again\n";
        QTest::newRow("second document") << complete + "---\nname: x\n";
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("latin-1") << completeWith(1, "description: caf\xE9");
        QTest::newRow("nested a million levels deep")
            << complete + "deep: " + QByteArray(1000000, '[') + QByteArray(1000000, ']') + '\n';
    }

    void rejectsMalformedFiles() {
        QFETCH(QByteArray, text);
        QVERIFY(!readScriptMetadata(text));
    }

    void cataloguesAFolderAndFindsScriptsByTheirFirstWord() {
        TempTree tree;
        // No suffix wins over every suffix.
        tree.writeFile("tool", "");
        addScript(tree, "tool", "Tool");
        addScript(tree, "sub/deep/nested", "nested");
        // Of two files with the same command in any case, the later path wins.
        addScript(tree, "a-hello", "Hello");
        addScript(tree, "b-hello", "hello");
        // Left out: empty metadata, metadata that is not a file.
        tree.writeFile("empty.meta", "");
        tree.writeFile("empty.sh", "");
        QCOMPARE(mkfifo(QFile::encodeName(tree.path("pipe.meta")).constData(), 0600), 0);
        tree.writeFile("pipe.sh", "");

        ScriptManager manager;
        QVERIFY(loadScripts(manager, tree.path()));
        QCOMPARE(manager.scripts()->keys(), QStringList({"hello", "nested", "tool"}));
        QCOMPARE(manager.findScript("tool")->scriptPath, tree.path("tool"));

        const std::optional<FoundScript> hello = manager.findScript("  HELLO   a  b ");
        QVERIFY(hello);
        QCOMPARE(hello->scriptPath, tree.path("b-hello.sh"));
        QCOMPARE(hello->arguments, QStringList({"a", "b"}));
        QVERIFY(!manager.findScript("hel"));
    }

    void followsChangesAnywhereInTheTree() {
        TempTree tree;
        const QString folder = tree.makeDir("scripts");
        addScript(tree, "scripts/sub/deep/hello", "hello");
        ScriptManager manager;
        QVERIFY(loadScripts(manager, folder));
        QCOMPARE(manager.scripts()->keys(), QStringList{"hello"});

        // Added in a subfolder, and in a subfolder made since.
        addScript(tree, "scripts/sub/deep/bye", "bye");
        QTRY_COMPARE(manager.scripts()->keys(), QStringList({"bye", "hello"}));
        addScript(tree, "scripts/sub/new/later", "later");
        QTRY_COMPARE(manager.scripts()->keys(), QStringList({"bye", "hello", "later"}));

        // Rewritten in place, as an editor saving over the file does, and removed.
        QFile metadata(tree.path("scripts/sub/deep/hello.meta"));
        QVERIFY(metadata.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(metadata.write(LauncherFixture::scriptMetadata("howdy", "Howdy")) > 0);
        metadata.close();
        QTRY_COMPARE(manager.scripts()->keys(), QStringList({"bye", "howdy", "later"}));
        QVERIFY(QFile::remove(tree.path("scripts/sub/new/later.meta")));
        QTRY_COMPARE(manager.scripts()->keys(), QStringList({"bye", "howdy"}));
    }

    void scansOnAWorkerAndPublishesOnlyTheLatestFolder() {
        TempTree tree;
        for (int i = 0; i < 2000; ++i)
            addScript(tree, u"big/s%1"_s.arg(i), u"s%1"_s.arg(i));
        addScript(tree, "middle/middle", "middle");
        addScript(tree, "last/last", "last");
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

    void findsScriptsInTheFolderTheCatalogueCameFrom() {
        TempTree tree;
        addScript(tree, "first/hello", "hello");
        addScript(tree, "second/hello", "hello");
        ScriptManager manager;
        QVERIFY(loadScripts(manager, tree.path("first")));

        // Until the new folder's scan is published, the catalogue is the first
        // folder's, and so are the scripts it names.
        manager.loadScripts(tree.path("second"));
        QVERIFY(manager.isScanning());
        QCOMPARE(manager.findScript("hello")->scriptPath, tree.path("first/hello.sh"));
        QTRY_VERIFY(!manager.isScanning());
        QCOMPARE(manager.findScript("hello")->scriptPath, tree.path("second/hello.sh"));
    }

    void forgetsTheEarlierFolderForOneThatCannotBeRead_data() {
        QTest::addColumn<QString>("chosen");
        QTest::newRow("missing") << "missing";
        QTest::newRow("a file") << "file";
        QTest::newRow("no folder") << "";
    }

    void forgetsTheEarlierFolderForOneThatCannotBeRead() {
        QFETCH(QString, chosen);
        TempTree tree;
        const QString earlier = tree.makeDir("earlier");
        addScript(tree, "earlier/hello", "hello");
        tree.writeFile("file", "");
        ScriptManager manager;
        QVERIFY(loadScripts(manager, earlier));
        QCOMPARE(manager.scripts()->keys(), QStringList{"hello"});

        // A witness that still watches the earlier folder tells when a change
        // there has been noticed.
        ScriptManager witness;
        QVERIFY(loadScripts(witness, earlier));
        manager.loadScripts(chosen.isEmpty() ? chosen : tree.path(chosen));
        QVERIFY(manager.scripts()->isEmpty());

        // A change in the earlier folder no longer brings its scripts back.
        QSignalSpy changed(&manager, &ScriptManager::scriptsChanged);
        addScript(tree, "earlier/bye", "bye");
        QTRY_COMPARE(witness.scripts()->keys(), QStringList({"bye", "hello"}));
        QTRY_VERIFY(!manager.isScanning());
        QVERIFY(manager.scripts()->isEmpty());
        QCOMPARE(changed.count(), 0);
    }

    void theFolderNowAtThePathIsCataloguedAndWatched_data() {
        QTest::addColumn<Replacement>("replacement");
        QTest::newRow("renamed away, another renamed in") << Replacement::renamed;
        QTest::newRow("a link's folder renamed away, another renamed in")
            << Replacement::renamedBehindALink;
        QTest::newRow("deleted and made again") << Replacement::deletedAndMadeAgain;
        QTest::newRow("missing for a while") << Replacement::missingForAWhile;
        QTest::newRow("a mounted folder unmounted and mounted again") << Replacement::remounted;
        QTest::newRow("in a file system unmounted and mounted again")
            << Replacement::remountedAround;
    }

    void theFolderNowAtThePathIsCataloguedAndWatched() {
        QFETCH(Replacement, replacement);
        TempTree tree;
        const bool remounts =
            replacement == Replacement::remounted || replacement == Replacement::remountedAround;
        const QString chosen =
            replacement == Replacement::remountedAround ? "mount/scripts" : "scripts";
        // Where the scripts really are: behind the link, or the chosen folder.
        const QString folder = replacement == Replacement::renamedBehindALink ? "real" : chosen;
        Mount mount{QFile::encodeName(
            tree.makeDir(replacement == Replacement::remounted ? chosen : "mount"))};
        if (const QString reason = remounts ? mount.mount() : QString(); !reason.isEmpty())
            QSKIP(qPrintable("a tmpfs cannot be mounted here: " + reason));
        if (replacement == Replacement::renamedBehindALink)
            QVERIFY(QFile::link(tree.makeDir(folder), tree.path(chosen)));
        addScript(tree, folder + "/old", "old");
        ScriptManager manager;
        manager.loadScripts(tree.path(chosen));
        QTRY_COMPARE(manager.scripts()->keys(), QStringList{"old"});

        const QByteArray path = QFile::encodeName(tree.path(folder));
        switch (replacement) {
        case Replacement::renamed:
        case Replacement::renamedBehindALink:
            addScript(tree, "new/fresh", "fresh");
            QCOMPARE(::rename(path, path + ".old"), 0);
            QCOMPARE(::rename(QFile::encodeName(tree.path("new")), path), 0);
            break;
        case Replacement::deletedAndMadeAgain:
        case Replacement::missingForAWhile:
            QVERIFY(QDir(tree.path(folder)).removeRecursively());
            if (replacement == Replacement::missingForAWhile)
                QTRY_VERIFY(manager.scripts()->isEmpty());
            addScript(tree, folder + "/fresh", "fresh");
            break;
        case Replacement::remounted:
        case Replacement::remountedAround:
            QVERIFY(mount.unmount());
            QTRY_VERIFY(manager.scripts()->isEmpty());
            QCOMPARE(mount.mount(), QString());
            addScript(tree, folder + "/fresh", "fresh");
            break;
        }
        QTRY_COMPARE(manager.scripts()->keys(), QStringList{"fresh"});
        // The folder now at the path is watched too.
        addScript(tree, folder + "/later", "later");
        QTRY_COMPARE(manager.scripts()->keys(), QStringList({"fresh", "later"}));
    }

    void initTestCase() {
        // AppleScript is stood in for by bash, behind a program of its own.
        _runs.runners().setInterpreter(
            "applescript", _tree.writeProgram("osascript", "#!/bin/bash\nexec /bin/bash \"$@\"\n"));
    }

    void reportsOutputAndOutcome_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<QString>("failure"); // empty: success
        const auto row = [](const char* name, const char* type, const char* script,
                            const QStringList& pieces, const QString& failure = {}) {
            QTest::newRow(name) << QString(type) << QByteArray(script) << pieces << failure;
        };
        const QString bashExit = u"Shell script exited with status %1\nError: %2"_s;
        const QString bashKilled = u"Shell script was killed by signal %1\nError: %2"_s;
        // Line breaks inside a chunk stay; those at its ends go, of every kind.
        row("trims", "bash", "printf '\\r\\n\\xe2\\x80\\xa8one\\ntwo\\x0b\\xc2\\x85'",
            {"one\ntwo"});
        // Standard input is empty: a script reading it is not left waiting.
        row("reads no input", "bash", "cat; printf 'Hello\\n'; printf 'hidden' >&2", {"Hello"});
        row("failure", "bash", "printf 'shown\\n'; printf 'oops\\n' >&2; exit 2", {"shown"},
            bashExit.arg(2).arg("oops\n"));
        row("killed by a signal", "bash", "printf 'dying\\n' >&2; kill -KILL $$", {},
            bashKilled.arg(9).arg("dying\n"));
        row("exit status of a signal's number", "bash", "exit 9", {}, bashExit.arg(9).arg(""));
        row("applescript killed", "applescript", "kill -TERM $$", {},
            "AppleScript was killed by signal 15");
        row("applescript cuts lines and merges standard error", "applescript",
            "printf 'out\\n\\n'; printf 'err\\n' >&2; exit 1", {"out", "err"},
            "AppleScript exited with status 1");
        // A chunk with a line that is not UTF-8 is dropped whole.
        row("not UTF-8", "applescript", "printf 'a\\n\\xff\\nb\\n'", {});
        row("unknown type", "Bash", "printf 'ran\\n'", {}, "Unsupported script type: Bash");
    }

    void reportsOutputAndOutcome() {
        QFETCH(QString, type);
        QFETCH(QByteArray, script);
        QFETCH(QStringList, pieces);
        QFETCH(QString, failure);
        const auto record = run(type, script + '\n');
        QCOMPARE(record->pieces, pieces);
        QCOMPARE(record->failure ? record->failure->description() : QString(), failure);
    }

    void keepsCharactersSplitBetweenReadsWhole() {
        ScriptOutputDecoder decoder;
        QCOMPARE(decoder.decode("x\xE2\x82"), u"x"_s);
        QCOMPARE(decoder.decode("\xAC y"), u"\u20AC y"_s);
    }

    void keepsOnlyTheTailOfStandardError() {
        // 15 MB of three-byte characters: far more than a pipe holds (read as it
        // comes, or the child would block), and over 200 times what is kept. The
        // kept tail begins inside a character, which is left out.
        constexpr qint64 flood = 3 * 5'000'000;
        const qsizetype characters = ScriptRun::maxStandardErrorTail / 3;
        QCOMPARE(ScriptRun::maxStandardErrorTail % 3, 1);
        resetPeakResidentSize();
        [[maybe_unused]] const qint64 before = residentSize();
        const auto record = run("bash", "yes '\xe2\x82\xac' | tr -d '\\n' | head -c " +
                                            QByteArray::number(flood) + " >&2; exit 3");
        QCOMPARE(record->failure ? record->failure->description() : QString(),
                 u"Shell script exited with status 3\nError: "_s +
                     QString(characters, QChar(0x20AC)));
#if defined(__SANITIZE_ADDRESS__)
        // AddressSanitizer holds freed memory back on purpose.
        qInfo("resident size not checked: AddressSanitizer keeps freed memory");
#else
        // Never the whole flood in memory at once.
        const qint64 growth = residentSize("VmHWM:") - before;
        QVERIFY2(before > 0 && growth < flood / 2, qPrintable(QString::number(growth)));
#endif
    }

    void reportsFailuresToStart_data() {
        QTest::addColumn<QString>("interpreter");
        QTest::addColumn<QString>("failure");
        QTest::newRow("missing") << _tree.path("no/such/swift")
                                 << _tree.path("no/such/swift") + " is not installed";
        QTest::newRow("not executable")
            << _tree.writeFile("swift", "") << QString::fromLocal8Bit(strerror(EACCES));
    }

    void reportsFailuresToStart() {
        QFETCH(QString, interpreter);
        QFETCH(QString, failure);
        _runs.runners().setInterpreter("swift", interpreter);
        const auto record = run("swift", "exit 0\n");
        QVERIFY(record->failure);
        QVERIFY2(record->failure->description().contains(failure),
                 qPrintable(record->failure->description()));
    }

    void endingRunsEndsAllTheyStartedAndNothingElse_data() {
        QTest::addColumn<bool>("scriptWaits");
        QTest::newRow("script still running") << true;
        QTest::newRow("script ended, its processes left behind") << false;
    }

    void endingRunsEndsAllTheyStartedAndNothingElse() {
        QFETCH(bool, scriptWaits);
        TempTree tree;
        // Each escapes the run's process group its own way, and ignores the
        // polite request to end; the script itself does too. They keep the
        // run's output open, which does not hold its outcome back.
        QByteArray script = R"(trap '' TERM
echo $$ >> LISTED
STUBBORN &
echo $! >> LISTED
# A session of its own.
setsid STUBBORN &
echo $! >> LISTED
# A process group of its own.
perl -e 'setpgrp(0, 0); exec @ARGV' STUBBORN &
echo $! >> LISTED
# Forked twice, its parent gone: an orphan in a session of its own.
( setsid STUBBORN & echo $! >> LISTED ) &
)";
        script.replace("STUBBORN", "bash -c \"trap '' TERM; exec sleep 1000\"")
            .replace("LISTED", "'" + QFile::encodeName(tree.path("started")) + "'");
        if (scriptWaits)
            script += "wait\n";

        // An application the user opened, started before the runs are ended.
        const QString applicationPid = tree.path("application");
        const QString application =
            tree.writeFile("application.sh", "echo $$ > '" + QFile::encodeName(applicationPid) +
                                                 "'\nexec sleep 1000\n");
        const QString entry =
            tree.writeFile("application.desktop",
                           "[Desktop Entry]\nType=Application\nName=Stays\nExec=/bin/bash " +
                               application.toUtf8() + "\n");
        QVERIFY(openApplication(entry).started);
        const QList<qint64> opened = listedProcesses(applicationPid, 1);
        QCOMPARE(opened.size(), 1);

        ScriptRuns runs(100ms);
        const auto record = startRun(runs, "bash", tree.writeFile("script", script));
        const QList<qint64> started = listedProcesses(tree.path("started"), 5);
        QCOMPARE(started.size(), 5);
        // A run that left processes behind is over all the same.
        if (!scriptWaits) {
            QTRY_VERIFY(record->completed);
            QVERIFY(!record->failure);
        }

        runs.endAll();
        for (const qint64 process : started)
            QTRY_VERIFY2(processEnded(process), QByteArray::number(process).constData());
        QTRY_VERIFY(record->completed);
        if (scriptWaits)
            QCOMPARE(record->failure->description(),
                     QStringLiteral("Shell script was killed by signal 9\nError: "));
        QVERIFY(!processEnded(opened.first()));
        ::kill(static_cast<pid_t>(opened.first()), SIGKILL);
    }

private:
    // Runs `script` as a script of `type`, and waits for its outcome.
    std::shared_ptr<RunRecord> run(const QString& type, const QByteArray& script) {
        const auto record =
            startRun(_runs, type, _tree.writeFile(u"script-%1"_s.arg(++_scripts), script));
        if (!QTest::qWaitFor([record] { return record->completed; }, 60000))
            qFatal("the run never completed");
        return record;
    }

    TempTree _tree;
    ScriptRuns _runs;
    int _scripts = 0;
};

QTEST_GUILESS_MAIN(TestScripts)
#include "tst_scripts.moc"
