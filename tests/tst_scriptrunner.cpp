// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TempTree.h"
#include "scripts/ScriptManager.h"
#include "scripts/run/ScriptOutputDecoder.h"
#include "scripts/run/ScriptRun.h"

#include <QtTest>

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

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

} // namespace

struct RunRecord {
    QStringList pieces;
    bool completed = false;
    std::optional<ScriptFailure> failure;
};

class TestScriptRunner : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void reportsOutputAndOutcome_data();
    void reportsOutputAndOutcome();
    void keepsCharactersSplitBetweenReadsWhole();
    void keepsOnlyTheTailOfStandardError();
    void reportsFailuresToStart_data();
    void reportsFailuresToStart();

private:
    // Runs `script` as a script of `type`, and waits for its outcome.
    std::shared_ptr<RunRecord> run(const QString& type, const QByteArray& script);

    TempTree _tree;
    ScriptManager _manager;
    int _scripts = 0;
};

std::shared_ptr<RunRecord> TestScriptRunner::run(const QString& type, const QByteArray& script) {
    ScriptMetadata metadata;
    metadata.type = type;
    auto record = std::make_shared<RunRecord>();
    _manager.runScript(
        metadata, _tree.writeFile(u"script-%1"_s.arg(++_scripts), script), {},
        [record](const QString& piece) { record->pieces.append(piece); },
        [record](const std::optional<ScriptFailure>& failure) {
            record->completed = true;
            record->failure = failure;
        });
    if (!QTest::qWaitFor([record] { return record->completed; }, 60000))
        qFatal("the run never completed");
    return record;
}

void TestScriptRunner::initTestCase() {
    // AppleScript is stood in for by bash, behind a program of its own.
    const QString standIn = _tree.writeFile("osascript", "#!/bin/bash\nexec /bin/bash \"$@\"\n");
    QVERIFY(QFile::setPermissions(standIn, QFile::ReadOwner | QFile::ExeOwner));
    _manager.runners().setInterpreter("applescript", standIn);
}

void TestScriptRunner::reportsOutputAndOutcome_data() {
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
    row("trims", "bash", "printf '\\r\\n\\xe2\\x80\\xa8one\\ntwo\\x0b\\xc2\\x85'", {"one\ntwo"});
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

void TestScriptRunner::reportsOutputAndOutcome() {
    QFETCH(QString, type);
    QFETCH(QByteArray, script);
    QFETCH(QStringList, pieces);
    QFETCH(QString, failure);
    const auto record = run(type, script + '\n');
    QCOMPARE(record->pieces, pieces);
    QCOMPARE(record->failure ? record->failure->description() : QString(), failure);
}

void TestScriptRunner::keepsCharactersSplitBetweenReadsWhole() {
    ScriptOutputDecoder decoder;
    QCOMPARE(decoder.decode("x\xE2\x82"), u"x"_s);
    QCOMPARE(decoder.decode("\xAC y"), u"\u20AC y"_s);
}

void TestScriptRunner::keepsOnlyTheTailOfStandardError() {
    // 15 MB of three-byte characters: far more than a pipe holds (read as it
    // comes, or the child would block), and over 200 times what is kept. The
    // kept tail begins inside a character, which is left out.
    constexpr qint64 flood = 3 * 5'000'000;
    const qsizetype characters = ScriptRun::maxStandardErrorTail / 3;
    QCOMPARE(ScriptRun::maxStandardErrorTail % 3, 1);
    resetPeakResidentSize();
    const qint64 before = residentSize();
    const auto record = run("bash", "yes '\xe2\x82\xac' | tr -d '\\n' | head -c " +
                                        QByteArray::number(flood) + " >&2; exit 3");
    QCOMPARE(record->failure ? record->failure->description() : QString(),
             u"Shell script exited with status 3\nError: "_s + QString(characters, QChar(0x20AC)));
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer holds freed memory back on purpose.
    qInfo("resident size not checked: AddressSanitizer keeps freed memory");
#else
    // Never the whole flood in memory at once.
    const qint64 growth = residentSize("VmHWM:") - before;
    QVERIFY2(before > 0 && growth < flood / 2, qPrintable(QString::number(growth)));
#endif
}

void TestScriptRunner::reportsFailuresToStart_data() {
    QTest::addColumn<QString>("interpreter");
    QTest::addColumn<QString>("failure");
    QTest::newRow("missing") << _tree.path("no/such/swift")
                             << _tree.path("no/such/swift") + " is not installed";
    QTest::newRow("not executable")
        << _tree.writeFile("swift", "") << QString::fromLocal8Bit(strerror(EACCES));
}

void TestScriptRunner::reportsFailuresToStart() {
    QFETCH(QString, interpreter);
    QFETCH(QString, failure);
    _manager.runners().setInterpreter("swift", interpreter);
    const auto record = run("swift", "exit 0\n");
    QVERIFY(record->failure);
    QVERIFY2(record->failure->description().contains(failure),
             qPrintable(record->failure->description()));
}

QTEST_GUILESS_MAIN(TestScriptRunner)
#include "tst_scriptrunner.moc"
