#include "TempTree.h"
#include "scripts/ScriptManager.h"
#include "scripts/ScriptOutputDecoder.h"

#include <QtTest>

#include <cstring>

namespace {

// Everything one run handed back, in the order it arrived.
struct RunRecord {
    QStringList pieces;
    bool completed = false;
    bool pieceAfterCompletion = false;
    std::optional<ScriptFailure> failure;
};

ScriptMetadata metadataOfType(const QString& type) {
    ScriptMetadata metadata;
    metadata.type = type;
    return metadata;
}

// Generous: only a child that hangs should ever reach it.
constexpr int runTimeoutMs = 60000;

// Shell lines that wait for the file named by the first argument, which the
// test creates once it has seen the output before it. The wait is bounded so
// that a failing test leaves no child behind.
const QByteArray waitForFile =
    "for attempt in $(seq 1200); do [ -e \"$1\" ] && break; sleep 0.05; done\n";

} // namespace

class TestScriptRunner : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void bashRunsWithArgumentsAsSeparateWords();
    void bashHandsOverTrimmedChunks();
    void bashFailureCarriesStandardError();
    void bashSurvivesHugeStandardError();
    void deliversLongOutputCompletelyAndInOrder_data();
    void deliversLongOutputCompletelyAndInOrder();
    void keepsCharactersWholeAcrossReads();
    void dropsChunksThatAreNotUtf8();
    void otherRunnersMergeErrorsAndCutLines();
    void reportsFailuresToStart();
    void decoderDropsOnlyBrokenChunks();

private:
    // Runs `script` (the script file's text) as `type` and waits for the outcome.
    // `onPiece` sees each piece as it arrives.
    std::shared_ptr<RunRecord> run(const QString& type, const QByteArray& script,
                                   const QStringList& arguments = {},
                                   const std::function<void(const QString&)>& onPiece = {});
    TempTree _tree;
    ScriptManager _manager;
    int _scriptCount = 0;
};

std::shared_ptr<RunRecord>
TestScriptRunner::run(const QString& type, const QByteArray& script, const QStringList& arguments,
                      const std::function<void(const QString&)>& onPiece) {
    const QString scriptPath =
        _tree.writeFile(QStringLiteral("script-%1").arg(++_scriptCount), script);
    auto record = std::make_shared<RunRecord>();
    _manager.runScript(
        metadataOfType(type), scriptPath, arguments,
        [record, onPiece](const QString& piece) {
            record->pieceAfterCompletion |= record->completed;
            record->pieces.append(piece);
            if (onPiece)
                onPiece(piece);
        },
        [record](const std::optional<ScriptFailure>& failure) {
            record->completed = true;
            record->failure = failure;
        });
    // The outcome is never reported from inside runScript.
    if (record->completed)
        qFatal("the outcome arrived before runScript returned");
    if (!QTest::qWaitFor([record] { return record->completed; }, runTimeoutMs))
        qFatal("the run never completed");
    return record;
}

void TestScriptRunner::initTestCase() {
    // The other interpreters are stood in for by bash, behind a program of their own.
    for (const QString type : {"applescript", "swift"}) {
        const QString standIn =
            _tree.writeFile("interpreters/" + type, "#!/bin/bash\nexec /bin/bash \"$@\"\n");
        QVERIFY(QFile::setPermissions(standIn, QFile::ReadOwner | QFile::ExeOwner));
        _manager.runners().setInterpreter(type, standIn);
    }
}

