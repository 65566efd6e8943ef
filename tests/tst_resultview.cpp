#include "ui/ResultView.h"

#include <QLabel>
#include <QListView>
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
    void placeholderLineShowsOutputAsPlainText();
    void listGlidesToCentreTheSelection();
};

void TestResultView::placeholderLineShowsOutputAsPlainText() {
    ResultView view(itemHeight, 4, {});
    view.setErrorMessage(u"<b>Command error: </b>oops"_s);
    QCOMPARE(view.placeholderLine()->textFormat(), Qt::PlainText);
    view.setResultItems(items(2));
    QVERIFY(view.placeholderLine()->isHidden() && !view.listView()->isHidden());
}

void TestResultView::listGlidesToCentreTheSelection() {
    ResultView view(itemHeight, 4, {});
    view.setResultItems(items(10));
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QListView* list = view.listView();
    view.setSelectedIndex(6);
    QTRY_COMPARE(list->visualRect(list->model()->index(6, 0)).top() + itemHeight / 2,
                 list->viewport()->height() / 2);
}

QTEST_MAIN(TestResultView)
#include "tst_resultview.moc"
