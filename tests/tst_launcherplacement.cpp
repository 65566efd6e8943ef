#include "app/LauncherPlacement.h"

#include <QtTest>

class TestLauncherPlacement : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void placesTheLauncher_data();
    void placesTheLauncher();
};

void TestLauncherPlacement::placesTheLauncher_data() {
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("frame");
    // 0.324 × 875 = 283.5 below the top.
    QTest::newRow("1440 by 875") << QRect(0, 0, 1440, 875) << QRect(420, 284, 600, 60);
    // A 25 high panel at the top: 25 + 0.324 × 1055 = 366.82.
    QTest::newRow("panel on top") << QRect(0, 25, 1920, 1055) << QRect(660, 367, 600, 60);
    QTest::newRow("second screen right of the first")
        << QRect(1920, 0, 1280, 800) << QRect(2260, 259, 600, 60);
    QTest::newRow("panel on the left") << QRect(48, 0, 1232, 800) << QRect(364, 259, 600, 60);
    QTest::newRow("no screen") << QRect() << QRect(-300, 0, 600, 60);
}

void TestLauncherPlacement::placesTheLauncher() {
    QFETCH(QRect, available);
    QFETCH(QRect, frame);
    QCOMPARE(launcherFrame(available), frame);
}

QTEST_GUILESS_MAIN(TestLauncherPlacement)
#include "tst_launcherplacement.moc"