void TestScriptRunner::bashRunsWithArgumentsAsSeparateWords() {
    const QString wordsFile = _tree.path("words");
    const QString marker = _tree.path("marker");
    const QStringList arguments = {wordsFile, "two words", "$(touch " + marker + ")", "*", "-n"};
    const auto record = run("bash", "printf '%s\\n' \"$0\" \"$@\" > \"$1\"\n", arguments);
    QVERIFY(!record->failure);
    QVERIFY(record->pieces.isEmpty());

    QFile words(wordsFile);
    QVERIFY(words.open(QIODevice::ReadOnly));
    const QStringList received = QString::fromUtf8(words.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(received,
             QStringList{_tree.path(QStringLiteral("script-%1").arg(_scriptCount))} + arguments);
    QVERIFY(!QFile::exists(marker));
}

void TestScriptRunner::bashHandsOverTrimmedChunks() {
    auto record = run("bash", "printf 'Hello\\n'\n");
    QCOMPARE(record->pieces, QStringList{"Hello"});
    QVERIFY(!record->failure);

    // Line breaks inside a chunk stay; those at its ends go, of every kind.
    record = run("bash", "printf '\\r\\n\\xe2\\x80\\xa8one\\ntwo\\r\\n\\x0b\\x0c\\xc2\\x85'\n");
    QCOMPARE(record->pieces, QStringList{"one\ntwo"});

    // Nothing but line breaks is no piece; standard error of a successful
    // script is never shown.
    record = run("bash", "printf '\\n\\n'; printf 'oops\\n' >&2\n");
    QVERIFY(record->pieces.isEmpty());
    QVERIFY(!record->failure);
}

void TestScriptRunner::bashFailureCarriesStandardError() {
    auto record = run("bash", "printf 'shown\\n'; printf 'oops\\n' >&2; exit 2\n");
    QCOMPARE(record->pieces, QStringList{"shown"});
    QVERIFY(!record->pieceAfterCompletion);
    QVERIFY(record->failure);
    const ScriptError expected =
        ScriptError::executionFailed("Shell script exited with status 2\nError: oops\n");
    QCOMPARE(record->failure->scriptError(), expected);
    QCOMPARE(record->failure->description(), expected.text());

    // Standard error that is not UTF-8 leaves the message without it.
    record = run("bash", "printf 'caf\\xe9' >&2; exit 5\n");
    QCOMPARE(record->failure->description(), "Shell script exited with status 5\nError: ");

    // A child killed by a signal fails with the signal's number.
    record = run("bash", "kill -KILL $$\n");
    QCOMPARE(record->failure->description(), "Shell script exited with status 9\nError: ");
}

void TestScriptRunner::bashSurvivesHugeStandardError() {
    const auto record =
        run("bash", "head -c 1048576 /dev/zero | tr '\\0' e >&2\nprintf 'end' >&2\nexit 3\n");
    QVERIFY(record->failure);
    QCOMPARE(record->failure->description(),
             "Shell script exited with status 3\nError: " + QString(1048576, 'e') + "end");
}

void TestScriptRunner::deliversLongOutputCompletelyAndInOrder_data() {
    QTest::addColumn<QString>("type");
    QTest::newRow("bash") << "bash";
    QTest::newRow("applescript") << "applescript";
    QTest::newRow("swift") << "swift";
}

void TestScriptRunner::deliversLongOutputCompletelyAndInOrder() {
    QFETCH(QString, type);
    // Lines are written one at a time and the child exits at once after the
    // last, so the reads cut them anywhere.
    const auto record = run(type, "for i in $(seq 1 10000); do echo \"line $i\"; done\n");
    QVERIFY(!record->failure);
    QVERIFY(!record->pieceAfterCompletion);

    QString expected;
    for (int line = 1; line <= 10000; ++line)
        expected += QStringLiteral("line %1").arg(line);
    QCOMPARE(record->pieces.join(QString()).remove('\n'), expected);
    for (const QString& piece : record->pieces)
        QVERIFY(!piece.isEmpty() && !piece.startsWith('\n') && !piece.endsWith('\n'));
}

void TestScriptRunner::keepsCharactersWholeAcrossReads() {
    // The child stops in the middle of the euro sign until the first piece has
    // arrived, so the character is split between two reads.
    const QString go = _tree.path("go-split");
    const auto record =
        run("bash", "printf 'x\\xe2\\x82'\n" + waitForFile + "printf '\\xac y\\n'\n", {go},
            [go](const QString&) { QFile(go).open(QIODevice::WriteOnly); });
    QCOMPARE(record->pieces, QStringList({"x", QStringLiteral("\u20AC y")}));
}

void TestScriptRunner::dropsChunksThatAreNotUtf8() {
    const QString go = _tree.path("go-bad");
    auto record = run("bash", "printf 'good\\n'\n" + waitForFile + "printf 'caf\\xe9 au lait\\n'\n",
                      {go}, [go](const QString&) { QFile(go).open(QIODevice::WriteOnly); });
    QCOMPARE(record->pieces, QStringList{"good"});
    QVERIFY(!record->failure);

    // One chunk with one bad line is dropped whole.
    record = run("applescript", "printf 'a\\n\\xff\\nb\\n'\n");
    QVERIFY(record->pieces.isEmpty());
}

void TestScriptRunner::otherRunnersMergeErrorsAndCutLines() {
    auto record = run("applescript", "printf 'a\\n\\nb\\n'\n");
    QCOMPARE(record->pieces, QStringList({"a", "b"}));
    QVERIFY(!record->failure);

    record = run("applescript", "printf 'out\\n'; printf 'err\\n' >&2; exit 1\n");
    QCOMPARE(record->pieces, QStringList({"out", "err"}));
    QCOMPARE(record->failure->scriptError(),
             ScriptError::executionFailed("AppleScript exited with status 1"));

    record = run("swift", "printf 'one\\r\\ntwo'; exit 4\n");
    QCOMPARE(record->pieces, QStringList({"one", "two"}));
    QCOMPARE(record->failure->description(), "Swift script exited with status 4");
}

void TestScriptRunner::reportsFailuresToStart() {
    // The type is compared exactly; no runner, no child.
    auto record = run("Bash", "touch \"$0.ran\"\n");
    QCOMPARE(record->failure->scriptError(), ScriptError::unsupportedScriptType("Bash"));
    QCOMPARE(record->failure->description(), "Unsupported script type: Bash");
    QVERIFY(!QFile::exists(_tree.path(QStringLiteral("script-%1.ran").arg(_scriptCount))));

    _manager.runners().setInterpreter("swift", _tree.path("no/such/swift"));
    record = run("swift", "exit 0\n");
    QVERIFY(record->failure);
    QVERIFY(!record->failure->scriptError());
    QVERIFY2(record->failure->description().contains(QString::fromLocal8Bit(strerror(ENOENT))),
             qPrintable(record->failure->description()));
}

void TestScriptRunner::decoderDropsOnlyBrokenChunks() {
    ScriptOutputDecoder decoder;
    QCOMPARE(decoder.decode("ab\xE2\x82"), QStringLiteral("ab"));
    QCOMPARE(decoder.decode("\xAC!"), QStringLiteral("\u20AC!"));
    // The bad byte drops its own chunk only.
    QCOMPARE(decoder.decode("x\xFFy"), std::nullopt);
    QCOMPARE(decoder.decode("fine"), QStringLiteral("fine"));
    // A character begun and never finished is lost, not the chunk after it.
    QCOMPARE(decoder.decode("z\xE2"), QStringLiteral("z"));
    QCOMPARE(decoder.decode("next"), QStringLiteral("next"));
    // A chunk continuing nothing cannot start with a continuation byte.
    QCOMPARE(decoder.decode("\x82\xACtail"), std::nullopt);
}

QTEST_GUILESS_MAIN(TestScriptRunner)
#include "tst_scriptrunner.moc"
