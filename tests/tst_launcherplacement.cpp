// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/window/LauncherPlacement.h"
#include "app/window/MainScreenChoice.h"

#include <QtTest>

#include <optional>

using OptionalRect = std::optional<QRect>;
using OptionalPoint = std::optional<QPoint>;
Q_DECLARE_METATYPE(OptionalRect)
Q_DECLARE_METATYPE(OptionalPoint)

class TestLauncherPlacement : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void placesTheLauncher_data();
    void placesTheLauncher();
    void choosesTheScreenTheUserWorksOn_data();
    void choosesTheScreenTheUserWorksOn();
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
    // 2880 by 1800 at scale 2: 1200 by 120 device pixels at (840, 584).
    QTest::newRow("scale 2") << QRect(0, 0, 1440, 900) << QRect(420, 292, 600, 60);
    QTest::newRow("no screen") << QRect() << QRect(-300, 0, 600, 60);
}

void TestLauncherPlacement::placesTheLauncher() {
    QFETCH(QRect, available);
    QFETCH(QRect, frame);
    QCOMPARE(launcherFrame(available), frame);
}

void TestLauncherPlacement::choosesTheScreenTheUserWorksOn_data() {
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<qsizetype>("primary");
    QTest::addColumn<OptionalRect>("activeWindow");
    QTest::addColumn<OptionalPoint>("pointer");
    // -1: no screen at all.
    QTest::addColumn<qsizetype>("chosen");

    const QList<QRect> sideBySide{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1920, 1080)};
    const QList<QRect> stacked{QRect(0, 0, 1920, 1080), QRect(0, 1080, 1920, 1080)};
    // A 2880 by 1800 screen at scale 2 beside a 1280 by 800 one at scale 1, in
    // device pixels; in logical ones the first would end at 1440.
    const QList<QRect> mixedScales{QRect(0, 0, 2880, 1800), QRect(2880, 0, 1280, 800)};
    // The primary screen on the right, another one left of it.
    const QList<QRect> leftOfOrigin{QRect(-1280, 0, 1280, 1024), QRect(0, 0, 1920, 1080)};
    const OptionalRect none;
    const OptionalPoint nowhere;

    QTest::newRow("side by side, window on the second")
        << sideBySide << qsizetype(0) << OptionalRect(QRect(2200, 300, 800, 600)) << nowhere
        << qsizetype(1);
    QTest::newRow("window on the first, pointer on the second")
        << sideBySide << qsizetype(1) << OptionalRect(QRect(100, 100, 800, 600))
        << OptionalPoint(QPoint(3000, 500)) << qsizetype(0);
    QTest::newRow("stacked, window on the lower")
        << stacked << qsizetype(0) << OptionalRect(QRect(200, 1300, 640, 480)) << nowhere
        << qsizetype(1);
    QTest::newRow("mixed scales, window beyond the first's logical width")
        << mixedScales << qsizetype(1) << OptionalRect(QRect(1700, 800, 800, 600)) << nowhere
        << qsizetype(0);
    QTest::newRow("mixed scales, window on the smaller")
        << mixedScales << qsizetype(0) << OptionalRect(QRect(3000, 100, 600, 400)) << nowhere
        << qsizetype(1);
    QTest::newRow("negative coordinates")
        << leftOfOrigin << qsizetype(1) << OptionalRect(QRect(-1000, 200, 640, 480)) << nowhere
        << qsizetype(0);
    QTest::newRow("straddling, centre on the second")
        << sideBySide << qsizetype(0) << OptionalRect(QRect(1700, 100, 600, 400)) << nowhere
        << qsizetype(1);
    QTest::newRow("straddling, centre on the first")
        << sideBySide << qsizetype(1) << OptionalRect(QRect(1500, 100, 600, 400)) << nowhere
        << qsizetype(0);
    QTest::newRow("no active window, pointer on the second")
        << sideBySide << qsizetype(0) << none << OptionalPoint(QPoint(2000, 10)) << qsizetype(1);
    QTest::newRow("active window off every screen, pointer on the first")
        << sideBySide << qsizetype(1) << OptionalRect(QRect(5000, 5000, 300, 200))
        << OptionalPoint(QPoint(10, 10)) << qsizetype(0);
    QTest::newRow("empty active window, pointer on the second")
        << sideBySide << qsizetype(0) << OptionalRect(QRect(100, 100, 0, 0))
        << OptionalPoint(QPoint(2000, 10)) << qsizetype(1);
    // The gap under the smaller screen belongs to no screen.
    QTest::newRow("pointer off every screen")
        << mixedScales << qsizetype(0) << none << OptionalPoint(QPoint(3000, 1000)) << qsizetype(0);
    QTest::newRow("nothing known")
        << leftOfOrigin << qsizetype(1) << none << nowhere << qsizetype(1);
    QTest::newRow("primary names no screen")
        << sideBySide << qsizetype(-1) << none << nowhere << qsizetype(0);
    QTest::newRow("no screen") << QList<QRect>() << qsizetype(-1)
                               << OptionalRect(QRect(0, 0, 100, 100))
                               << OptionalPoint(QPoint(10, 10)) << qsizetype(-1);
}

void TestLauncherPlacement::choosesTheScreenTheUserWorksOn() {
    QFETCH(QList<QRect>, screens);
    QFETCH(qsizetype, primary);
    QFETCH(OptionalRect, activeWindow);
    QFETCH(OptionalPoint, pointer);
    QFETCH(qsizetype, chosen);
    QCOMPARE(chooseMainScreen(screens, primary, activeWindow, pointer).value_or(-1), chosen);
}

QTEST_GUILESS_MAIN(TestLauncherPlacement)
#include "tst_launcherplacement.moc"
