#include "scripts/ScriptMetadataReader.h"

#include <QtTest>

namespace {

const QList<QByteArray> completeArgumentFields = {"name: who", "type: string",
                                                  "placeholder: your name", "optional: Yes",
                                                  "description: whom to greet"};

// The "arguments" key with one item made of `fields`, in block style.
QByteArray argumentsWith(const QList<QByteArray>& fields) {
    return "arguments:\n  - " + fields.join("\n    ");
}

// The lines of a complete metadata file, one root key each (the one at index 6,
// "arguments", spans several lines).
QList<QByteArray> completeFileLines() {
    return {
        "name: Say Hello",
        "description: Greets someone",
        "author: Ada",
        "website: https://example.org/hello",
        "type: bash",
        "command: hello",
        argumentsWith(completeArgumentFields),
        "environments: [desktop, server]",
        "tags:\n  - greeting\n  - demo",
    };
}

QByteArray joinLines(const QList<QByteArray>& lines) {
    return lines.join('\n') + '\n';
}

} // namespace

class TestScriptMetadata : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsEveryField();
    void readsOptionalInAnyLetterCase();
    void rejectsMalformedFiles_data();
    void rejectsMalformedFiles();
    void neverExpandsAliases();
};

void TestScriptMetadata::readsEveryField() {
    const std::optional<ScriptMetadata> metadata =
        readScriptMetadata(joinLines(completeFileLines()));
    QVERIFY(metadata);
    const ScriptMetadata expected{
        "Say Hello",
        "Greets someone",
        "Ada",
        "https://example.org/hello",
        "bash",
        "hello",
        {Argument{"who", "string", "your name", true, "whom to greet"}},
        {"desktop", "server"},
        {"greeting", "demo"},
    };
    QCOMPARE(*metadata, expected);

    // Any scalar is its text, whatever it resembles; key order does not
    // matter, unknown keys are ignored, collections may be empty and a
    // byte-order mark may lead the text.
    const QByteArray loose = "\xEF\xBB\xBF"
                             "tags: []\n"
                             "environments: [yes, 3]\n"
                             "arguments: [{optional: off, note: x, description: , name: n, "
                             "type: t, placeholder: p}]\n"
                             "extra: {a: [1, 2]}\n"
                             "command: !!int 042\n"
                             "type: \"B\\u0061sh\"\n"
                             "website: ~\n"
                             "author:\n"
                             "description: 1.0\n"
                             "name: &anchored 'true'\n";
    const std::optional<ScriptMetadata> looseMetadata = readScriptMetadata(loose);
    QVERIFY(looseMetadata);
    const ScriptMetadata looseExpected{
        "true",       "1.0", "", "~", "Bash", "042", {Argument{"n", "t", "p", false, ""}},
        {"yes", "3"}, {}};
    QCOMPARE(*looseMetadata, looseExpected);
}

void TestScriptMetadata::readsOptionalInAnyLetterCase() {
    const QList<QPair<QByteArray, bool>> words = {
        {"true", true}, {"True", true}, {"yes", true},    {"YES", true},
        {"On", true},   {"oN", true},   {"false", false}, {"FALSE", false},
        {"no", false},  {"No", false},  {"off", false},   {"OFF", false}};
    for (const auto& [word, optional] : words) {
        QList<QByteArray> fields = completeArgumentFields;
        fields[3] = "optional: " + word;
        QList<QByteArray> lines = completeFileLines();
        lines[6] = argumentsWith(fields);
        const std::optional<ScriptMetadata> metadata = readScriptMetadata(joinLines(lines));
        QVERIFY2(metadata && metadata->arguments.at(0).optional == optional, word.constData());
    }
}

