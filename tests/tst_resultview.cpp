// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/panel/ResultView.h"

#include <QLabel>
#include <QListView>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
constexpr int itemHeight = 50;

ResultItems items(int count) {
    QHash<QString, QString> pathsByName;
    for (int i = 0; i < count; ++i)
        pathsByName.insert(u"app %1"_s.arg(i), u"/apps/%1"_s.arg(i));
    ResultItems result(std::make_shared<const AppIndex>(pathsByName),
                       std::make_shared<const ScriptCatalogue>());
    for (int i = 0; i < count; ++i)
        result.appendApp(static_cast<uint32_t>(i));
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
