#include "app/AppVersion.h"
#include "ui/MoreInfoView.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {

// The label and value texts of the sheet's rows, top to bottom.
QList<QPair<QString, QString>> rows(const MoreInfoView& sheet) {
    const auto* box = sheet.findChild<QGroupBox*>();
    QList<QLabel*> labels = box->findChildren<QLabel*>();
    std::sort(labels.begin(), labels.end(), [](QLabel* a, QLabel* b) {
        return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
    });
    QList<QPair<QString, QString>> result;
    for (qsizetype index = 0; index + 1 < labels.size(); index += 2)
        result.append({labels[index]->text(), labels[index + 1]->text()});
    return result;
}

} // namespace

class TestMoreInfoView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void versionTextNamesMissingValuesUnknown_data();
    void versionTextNamesMissingValuesUnknown();
    void sheetShowsItsFiveRowsInOrder();
    void returnPressesClose();
};

void TestMoreInfoView::versionTextNamesMissingValuesUnknown_data() {
    QTest::addColumn<std::optional<QString>>("shortVersion");
    QTest::addColumn<std::optional<QString>>("buildVersion");
    QTest::addColumn<QString>("text");
    const std::optional<QString> none;
    QTest::newRow("both") << std::optional(QStringLiteral("1.2"))
                          << std::optional(QStringLiteral("7")) << QStringLiteral("v1.2(7)");
    QTest::newRow("no build") << std::optional(QStringLiteral("1.2")) << none
                              << QStringLiteral("v1.2(Unknown)");
    QTest::newRow("no short version")
        << none << std::optional(QStringLiteral("7")) << QStringLiteral("vUnknown(7)");
    QTest::newRow("neither") << none << none << QStringLiteral("vUnknown(Unknown)");
    QTest::newRow("placeholders stay literal")
        << std::optional(QStringLiteral("%2")) << std::optional(QStringLiteral("%1"))
        << QStringLiteral("v%2(%1)");
}

void TestMoreInfoView::versionTextNamesMissingValuesUnknown() {
    QFETCH(std::optional<QString>, shortVersion);
    QFETCH(std::optional<QString>, buildVersion);
    QFETCH(QString, text);
    QCOMPARE(appVersionString(shortVersion, buildVersion), text);
}

void TestMoreInfoView::sheetShowsItsFiveRowsInOrder() {
    QWidget window;
    MoreInfoView sheet(&window);
    sheet.show();
    QVERIFY(QTest::qWaitForWindowExposed(&sheet));

    QStringList texts;
    for (const QLabel* label : sheet.findChildren<QLabel*>())
        texts.append(label->text());
    QVERIFY(texts.contains(QStringLiteral("Vantri Launcher Support")));

    const auto shown = rows(sheet);
    QCOMPARE(shown.size(), 5);
    const QStringList labels = {QStringLiteral("Version:"), QStringLiteral("Developer:"),
                                QStringLiteral("Email:"), QStringLiteral("Website:"),
                                QStringLiteral("Scripts Repo:")};
    for (int index = 0; index < labels.size(); ++index) {
        QCOMPARE(shown[index].first, labels[index]);
        QVERIFY(!shown[index].second.isEmpty());
    }
    QCOMPARE(shown[0].second, appVersionString());
    QVERIFY(QRegularExpression(QStringLiteral("^v\\d+\\.\\d+\\.\\d+\\(\\d+\\)$"))
                .match(shown[0].second)
                .hasMatch());
    QVERIFY(shown[2].second.contains(u'@'));
    QVERIFY(shown[3].second.startsWith(QStringLiteral("https://")));
    QVERIFY(shown[4].second.startsWith(QStringLiteral("https://")));
}

void TestMoreInfoView::returnPressesClose() {
    QWidget window;
    window.show();
    auto* sheet = new MoreInfoView(&window);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    QSignalSpy finished(sheet, &QDialog::finished);
    sheet->open();
    QVERIFY(QTest::qWaitForWindowExposed(sheet));
    QVERIFY(sheet->isModal() || sheet->windowModality() == Qt::WindowModal);

    const QList<QPushButton*> buttons = sheet->findChildren<QPushButton*>();
    QCOMPARE(buttons.size(), 1);
    QCOMPARE(buttons[0]->text(), QStringLiteral("Close"));
    QVERIFY(buttons[0]->isDefault());

    QTest::keyClick(sheet, Qt::Key_Return);
    QCOMPARE(finished.size(), 1);
    QVERIFY(!sheet->isVisible());
}

QTEST_MAIN(TestMoreInfoView)
#include "tst_moreinfoview.moc"
