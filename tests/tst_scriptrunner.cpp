#include "TempTree.h"
#include "scripts/ScriptManager.h"
#include "scripts/ScriptOutputDecoder.h"

#include <QtTest>

#include <cstring>

namespace {

struct RunRecord {
    QStringList pieces;
    bool completed = false;
    bool pieceAfterCompletion = false;
    std::optional<ScriptFailure> failure;
};

} // namespace

class TestScriptRunner : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void reportsOutputAndOutcome_data();
    void reportsOutputAndOutcome();
    void bashRunsWithArgumentsAsSeparateWords();
    void deliversLongOutputCompletelyAndInOrder();
    void keepsCharactersWholeAndDropsChunksThatAreNotUtf8();
    void reportsFailuresToStart();

private:
    std::shared_ptr<RunRecord> run(const QString& type, const QByteArray& script,
                                   const QStringList& arguments = {},
                                   const std::function<void(const QString&)>& onPiece = {});
    QString lastScriptPath() const { return _tree.path(QStringLiteral("script-%1").arg(_scripts)); }

    TempTree _tree;
    ScriptManager _manager;
    int _scripts = 0;
};

std::shared_ptr<RunRecord>
TestScriptRunner::run(const QString& type, const QByteArray& script, const QStringList& arguments,
                      const std::function<void(const QString&)>& onPiece) {
    ++_scripts;
    ScriptMetadata metadata;
    metadata.type = type;
    auto record = std::make_shared<RunRecord>();
    _manager.runScript(
        metadata, _tree.writeFile(QStringLiteral("script-%1").arg(_scripts), script), arguments,
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
    if (record->completed)
        qFatal("the outcome arrived before runScript returned");
    if (!QTest::qWaitFor([record] { return record->completed; }, 60000))
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

void TestScriptRunner::reportsOutputAndOutcome_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("pieces");
    QTest::addColumn<QString>("failure"); // empty: success
    const auto row = [](const char* name, const char* type, const QByteArray& script,
                        const QStringList& pieces, const QString& failure = {}) {
        QTest::newRow(name) << QString(type) << script << pieces << failure;
    };
    const QString bashExit = QStringLiteral("Shell script exited with status %1\nError: %2");
    // Line breaks inside a chunk stay; those at its ends go, of every kind.
    row("bash trims chunks", "bash",
        "printf '\\r\\n\\xe2\\x80\\xa8one\\ntwo\\r\\n\\x0b\\x0c\\xc2\\x85'", {"one\ntwo"});
    row("bash success hides standard error", "bash", "printf '\\n\\n'; printf 'oops' >&2", {});
    // Standard input is empty: a script reading it is not left waiting.
    row("bash reads no input", "bash", "cat; printf 'Hello\\n'", {"Hello"});
    row("bash failure carries standard error", "bash",
        "printf 'shown\\n'; printf 'oops\\n' >&2; exit 2", {"shown"},
        bashExit.arg(2).arg("oops\n"));
    row("bash killed by a signal", "bash", "kill -KILL $$", {}, bashExit.arg(9).arg(""));
    // More than a pipe holds: read as it comes, or the child would block.
    row("bash huge standard error", "bash", "head -c 1048576 /dev/zero | tr '\\0' e >&2; exit 3",
        {}, bashExit.arg(3).arg(QString(1048576, 'e')));
    row("applescript cuts lines and merges standard error", "applescript",
        "printf 'out\\n\\n'; printf 'err\\n' >&2; exit 1", {"out", "err"},
        "AppleScript exited with status 1");
    row("swift", "swift", "printf 'one\\r\\ntwo'; exit 4", {"one", "two"},
        "Swift script exited with status 4");
    row("unknown type", "Bash", "printf 'ran\\n'", {}, "Unsupported script type: Bash");
}

void TestScriptRunner::reportsOutputAndOutcome() {
    QFETCH(QString, type);
    QFETCH(QByteArray, script);
    QFETCH(QStringList, pieces);
    QFETCH(QString, failure);
    const auto record = run(type, script + '\n');
    QCOMPARE(record->pieces, pieces);
    QVERIFY(!record->pieceAfterCompletion);
    QCOMPARE(record->failure.has_value(), !failure.isEmpty());
    if (record->failure) {
        QVERIFY(record->failure->scriptError());
        QCOMPARE(record->failure->description(), failure);
    }
}

void TestScriptRunner::bashRunsWithArgumentsAsSeparateWords() {
    const QString wordsFile = _tree.path("words");
    const QString marker = _tree.path("marker");
    const QStringList arguments = {wordsFile, "two words", "$(touch " + marker + ")", "*", "-n"};
    const auto record = run("bash", "printf '%s\\n' \"$0\" \"$@\" > \"$1\"\n", arguments);
    QVERIFY(!record->failure);
    QFile words(wordsFile);
    QVERIFY(words.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(words.readAll()).split('\n', Qt::SkipEmptyParts),
             QStringList{lastScriptPath()} + arguments);
    QVERIFY(!QFile::exists(marker));
}

void TestScriptRunner::deliversLongOutputCompletelyAndInOrder() {
    QString expected;
    for (int line = 1; line <= 10000; ++line)
        expected += QStringLiteral("line %1").arg(line);
    // Written a line at a time, so the reads cut lines anywhere.
    for (const QString type : {"bash", "applescript"}) {
        const auto record = run(type, "for i in $(seq 1 10000); do echo \"line $i\"; done\n");
        QVERIFY(!record->failure);
        QCOMPARE(record->pieces.join(QString()).remove('\n'), expected);
        for (const QString& piece : record->pieces)
            QVERIFY(!piece.isEmpty() && !piece.startsWith('\n') && !piece.endsWith('\n'));
    }
}

void TestScriptRunner::keepsCharactersWholeAndDropsChunksThatAreNotUtf8() {
    // The child stops inside the euro sign until the first piece has arrived.
    const QString go = _tree.path("go");
    const QByteArray waitForGo =
        "for i in $(seq 1200); do [ -e \"$1\" ] && break; sleep 0.05; done\n";
    const auto record = run("bash", "printf 'x\\xe2\\x82'\n" + waitForGo + "printf '\\xac y\\n'\n",
                            {go}, [go](const QString&) { QFile(go).open(QIODevice::WriteOnly); });
    QCOMPARE(record->pieces, QStringList({"x", QStringLiteral("\u20AC y")}));
    QVERIFY(!record->failure);
    // One chunk with one bad line is dropped whole.
    QVERIFY(run("applescript", "printf 'a\\n\\xff\\nb\\n'\n")->pieces.isEmpty());

    // A character begun and never finished is lost, not the chunk after it.
    ScriptOutputDecoder decoder;
    QCOMPARE(decoder.decode("z\xE2"), QStringLiteral("z"));
    QCOMPARE(decoder.decode("next"), QStringLiteral("next"));
}

void TestScriptRunner::reportsFailuresToStart() {
    _manager.runners().setInterpreter("swift", _tree.path("no/such/swift"));
    const auto record = run("swift", "exit 0\n");
    QVERIFY(record->failure);
    QVERIFY(!record->failure->scriptError());
    QVERIFY2(record->failure->description().contains(QString::fromLocal8Bit(strerror(ENOENT))),
             qPrintable(record->failure->description()));
}

QTEST_GUILESS_MAIN(TestScriptRunner)
#include "tst_scriptrunner.moc"
