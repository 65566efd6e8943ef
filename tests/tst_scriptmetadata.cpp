// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scripts/ScriptMetadataReader.h"

#include <QtTest>

// A complete file, one root key a line but for the arguments (line 6). Any scalar is its
// text, whatever it resembles, and a byte-order mark may lead.
static QByteArrayList fileLines() {
    return QByteArray("\xEF\xBB\xBFname: &anchored 'true'\ndescription: 1.0\nauthor:\nwebsite: ~\n"
                      "type: \"B\\u0061sh\"\ncommand: !!int 042\narguments:\n"
                      "  - {description: d, placeholder: p, name: who, type: s, optional: yES}\n"
                      "environments: [yes, 3]\ntags: []\nextra: [[[[[[[[1]]]]]]]]")
        .split('\n');
}

static QByteArray completeWith(qsizetype line, const QByteArray& replacement) {
    QByteArrayList lines = fileLines();
    lines[line] = replacement;
    return lines.join('\n') + '\n';
}

class TestScriptMetadata : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsEveryField();
    void rejectsMalformedFiles_data();
    void rejectsMalformedFiles();
};

void TestScriptMetadata::readsEveryField() {
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

void TestScriptMetadata::rejectsMalformedFiles_data() {
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

void TestScriptMetadata::rejectsMalformedFiles() {
    QFETCH(QByteArray, text);
    QVERIFY(!readScriptMetadata(text));
}

QTEST_GUILESS_MAIN(TestScriptMetadata)
#include "tst_scriptmetadata.moc"
