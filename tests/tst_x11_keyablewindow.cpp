// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "VirtualDesktop.h"
#include "app/hotkey/HotKey.h"
#include "app/hotkey/ShortcutParser.h"
#include "app/window/KeyableWindow.h"
#include "app/window/LauncherPlacement.h"
#include "platform/x11/CompositorCheck.h"

#include <QPainter>
#include <QScreen>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QColor panelColour(20, 20, 60, 200);

// Content shaped like the launcher's: a rounded field 580 by 50 inset in a
// 600 by 60 strip, and, once grown, a rounded area 20 below it.
class RoundedContent : public QWidget {
public:
    int resultHeight = 0;

    QSize sizeHint() const override {
        return {600, resultHeight > 0 ? 60 + 20 + resultHeight : 60};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(panelColour);
        painter.drawRoundedRect(QRectF(10, 5, 580, 50), 10, 10);
        if (resultHeight > 0)
            painter.drawRoundedRect(QRectF(0, 80, 600, resultHeight), 10, 10);
    }
};

bool isPanel(QRgb pixel) {
    return qBlue(pixel) > qRed(pixel) + 20 && qRed(pixel) < 200;
}

} // namespace

class TestX11KeyableWindow : public QObject {
    Q_OBJECT

public:
    explicit TestX11KeyableWindow(VirtualDesktop& desktop)
        : _desktop(desktop) {}

private Q_SLOTS:
    void cornersAndGapShowTheDesktop_data();
    void cornersAndGapShowTheDesktop();

private:
    std::unique_ptr<KeyableWindow> showWindow(bool translucent, int resultHeight = 0);

    VirtualDesktop& _desktop;
    int _framesPresented = 0;
};

std::unique_ptr<KeyableWindow> TestX11KeyableWindow::showWindow(bool translucent,
                                                                int resultHeight) {
    auto window = std::make_unique<KeyableWindow>(translucent);
    auto* content = new RoundedContent;
    content->resultHeight = resultHeight;
    window->setContentView(content);
    const QRect frame = launcherFrame(QGuiApplication::primaryScreen()->availableGeometry());
    window->setGeometry(QRect(frame.topLeft(), content->sizeHint()));
    _framesPresented = 0;
    connect(window.get(), &KeyableWindow::framePresented, this, [this] { ++_framesPresented; });
    // Shown on a hotkey press, as the launcher is: the window manager lets a
    // window take the focus in answer to the user's latest action.
    const ParsedShortcut shortcut = *parseShortcut(u"⌃⌥W"_s);
    HotKey hotKey(shortcut.keyCode, shortcut.modifiers);
    hotKey.setKeyDownHandler([&] {
        QTimer::singleShot(0, window.get(), [&] {
            window->show();
            window->raise();
            window->activateWindow();
        });
    });
    if (!_desktop.press(u"ctrl+alt+w"_s) || !QTest::qWaitFor([&] { return window->isVisible(); }))
        return nullptr;
    return window;
}

void TestX11KeyableWindow::cornersAndGapShowTheDesktop_data() {
    QTest::addColumn<bool>("compositor");
    QTest::newRow("shaped, without a compositor") << false;
    QTest::newRow("translucent, with a compositor") << true;
}

void TestX11KeyableWindow::cornersAndGapShowTheDesktop() {
    QFETCH(bool, compositor);
    if (compositor)
        QVERIFY(_desktop.startCompositor());
    QTRY_COMPARE(isCompositorRunning(), compositor);
    auto window = showWindow(compositor, 100);
    QVERIFY(window);
    QCOMPARE(window->isTranslucent(), compositor);
    QCOMPARE(window->testAttribute(Qt::WA_TranslucentBackground), compositor);
    const QRect frame(340, 259, 600, 180);
    QTRY_COMPARE(_desktop.shownGeometry(window->winId()), frame);
    // Without a compositor the shape follows the painted content once the
    // window has settled.
    if (!compositor)
        QTRY_VERIFY(!window->mask().isEmpty() && !window->mask().contains(QPoint(0, 80 + 99)));
    else
        QVERIFY(window->mask().isEmpty());

    QImage screen;
    QTRY_VERIFY((screen = _desktop.screenshot(),
                 !screen.isNull() && isPanel(screen.pixel(frame.center()))));
    const auto at = [&](int x, int y) { return screen.pixel(frame.topLeft() + QPoint(x, y)); };
    const QRgb desktop = screen.pixel(5, 5);
    QVERIFY(isPanel(at(300, 130))); // the result area
    // The corner, the field's rounded corner, above the field, the gap, the
    // result area's rounded corners.
    for (const QPoint& point : {QPoint(0, 0), QPoint(11, 6), QPoint(300, 2), QPoint(300, 70),
                                QPoint(0, 80), QPoint(599, 179)})
        QVERIFY2(at(point.x(), point.y()) == desktop,
                 qPrintable(u"%1,%2"_s.arg(point.x()).arg(point.y())));
    // With a compositor the field is the panel colour blended with the white
    // desktop behind it.
    if (compositor)
        QVERIFY(qRed(at(300, 30)) > panelColour.red() + 20);
    else
        QVERIFY(isPanel(at(300, 30)));
    // Drawn, and told once, whether composited or shaped.
    QTRY_COMPARE(_framesPresented, 1);
    window.reset();
    _desktop.stopCompositor();
    QTRY_VERIFY(!isCompositorRunning());
}

VANTRI_X11_TEST_MAIN(TestX11KeyableWindow)
#include "tst_x11_keyablewindow.moc"
