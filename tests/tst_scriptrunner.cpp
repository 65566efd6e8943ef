#include "TempTree.h"
#include "scripts/ScriptManager.h"
#include "scripts/ScriptOutputDecoder.h"

#include <QtTest>

#include <cstring>

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
    void reportsFailuresToStart();

private:
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
        metadata, _tree.writeFile(QStringLiteral("script-%1").arg(++_scripts), script), {},
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
    const QString bashExit = QStringLiteral("Shell script exited with status %1\nError: %2");
    // Line breaks inside a chunk stay; those at its ends go, of every kind.
    row("trims", "bash", "printf '\\r\\n\\xe2\\x80\\xa8one\\ntwo\\x0b\\xc2\\x85'", {"one\ntwo"});
    // Standard input is empty: a script reading it is not left waiting.
    row("reads no input", "bash", "cat; printf 'Hello\\n'; printf 'hidden' >&2", {"Hello"});
    row("failure", "bash", "printf 'shown\\n'; printf 'oops\\n' >&2; exit 2", {"shown"},
        bashExit.arg(2).arg("oops\n"));
    row("killed by a signal", "bash", "kill -KILL $$", {}, bashExit.arg(9).arg(""));
    // More than a pipe holds: read as it comes, or the child would block.
    row("huge standard error", "bash", "head -c 1048576 /dev/zero | tr '\\0' e >&2; exit 3", {},
        bashExit.arg(3).arg(QString(1048576, 'e')));
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
    QCOMPARE(decoder.decode("x\xE2\x82"), QStringLiteral("x"));
    QCOMPARE(decoder.decode("\xAC y"), QStringLiteral("\u20AC y"));
}

void TestScriptRunner::reportsFailuresToStart() {
    _manager.runners().setInterpreter("swift", _tree.path("no/such/swift"));
    const auto record = run("swift", "exit 0\n");
    QVERIFY(record->failure && !record->failure->scriptError());
    QVERIFY2(record->failure->description().contains(QString::fromLocal8Bit(strerror(ENOENT))),
             qPrintable(record->failure->description()));
}

QTEST_GUILESS_MAIN(TestScriptRunner)
#include "tst_scriptrunner.moc"