void TestScriptMetadata::rejectsMalformedFiles_data() {
    QTest::addColumn<QByteArray>("text");
    const QList<QByteArray> complete = completeFileLines();

    for (qsizetype omitted = 0; omitted < complete.size(); ++omitted) {
        QList<QByteArray> lines = complete;
        const QByteArray key = lines.takeAt(omitted).split(':').first();
        QTest::addRow("without %s", key.constData()) << joinLines(lines);
    }
    for (qsizetype omitted = 0; omitted < completeArgumentFields.size(); ++omitted) {
        QList<QByteArray> fields = completeArgumentFields;
        const QByteArray key = fields.takeAt(omitted).split(':').first();
        QList<QByteArray> lines = complete;
        lines[6] = argumentsWith(fields);
        QTest::addRow("argument without %s", key.constData()) << joinLines(lines);
    }

    const auto replaced = [&complete](qsizetype index, const QByteArray& line) {
        QList<QByteArray> lines = complete;
        lines[index] = line;
        return joinLines(lines);
    };
    QTest::newRow("optional 1") << replaced(6, "arguments: [{name: n, type: t, placeholder: p, "
                                               "optional: 1, description: d}]");
    QTest::newRow("optional empty") << replaced(6, "arguments: [{name: n, type: t, placeholder: "
                                                   "p, optional: , description: d}]");
    QTest::newRow("name as mapping") << replaced(0, "name: {first: a}");
    QTest::newRow("command as sequence") << replaced(5, "command: [hello]");
    QTest::newRow("arguments as scalar") << replaced(6, "arguments: none");
    QTest::newRow("argument item as scalar") << replaced(6, "arguments: [who]");
    QTest::newRow("environments as scalar") << replaced(7, "environments: desktop");
    QTest::newRow("environments as mapping") << replaced(7, "environments: {a: b}");
    QTest::newRow("tag as mapping") << replaced(8, "tags: [a, {b: c}]");
    QTest::newRow("tag as sequence") << replaced(8, "tags: [a, [b]]");
    QTest::newRow("argument field as sequence")
        << replaced(6, "arguments: [{name: [n], type: t, placeholder: p, optional: no, "
                       "description: d}]");
    QTest::newRow("repeated key") << joinLines(complete) + "name: Again\n";
    // Each anchor is defined before the alias that names it.
    QTest::newRow("alias as text") << "other: &other Tool\n" + replaced(0, "name: *other");
    QTest::newRow("alias as tags") << "list: &list [a]\n" + replaced(8, "tags: *list");
    QTest::newRow("alias as tag") << "word: &word a\n" + replaced(8, "tags: [*word]");
    QTest::newRow("alias as argument")
        << "item: &item {name: n, type: t, placeholder: p, optional: no, description: d}\n" +
               replaced(6, "arguments: [*item]");

    QTest::newRow("second document") << joinLines(complete) + "---\n" + joinLines(complete);
    QTest::newRow("second empty document") << joinLines(complete) + "---\n";
    QTest::newRow("syntax error") << joinLines(complete) + "tags: [unclosed\n";
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("only a comment") << QByteArray("# nothing here\n");
    QTest::newRow("scalar root") << QByteArray("hello\n");
    QTest::newRow("sequence root") << QByteArray("- name: hello\n");
    QTest::newRow("latin-1") << replaced(1, "description: caf\xE9");
    static const char utf16[] = "\xFF\xFEn\0a\0m\0e\0:\0 \0x\0";
    QTest::newRow("utf-16") << QByteArray(utf16, sizeof utf16 - 1);
}

void TestScriptMetadata::rejectsMalformedFiles() {
    QFETCH(QByteArray, text);
    QVERIFY(!readScriptMetadata(text));
}

void TestScriptMetadata::neverExpandsAliases() {
    // Nine levels of ten aliases each would stand for a billion nodes if they
    // were expanded. Under a key the format does not know they are skipped as
    // they stand.
    QByteArray text = joinLines(completeFileLines()) + "laughs:\n  l0: &l0 lol\n";
    for (int level = 1; level <= 9; ++level) {
        text += "  l" + QByteArray::number(level) + ": &l" + QByteArray::number(level) + " [";
        for (int copy = 0; copy < 10; ++copy)
            text += (copy ? ", *l" : "*l") + QByteArray::number(level - 1);
        text += "]\n";
    }
    QVERIFY(readScriptMetadata(text));

    // Nesting under an unknown key is passed over as long as it stays within
    // reason; a file nested a million levels deep fails without being read to
    // its end.
    const auto nestedUnderUnknownKey = [](int depth) {
        return joinLines(completeFileLines()) + "deep: " + QByteArray(depth, '[') +
               QByteArray(depth, ']') + '\n';
    };
    QVERIFY(readScriptMetadata(nestedUnderUnknownKey(32)));
    QVERIFY(!readScriptMetadata(nestedUnderUnknownKey(1000000)));
}

QTEST_GUILESS_MAIN(TestScriptMetadata)
#include "tst_scriptmetadata.moc"
