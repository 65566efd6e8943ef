// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TempTree.h"
#include "platform/xdg/ApplicationOpener.h"
#include "scripts/run/ScriptRuns.h"

#include <QtTest>

#include <chrono>

using namespace std::chrono_literals;

namespace {

struct RunRecord {
    bool completed = false;
    std::optional<ScriptFailure> failure;
};

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

class TestScriptRuns : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void endingRunsEndsAllTheyStartedAndNothingElse_data();
    void endingRunsEndsAllTheyStartedAndNothingElse();
};

void TestScriptRuns::endingRunsEndsAllTheyStartedAndNothingElse_data() {
    QTest::addColumn<bool>("scriptWaits");
    QTest::newRow("script still running") << true;
    QTest::newRow("script ended, its processes left behind") << false;
}

void TestScriptRuns::endingRunsEndsAllTheyStartedAndNothingElse() {
    QFETCH(bool, scriptWaits);
    TempTree tree;
    const QByteArray listed = QFile::encodeName(tree.path("started"));
    // Each escapes the run's process group its own way, and ignores the
    // polite request to end; the script itself does too.
    const QByteArray stubborn = "bash -c \"trap '' TERM; exec sleep 1000\"";
    // They keep the run's output open, which does not hold its outcome back.
    QByteArray script = "trap '' TERM\n"
                        "echo $$ >> '" +
                        listed + "'\n" + stubborn + " &\necho $! >> '" + listed +
                        "'\n"
                        // A session of its own.
                        "setsid " +
                        stubborn + " &\necho $! >> '" + listed +
                        "'\n"
                        // A process group of its own.
                        "perl -e 'setpgrp(0, 0); exec @ARGV' " +
                        stubborn + " &\necho $! >> '" + listed +
                        "'\n"
                        // Forked twice, its parent gone: an orphan in a session of its own.
                        "( setsid " +
                        stubborn + " & echo $! >> '" + listed + "' ) &\n";
    if (scriptWaits)
        script += "wait\n";

    // An application the user opened, started before the runs are ended.
    const QString applicationPid = tree.path("application");
    const QString application =
        tree.writeFile("application.sh",
                       "echo $$ > '" + QFile::encodeName(applicationPid) + "'\nexec sleep 1000\n");
    const QString entry = tree.writeFile(
        "application.desktop", "[Desktop Entry]\nType=Application\nName=Stays\nExec=/bin/bash " +
                                   application.toUtf8() + "\n");
    QVERIFY(openApplication(entry).started);
    const QList<qint64> opened = listedProcesses(applicationPid, 1);
    QCOMPARE(opened.size(), 1);

    ScriptRuns runs(100ms);
    ScriptMetadata metadata;
    metadata.type = QStringLiteral("bash");
    const auto record = std::make_shared<RunRecord>();
    runs.run(
        metadata, tree.writeFile("script", script), {}, [](const QString&) {},
        [record](const std::optional<ScriptFailure>& failure) {
            record->completed = true;
            record->failure = failure;
        });
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

QTEST_GUILESS_MAIN(TestScriptRuns)
#include "tst_scriptruns.moc"
