#include "ui/ResultView.h"

#include <QLabel>
#include <QListView>
#include <QScrollBar>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
constexpr int itemHeight = 50;

ResultItems items(int count) {
    ResultItems result;
    for (int i = 0; i < count; ++i)
        result.append(
            {newResultId(), u"app %1"_s.arg(i), ResultType::app, u"/apps/%1"_s.arg(i), {}});
    return result;
}
} // namespace

class TestResultView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void placeholderLineStandsInForAnEmptyList();
    void listScrollsAndHighlightsTheSelection();
};

void TestResultView::placeholderLineStandsInForAnEmptyList() {
    ResultView view(itemHeight, 4, {});
    QLabel* line = view.placeholderLine();
    QCOMPARE(line->text(), u"No results"_s);
    QCOMPARE(view.sizeHint().height(), itemHeight);
    // Script output is shown as it is, never as markup.
    const QString message = u"<b>Command error: </b>oops"_s;
    view.setErrorMessage(message);
    QCOMPARE(line->text(), message);
    QCOMPARE(line->textFormat(), Qt::PlainText);
    QCOMPARE(line->palette().color(QPalette::WindowText), ResultView::messageColor());
    view.setResultItems(items(2));
    QVERIFY(line->isHidden() && !view.listView()->isHidden());
}

void TestResultView::listScrollsAndHighlightsTheSelection() {
    ResultView view(itemHeight, 4, {});
    view.setFixedWidth(600);
    view.setResultItems(items(10));
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QListView* list = view.listView();
    const auto row = [&](int index) { return list->visualRect(list->model()->index(index, 0)); };
    QCOMPARE(view.height(), 4 * itemHeight);

    // The list glides from where it stood until the selected row is in the middle.
    view.setSelectedIndex(6);
    QCOMPARE(list->verticalScrollBar()->value(), 0);
    QTRY_COMPARE(row(6).top() + itemHeight / 2, list->viewport()->height() / 2);
    // Near the end the list cannot centre the row; it scrolls as far as it goes.
    view.setSelectedIndex(9);
    QTRY_COMPARE(list->verticalScrollBar()->value(), list->verticalScrollBar()->maximum());

    // 20 pixels in from a row's right edge lies in any highlight; 3 pixels in, beside it.
    view.setResultItems(items(3));
    view.setSelectedIndex(1);
    QCOMPARE(view.height(), 3 * itemHeight);
    const QImage image = view.grab().toImage();
    const QPoint origin = list->viewport()->mapTo(&view, QPoint());
    const auto pixel = [&](int index, int fromRight) {
        return image.pixelColor(origin +
                                QPoint(row(index).right() - fromRight, row(index).center().y()));
    };
    QCOMPARE(pixel(0, 20), pixel(0, 3));
    QCOMPARE(pixel(2, 20), pixel(2, 3));
    QVERIFY2(pixel(1, 20).blue() > pixel(1, 3).blue() + 20, qPrintable(pixel(1, 20).name()));
}

QTEST_MAIN(TestResultView)
#include "tst_resultview.moc"
