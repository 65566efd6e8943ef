#include "scripts/ScriptMetadataReader.h"

#include <QtTest>

namespace {

const QByteArrayList argumentFields = {"name: who", "type: string", "placeholder: your name",
                                       "optional: yES", "description: whom to greet"};

// A complete file, one root key a line; "arguments" (line 6) holds one item made of `fields`.
QByteArrayList fileLines(const QByteArrayList& fields = argumentFields) {
    QByteArrayList lines = QByteArray("name: Say Hello\ndescription: Greets someone\nauthor: Ada\n"
                                      "website: https://example.org/hello\ntype: bash\n"
                                      "command: hello\nenvironments: [desktop, server]\n"
                                      "tags: [greeting, demo]")
                               .split('\n');
    lines.insert(6, "arguments:\n  - " + fields.join("\n    "));
    return lines;
}

QByteArray joined(const QByteArrayList& lines) {
    return lines.join('\n') + '\n';
}

QByteArray completeWith(qsizetype line, const QByteArray& replacement) {
    QByteArrayList lines = fileLines();
    lines[line] = replacement;
    return joined(lines);
}

} // namespace

class TestScriptMetadata : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsEveryField();
    void rejectsMalformedFiles_data();
    void rejectsMalformedFiles();
    void neverExpandsAliases();
};

void TestScriptMetadata::readsEveryField() {
    const Argument who{"who", "string", "your name", true, "whom to greet"};
    const ScriptMetadata expected{"Say Hello",
                                  "Greets someone",
                                  "Ada",
                                  "https://example.org/hello",
                                  "bash",
                                  "hello",
                                  {who},
                                  {"desktop", "server"},
                                  {"greeting", "demo"}};
    QCOMPARE(readScriptMetadata(joined(fileLines())), expected);

    // Any scalar is its text, whatever it resembles; key order does not matter,
    // unknown keys are ignored, collections may be empty and a byte-order mark
    // may lead the text.
    const QByteArray loose = "\xEF\xBB\xBFtags: []\nenvironments: [yes, 3]\nextra: {a: [1, 2]}\n"
                             "arguments: [{optional: off, note: x, description: , name: n, "
                             "type: t, placeholder: p}]\ncommand: !!int 042\n"
                             "type: \"B\\u0061sh\"\nwebsite: ~\nauthor:\ndescription: 1.0\n"
                             "name: &anchored 'true'\n";
    const ScriptMetadata looseExpected{
        "true",       "1.0", "", "~", "Bash", "042", {Argument{"n", "t", "p", false, ""}},
        {"yes", "3"}, {}};
    QCOMPARE(readScriptMetadata(loose), looseExpected);
}

void TestScriptMetadata::rejectsMalformedFiles_data() {
    QTest::addColumn<QByteArray>("text");
    for (qsizetype omitted = 0; omitted < fileLines().size(); ++omitted) {
        QByteArrayList lines = fileLines();
        const QByteArray key = lines.takeAt(omitted).split(':').first();
        QTest::addRow("without %s", key.constData()) << joined(lines);
    }
    for (qsizetype omitted = 0; omitted < argumentFields.size(); ++omitted) {
        QByteArrayList fields = argumentFields;
        const QByteArray key = fields.takeAt(omitted).split(':').first();
        QTest::addRow("argument without %s", key.constData()) << joined(fileLines(fields));
    }
    const QByteArray complete = joined(fileLines());
    QTest::newRow("optional 1") << completeWith(
        6, "arguments: [{name: n, type: t, placeholder: p, description: d, optional: 1}]");
    QTest::newRow("name as mapping") << completeWith(0, "name: {first: a}");
    QTest::newRow("environments as scalar") << completeWith(7, "environments: desktop");
    QTest::newRow("repeated key") << complete + "name: Again\n";
    QTest::newRow("alias as text") << "other: &other Tool\n" + completeWith(0, "name: *other");
    QTest::newRow("second document") << complete + "---\n" + complete;
    QTest::newRow("syntax error") << complete + "tags: [unclosed\n";
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("latin-1") << completeWith(1, "description: caf\xE9");
}

void TestScriptMetadata::rejectsMalformedFiles() {
    QFETCH(QByteArray, text);
    QVERIFY(!readScriptMetadata(text));
}

void TestScriptMetadata::neverExpandsAliases() {
    // Nine levels of ten aliases: a billion nodes if they were expanded.
    QByteArray text = joined(fileLines()) + "laughs:\n  l0: &l0 lol\n";
    for (int level = 1; level <= 9; ++level) {
        text += "  l" + QByteArray::number(level) + ": &l" + QByteArray::number(level) + " [";
        for (int copy = 0; copy < 10; ++copy)
            text += (copy ? ", *l" : "*l") + QByteArray::number(level - 1);
        text += "]\n";
    }
    QVERIFY(readScriptMetadata(text));

    // Nesting within reason is passed over; a million levels fail.
    const auto nested = [](int depth) {
        return joined(fileLines()) + "deep: " + QByteArray(depth, '[') + QByteArray(depth, ']') +
               '\n';
    };
    QVERIFY(readScriptMetadata(nested(32)));
    QVERIFY(!readScriptMetadata(nested(1000000)));
}

QTEST_GUILESS_MAIN(TestScriptMetadata)
#include "tst_scriptmetadata.moc"
