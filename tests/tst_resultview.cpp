#include "ui/ResultView.h"

#include <QLabel>
#include <QListView>
#include <QPropertyAnimation>
#include <QScrollBar>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
constexpr int itemHeight = 50;
constexpr int maxVisibleItems = 4;

ResultItems items(int count) {
    ResultItems result;
    for (int i = 0; i < count; ++i)
        result.append(
            {newResultId(), u"app %1"_s.arg(i), ResultType::app, u"/apps/%1"_s.arg(i), {}});
    return result;
}

// The view as it is on screen, at the launcher's width.
struct ShownResultView {
    ResultView view{itemHeight, maxVisibleItems, {}};

    explicit ShownResultView(const ResultItems& items) {
        view.setFixedWidth(600);
        view.setResultItems(items);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }

    QScrollBar* scrollBar() const { return view.listView()->verticalScrollBar(); }
    QRect rowRect(int row) const {
        return view.listView()->visualRect(view.listView()->model()->index(row, 0));
    }
};
} // namespace

class TestResultView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void placeholderLineStandsInForAnEmptyList();
    void listScrollsTheSelectionToTheMiddle();
    void onlyTheSelectedRowIsHighlighted();
};

void TestResultView::placeholderLineStandsInForAnEmptyList() {
    ResultView view(itemHeight, maxVisibleItems, {});
    QLabel* line = view.placeholderLine();
    QCOMPARE(line->text(), u"No results"_s);
    QCOMPARE(view.sizeHint().height(), itemHeight);
    view.setErrorMessage(QString());
    QCOMPARE(line->text(), u"No results"_s);
    QCOMPARE(line->palette().color(QPalette::WindowText), ResultView::placeholderColor());

    // Script output is shown as it is, never as markup.
    const QString message = u"<b>Command error: </b>oops"_s;
    view.setErrorMessage(message);
    QCOMPARE(line->text(), message);
    QCOMPARE(line->textFormat(), Qt::PlainText);
    QCOMPARE(line->palette().color(QPalette::WindowText), ResultView::messageColor());

    view.setResultItems(items(2));
    QVERIFY(line->isHidden());
    QVERIFY(!view.listView()->isHidden());
    view.setResultItems({});
    QVERIFY(view.listView()->isHidden());
    QCOMPARE(line->text(), message);
}

void TestResultView::listScrollsTheSelectionToTheMiddle() {
    ShownResultView shown(items(10));
    QCOMPARE(shown.view.height(), maxVisibleItems * itemHeight);
    QTRY_COMPARE(shown.scrollBar()->maximum(), 6 * itemHeight);
    auto* animation = shown.view.findChild<QPropertyAnimation*>();
    QVERIFY(animation);

    // The scroll starts where the list stood and glides to its target.
    shown.view.setSelectedIndex(6);
    QCOMPARE(animation->state(), QAbstractAnimation::Running);
    QCOMPARE(shown.scrollBar()->value(), 0);
    QTRY_COMPARE(shown.rowRect(6).top() + itemHeight / 2,
                 shown.view.listView()->viewport()->height() / 2);

    // Near the end the list cannot centre the row; it scrolls as far as it goes.
    shown.view.setSelectedIndex(9);
    QTRY_COMPARE(shown.scrollBar()->value(), shown.scrollBar()->maximum());

    // A new, shorter list is as high as its rows and starts at its top.
    shown.view.setResultItems(items(2));
    shown.view.setSelectedIndex(0);
    QCOMPARE(shown.view.height(), 2 * itemHeight);
    QCOMPARE(shown.scrollBar()->value(), 0);
}

void TestResultView::onlyTheSelectedRowIsHighlighted() {
    ShownResultView shown(items(3));
    const QPoint origin = shown.view.listView()->viewport()->mapTo(&shown.view, QPoint());
    // 20 pixels in from a row's right edge lies off its text, in any highlight;
    // 3 pixels in lies beside the highlight, on the bare backdrop.
    const auto pixel = [&](const QImage& image, int row, int fromRight) {
        return image.pixelColor(origin + QPoint(shown.rowRect(row).right() - fromRight,
                                                shown.rowRect(row).center().y()));
    };
    shown.view.setSelectedIndex(1);
    QImage image = shown.view.grab().toImage();
    QCOMPARE(pixel(image, 0, 20), pixel(image, 0, 3));
    QCOMPARE(pixel(image, 2, 20), pixel(image, 2, 3));
    const QColor highlighted = pixel(image, 1, 20);
    QVERIFY2(highlighted.blue() > pixel(image, 1, 3).blue() + 20 &&
                 highlighted.blue() > highlighted.red() + 20,
             qPrintable(highlighted.name()));

    // With the selection outside the list, no row is highlighted.
    shown.view.setSelectedIndex(7);
    image = shown.view.grab().toImage();
    for (int row = 0; row < 3; ++row)
        QCOMPARE(pixel(image, row, 20), pixel(image, row, 3));
}

QTEST_MAIN(TestResultView)
#include "tst_resultview.moc"
