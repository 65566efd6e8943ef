#include "VirtualDesktop.h"
#include "app/HotKey.h"
#include "app/KeyableWindow.h"
#include "app/LauncherPlacement.h"
#include "app/ShortcutParser.h"
#include "platform/CompositorCheck.h"

#include <QPainter>
#include <QScreen>
#include <QtTest>

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
    void takesTheFocusWhereItIsPlaced();
    void withoutCompositorCornersAndGapShowTheDesktop();
    void withCompositorItIsTranslucent();

private:
    std::unique_ptr<KeyableWindow> showWindow(bool translucent, int resultHeight = 0);

    VirtualDesktop& _desktop;
};

std::unique_ptr<KeyableWindow> TestX11KeyableWindow::showWindow(bool translucent,
                                                                int resultHeight) {
    auto window = std::make_unique<KeyableWindow>(translucent);
    auto* content = new RoundedContent;
    content->resultHeight = resultHeight;
    window->setContentView(content);
    const QRect frame = launcherFrame(QGuiApplication::primaryScreen()->availableGeometry());
    window->setGeometry(QRect(frame.topLeft(), content->sizeHint()));
    // Shown on a hotkey press, as the launcher is: the window manager lets a
    // window take the focus in answer to the user's latest action.
    const ParsedShortcut shortcut = parseShortcut(QStringLiteral("⌃⌥W"));
    HotKey hotKey(shortcut.keyCode, shortcut.modifiers);
    hotKey.setKeyDownHandler([&] {
        QTimer::singleShot(0, window.get(), [&] {
            window->show();
            window->raise();
            window->activateWindow();
        });
    });
    if (!_desktop.press(QStringLiteral("ctrl+alt+w")) ||
        !QTest::qWaitFor([&] { return window->isVisible(); }))
        return nullptr;
    return window;
}

void TestX11KeyableWindow::takesTheFocusWhereItIsPlaced() {
    QVERIFY(!isCompositorRunning());
    auto window = showWindow(false);
    QVERIFY(window);
    QVERIFY(window->windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    // 1280 by 800 screen: centred, 0.324 × 800 = 259 below the top.
    QTRY_COMPARE(_desktop.shownGeometry(window->winId()), QRect(340, 259, 600, 60));
    QTRY_VERIFY(window->isActiveWindow());
    QTRY_COMPARE(_desktop.activeWindow(), quint64(window->winId()));

    // Growing keeps the top edge.
    window->resize(600, 180);
    QTRY_COMPARE(_desktop.shownGeometry(window->winId()), QRect(340, 259, 600, 180));
}

void TestX11KeyableWindow::withoutCompositorCornersAndGapShowTheDesktop() {
    auto window = showWindow(false, 100);
    QVERIFY(window);
    QVERIFY(!window->isTranslucent());
    const QRect frame(340, 259, 600, 180);
    QTRY_COMPARE(_desktop.shownGeometry(window->winId()), frame);
    // The shape follows the painted content once the window has settled.
    QTRY_VERIFY(!window->mask().isEmpty() && !window->mask().contains(QPoint(0, 80 + 99)));

    QImage screen;
    QTRY_VERIFY((screen = _desktop.screenshot(),
                 !screen.isNull() && isPanel(screen.pixel(frame.center()))));
    const auto at = [&](int x, int y) { return screen.pixel(frame.topLeft() + QPoint(x, y)); };
    // The desktop, far from the window.
    const QRgb background = screen.pixel(5, 5);
    const auto isBackground = [&](QRgb pixel) { return pixel == background; };
    QVERIFY(isPanel(at(300, 30)));  // the field
    QVERIFY(isPanel(at(300, 130))); // the result area
    QVERIFY(isBackground(at(0, 0)));
    QVERIFY(isBackground(at(11, 6)));   // the field's rounded corner
    QVERIFY(isBackground(at(300, 2)));  // above the field
    QVERIFY(isBackground(at(300, 70))); // the gap
    QVERIFY(isBackground(at(0, 80)));   // the result area's rounded corner
    QVERIFY(isBackground(at(599, 179)));
}

void TestX11KeyableWindow::withCompositorItIsTranslucent() {
    QVERIFY(_desktop.startCompositor());
    QTRY_VERIFY(isCompositorRunning());
    auto window = showWindow(isCompositorRunning(), 100);
    QVERIFY(window);
    QVERIFY(window->isTranslucent());
    QVERIFY(window->testAttribute(Qt::WA_TranslucentBackground));
    const QRect frame(340, 259, 600, 180);
    QTRY_COMPARE(_desktop.shownGeometry(window->winId()), frame);
    QVERIFY(window->mask().isEmpty());

    QImage screen;
    QTRY_VERIFY((screen = _desktop.screenshot(),
                 !screen.isNull() && isPanel(screen.pixel(frame.center()))));
    const auto at = [&](int x, int y) { return screen.pixel(frame.topLeft() + QPoint(x, y)); };
    // The desktop, far from the window.
    const QRgb background = screen.pixel(5, 5);
    const auto isBackground = [&](QRgb pixel) { return pixel == background; };
    // The panel colour blended with the white desktop behind it.
    QVERIFY(qRed(at(300, 30)) > panelColour.red() + 20);
    QVERIFY(isBackground(at(0, 0)));
    QVERIFY(isBackground(at(300, 70)));
    window.reset();

    _desktop.stopCompositor();
    QTRY_VERIFY(!isCompositorRunning());
}

VANTRI_X11_TEST_MAIN(TestX11KeyableWindow)
#include "tst_x11_keyablewindow.moc"
