#include "ui/ResultItemView.h"
#include "ui/ResultView.h"
#include "ui/VisualEffectView.h"

#include <QLabel>
#include <QListView>
#include <QPropertyAnimation>
#include <QScrollBar>
#include <QtTest>

namespace {
constexpr int itemHeight = 50;
constexpr int maxVisibleItems = 4;

ResultItem appItem(const QString& name) {
    return ResultItem{newResultId(), name, ResultType::app, QStringLiteral("/apps/") + name, {}};
}

ResultItem commandItem(const QString& name) {
    ScriptMetadata metadata;
    metadata.command = name;
    return ResultItem{newResultId(), name, ResultType::command, {}, metadata};
}

ResultItems appItems(int count) {
    ResultItems items;
    for (int i = 0; i < count; ++i)
        items.append(appItem(QStringLiteral("app %1").arg(i)));
    return items;
}

// The view as it is on screen: laid out at the launcher's width, transparent
// outside what it paints.
QImage renderOf(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, {}, {}, QWidget::DrawChildren);
    return image;
}

struct ShownResultView {
    std::optional<ResultItem> clicked;
    ResultView view{itemHeight, maxVisibleItems,
                    [this](const ResultItem& item) { clicked = item; }};

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
    void listIsFourRowsHighAtMost();
    void selectionScrollsToTheMiddleAnimated();
    void clickReportsTheRowWithoutSelectingIt();
    void rowsShowBadgesNamesAndOneHighlight();
    void backdropIsDarkTranslucentAndRounded();
};

void TestResultView::placeholderLineStandsInForAnEmptyList() {
    ResultView view(itemHeight, maxVisibleItems, {});
    QLabel* line = view.placeholderLine();
    QCOMPARE(line->text(), QStringLiteral("No results"));
    QCOMPARE(line->palette().color(QPalette::WindowText), ResultView::placeholderColor());
    QCOMPARE(line->height(), itemHeight);
    QCOMPARE(view.contentHeight(), itemHeight);
    QCOMPARE(view.sizeHint().height(), itemHeight);

    view.setErrorMessage(QString());
    QCOMPARE(line->text(), QStringLiteral("No results"));
    QCOMPARE(line->palette().color(QPalette::WindowText), ResultView::placeholderColor());

    // Script output is shown as it is, never as markup.
    const QString message = QStringLiteral("<b>Command error: </b>oops");
    view.setErrorMessage(message);
    QCOMPARE(line->text(), message);
    QCOMPARE(line->textFormat(), Qt::PlainText);
    QCOMPARE(line->palette().color(QPalette::WindowText), ResultView::messageColor());

    view.setResultItems(appItems(2));
    QVERIFY(line->isHidden());
    QVERIFY(!view.listView()->isHidden());

    view.setResultItems({});
    QVERIFY(!line->isHidden());
    QVERIFY(view.listView()->isHidden());
    QCOMPARE(line->text(), message);
}

void TestResultView::listIsFourRowsHighAtMost() {
    ShownResultView two(appItems(2));
    QCOMPARE(two.view.height(), 2 * itemHeight);
    QCOMPARE(two.view.listView()->height(), 2 * itemHeight);
    QTRY_COMPARE(two.scrollBar()->maximum(), 0);

    ShownResultView ten(appItems(10));
    QCOMPARE(ten.view.height(), maxVisibleItems * itemHeight);
    QTRY_COMPARE(ten.scrollBar()->maximum(), (10 - maxVisibleItems) * itemHeight);

    ten.view.setResultItems(appItems(3));
    QCOMPARE(ten.view.height(), 3 * itemHeight);
    QCOMPARE(ten.view.sizeHint().height(), 3 * itemHeight);
}

void TestResultView::selectionScrollsToTheMiddleAnimated() {
    ShownResultView shown(appItems(10));
    QTRY_COMPARE(shown.scrollBar()->maximum(), 6 * itemHeight);
    auto* animation = shown.view.findChild<QPropertyAnimation*>();
    QVERIFY(animation);

    shown.view.setSelectedIndex(6);
    // The scroll starts where the list stood and glides to its target.
    QCOMPARE(animation->state(), QAbstractAnimation::Running);
    QCOMPARE(shown.scrollBar()->value(), 0);
    const int centredOnRowSix = 6 * itemHeight + itemHeight / 2 - 2 * itemHeight;
    QTRY_COMPARE(shown.scrollBar()->value(), centredOnRowSix);
    QCOMPARE(shown.rowRect(6).top() + itemHeight / 2,
             shown.view.listView()->viewport()->height() / 2);

    // Near the end the list cannot centre the row; it scrolls as far as it goes.
    shown.view.setSelectedIndex(9);
    QTRY_COMPARE(shown.scrollBar()->value(), shown.scrollBar()->maximum());

    // An index that no row carries scrolls nowhere.
    shown.view.setSelectedIndex(42);
    QCOMPARE(animation->state(), QAbstractAnimation::Stopped);
    QCOMPARE(shown.scrollBar()->value(), shown.scrollBar()->maximum());

    // A new list starts at its top, with its first row selected.
    shown.view.setResultItems(appItems(8));
    shown.view.setSelectedIndex(0);
    QCOMPARE(shown.scrollBar()->value(), 0);
}

