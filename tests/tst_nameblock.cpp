// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "text/NameBlock.h"

#include <QtTest>

using Positions = std::vector<uint32_t>;
Q_DECLARE_METATYPE(Positions)

class TestNameBlock : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void findsEntriesOfSeveralNames_data();
    void findsEntriesOfSeveralNames();
};

void TestNameBlock::findsEntriesOfSeveralNames_data() {
    QTest::addColumn<int>("namesPerEntry");
    QTest::addColumn<QByteArray>("needle");
    QTest::addColumn<Positions>("found");
    // The block holds "alpha", "beta" | "gamma", "alpaca" | "delta", "" | "omega".
    QTest::newRow("one name each") << 1 << QByteArray("ta") << Positions{1, 4};
    QTest::newRow("first name of an entry") << 2 << QByteArray("gam") << Positions{1};
    QTest::newRow("second name of an entry") << 2 << QByteArray("paca") << Positions{1};
    QTest::newRow("both names, listed once") << 2 << QByteArray("alp") << Positions{0, 1};
    QTest::newRow("one letter in every entry") << 2 << QByteArray("a") << Positions{0, 1, 2, 3};
    QTest::newRow("the short last entry") << 2 << QByteArray("meg") << Positions{3};
    QTest::newRow("never across two names") << 2 << QByteArray("ha\0be", 5) << Positions{};
    QTest::newRow("nothing") << 2 << QByteArray("zz") << Positions{};
    QTest::newRow("three names each") << 3 << QByteArray("a") << Positions{0, 1, 2};
}

void TestNameBlock::findsEntriesOfSeveralNames() {
    QFETCH(int, namesPerEntry);
    QFETCH(QByteArray, needle);
    QFETCH(Positions, found);
    NameBlock block;
    for (const char* name : {"alpha", "beta", "gamma", "alpaca", "delta", "", "omega"})
        block.append(name);
    QCOMPARE(
        block.find(std::string_view(needle.constData(), static_cast<std::size_t>(needle.size())),
                   static_cast<uint32_t>(namesPerEntry)),
        found);
}

QTEST_GUILESS_MAIN(TestNameBlock)
#include "tst_nameblock.moc"