void TestResultView::clickReportsTheRowWithoutSelectingIt() {
    const ResultItems items{appItem(QStringLiteral("calc")), commandItem(QStringLiteral("deploy")),
                            appItem(QStringLiteral("editor"))};
    ShownResultView shown(items);
    QTest::mouseClick(shown.view.listView()->viewport(), Qt::LeftButton, {},
                      shown.rowRect(2).center());
    QVERIFY(shown.clicked);
    QCOMPARE(shown.clicked->id, items.at(2).id);
    QCOMPARE(shown.view.selectedIndex(), 0);

    QTest::mouseClick(shown.view.listView()->viewport(), Qt::LeftButton, {},
                      shown.rowRect(1).center());
    QCOMPARE(shown.clicked->id, items.at(1).id);
    QCOMPARE(shown.clicked->metadata->command, QStringLiteral("deploy"));
}

void TestResultView::rowsShowBadgesNamesAndOneHighlight() {
    const ResultItems items{appItem(QStringLiteral("calc")), commandItem(QStringLiteral("deploy")),
                            appItem(QStringLiteral("Ünïcode & <tags>"))};
    ShownResultView shown(items);
    QAbstractItemModel* model = shown.view.listView()->model();
    for (int row = 0; row < items.size(); ++row)
        QCOMPARE(model->index(row, 0).data().toString(), items.at(row).name);
    QCOMPARE(ResultItemView::badgeText(ResultType::app), QStringLiteral("app"));
    QCOMPARE(ResultItemView::badgeText(ResultType::command), QStringLiteral("command"));

    // Points inside the list that lie off the badge text and the name.
    const QPoint listOrigin = shown.view.listView()->viewport()->mapTo(&shown.view, QPoint());
    const auto badgeSpot = [&](int row) {
        const QRect badge = shown.view.itemView()->badgeRect(shown.rowRect(row), items[row].type);
        return listOrigin + QPoint(badge.left() + 2, badge.center().y());
    };
    const auto rowSpot = [&](int row) {
        return listOrigin +
               QPoint(shown.rowRect(row).right() - 20, shown.rowRect(row).center().y());
    };
    // Beside the highlight, level with the row: the bare backdrop.
    const auto besideSpot = [&](int row) {
        return listOrigin + QPoint(shown.rowRect(row).right() - 3, shown.rowRect(row).center().y());
    };

    shown.view.setSelectedIndex(1);
    QImage image = renderOf(shown.view);
    const QColor appBadge = image.pixelColor(badgeSpot(0));
    const QColor commandBadge = image.pixelColor(badgeSpot(1));
    QVERIFY2(appBadge.green() > 120 && appBadge.red() < 90, qPrintable(appBadge.name()));
    QVERIFY2(commandBadge.red() > 150 && commandBadge.green() < 90,
             qPrintable(commandBadge.name()));

    QCOMPARE(image.pixelColor(rowSpot(0)), image.pixelColor(besideSpot(0)));
    QCOMPARE(image.pixelColor(rowSpot(2)), image.pixelColor(besideSpot(2)));
    const QColor highlighted = image.pixelColor(rowSpot(1));
    const QColor plain = image.pixelColor(besideSpot(1));
    QVERIFY2(highlighted.blue() > plain.blue() + 20 && highlighted.blue() > highlighted.red() + 20,
             qPrintable(highlighted.name() + QLatin1Char(' ') + plain.name()));

    // With the selection outside the list, no row is highlighted.
    shown.view.setSelectedIndex(7);
    image = renderOf(shown.view);
    for (int row = 0; row < items.size(); ++row)
        QCOMPARE(image.pixelColor(rowSpot(row)), image.pixelColor(besideSpot(row)));
}

void TestResultView::backdropIsDarkTranslucentAndRounded() {
    VisualEffectView backdrop(10);
    backdrop.resize(580, 50);
    const QImage image = renderOf(backdrop);
    QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
    QCOMPARE(image.pixelColor(579, 49).alpha(), 0);
    const QColor middle = image.pixelColor(290, 25);
    QVERIFY2(middle.alpha() > 150 && middle.alpha() < 255,
             qPrintable(middle.name(QColor::HexArgb)));
    QVERIFY2(middle.lightness() < 80, qPrintable(middle.name(QColor::HexArgb)));
}

QTEST_MAIN(TestResultView)
#include "tst_resultview.moc"
