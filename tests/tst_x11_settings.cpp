#include "HotKeyHolder.h"
#include "TempTree.h"
#include "VirtualDesktop.h"
#include "app/ShortcutParser.h"
#include "index/AppIndexManager.h"
#include "state/AppState.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"
#include "ui/Settings.h"
#include "ui/ShortcutSelectorView.h"

#include <QPushButton>
#include <QtTest>

namespace {

const QString oldShortcut = QStringLiteral("⌃⌥␣");
const QString oldKeys = QStringLiteral("ctrl+alt+space");
const QString newShortcut = QStringLiteral("⇧⌃K");
const QString newKeys = QStringLiteral("ctrl+shift+k");

// Where `widget` shows its centre, from the top left of its window.
QPoint centreInWindow(const QWidget& widget) {
    return widget.mapTo(widget.window(), widget.rect().center());
}

QPushButton* buttonLabelled(const QWidget& parent, const QString& text) {
    for (QPushButton* button : parent.findChildren<QPushButton*>()) {
        if (button->text() == text)
            return button;
    }
    qFatal("no button %s", qPrintable(text));
}

} // namespace

// The built program with a tray host on a virtual desktop: "Settings" in the
// tray menu, then a new hotkey chosen in the chooser, all with real clicks and
// key presses. The panel and the chooser are laid out here as well, by the
// same code on the same display, to know where their buttons are.
class TestX11Settings : public QObject {
    Q_OBJECT

public:
    explicit TestX11Settings(VirtualDesktop& desktop)
        : _desktop(desktop) {}

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void settingsInTheTrayMenuOpensTheSettingsWindow();
    void chosenShortcutTakesOverFromTheOldOneAtOnce();

private:
    struct Window {
        quint64 id = 0;
        QRect geometry;
    };
    // Vantri's shown windows with this title.
    QList<Window> shownWindows(const QString& title) const;
    std::optional<Window> shownWindow(const QString& title, const QSize& size) const;
    std::optional<Window> trayIcon() const;
    bool panelShown() const;
    bool clickAt(const QPoint& point, int button = 1) const;
    bool press(const QString& keys) const;

    VirtualDesktop& _desktop;
    IsolatedEnvironment _environment;
    QProcess _trayHost;
    QProcess _vantri;
    std::unique_ptr<AppState> _layoutState;
};

// Matched here rather than by xdotool's --name, which reads only WM_NAME and
// so misses the tray icon, whose title is in _NET_WM_NAME alone.
QList<TestX11Settings::Window> TestX11Settings::shownWindows(const QString& title) const {
    const auto found = _desktop.run(
        QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                    QStringLiteral("--pid"), QString::number(_vantri.processId())});
    QList<Window> windows;
    for (const QString& line : found.value_or(QString()).split(u'\n', Qt::SkipEmptyParts)) {
        const auto name = _desktop.run(QStringLiteral("xdotool"),
                                       {QStringLiteral("getwindowname"), line.trimmed()});
        const auto state = _desktop.windowState(line.toULongLong());
        if (name && name->trimmed() == title && state && state->viewable)
            windows.append({line.toULongLong(), state->geometry});
    }
    return windows;
}

std::optional<TestX11Settings::Window> TestX11Settings::shownWindow(const QString& title,
                                                                    const QSize& size) const {
    for (const Window& window : shownWindows(title)) {
        if (window.geometry.size() == size)
            return window;
    }
    return std::nullopt;
}

// The tray icon, the tray menu and the launcher panel are all titled "Vantri";
// the icon is the small one docked in the tray host.
std::optional<TestX11Settings::Window> TestX11Settings::trayIcon() const {
    for (const Window& window : shownWindows(QStringLiteral("Vantri"))) {
        if (window.geometry.width() <= 32 && window.geometry.height() <= 32)
            return window;
    }
    return std::nullopt;
}

bool TestX11Settings::panelShown() const {
    for (const Window& window : shownWindows(QStringLiteral("Vantri"))) {
        if (window.geometry.width() == 600)
            return true;
    }
    return false;
}

bool TestX11Settings::clickAt(const QPoint& point, int button) const {
    return _desktop
        .run(QStringLiteral("xdotool"),
             {QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y()),
              QStringLiteral("click"), QString::number(button)})
        .has_value();
}

bool TestX11Settings::press(const QString& keys) const {
    return _desktop.run(QStringLiteral("xdotool"), {QStringLiteral("key"), keys}).has_value();
}

void TestX11Settings::initTestCase() {
    _trayHost.setProcessEnvironment(_desktop.environment());
    _trayHost.start(QStringLiteral("trayer"),
                    {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                     QStringLiteral("right"), QStringLiteral("--widthtype"),
                     QStringLiteral("request"), QStringLiteral("--height"), QStringLiteral("24")});
    QVERIFY2(_trayHost.waitForStarted(), "trayer is not installed");

    QVERIFY2(QFileInfo(qEnvironmentVariable("VANTRI_BINARY")).isExecutable(),
             "VANTRI_BINARY must name the built program");
    const auto preferences = openPreferences();
    preferences->setValue(PreferenceKeys::savedShortcut, oldShortcut);
    preferences->sync();

    // A runtime folder of its own keeps this Vantri from handing over to any
    // other Vantri of this user; the index file is written once the launch
    // sequence, and with it the hotkey registration, has run.
    const QString runtime = _environment.tree().makeDir(QStringLiteral("runtime"));
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment environment = _desktop.environment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    _vantri.setProcessEnvironment(environment);
    _vantri.setProcessChannelMode(QProcess::ForwardedChannels);
    _vantri.start(qEnvironmentVariable("VANTRI_BINARY"), {});
    QVERIFY(_vantri.waitForStarted());
    const QString indexFile = _environment.dataHome() + QStringLiteral("/Vantri/appIndex.json");
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(indexFile).size() > 0, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(trayIcon().has_value(), 30000);

    // The layout twin works on an index of its own, in the test's folders.
    _layoutState = std::make_unique<AppState>(std::make_unique<AppIndexManager>(
        QStringList{_environment.tree().makeDir(QStringLiteral("twin-apps"))},
        _environment.tree().path(QStringLiteral("twin-index.json"))));
}

void TestX11Settings::cleanupTestCase() {
    QCOMPARE(_vantri.state(), QProcess::Running);
    _vantri.terminate();
    QVERIFY(_vantri.waitForFinished());
    _trayHost.terminate();
    _trayHost.waitForFinished();
}

void TestX11Settings::settingsInTheTrayMenuOpensTheSettingsWindow() {
    QVERIFY(shownWindows(QStringLiteral("Settings")).isEmpty());
    const std::optional<Window> icon = trayIcon();
    QVERIFY(icon);
    const int menusBefore = shownWindows(QStringLiteral("Vantri")).size();
    QVERIFY(clickAt(icon->geometry.center(), 3));
    QTRY_COMPARE(shownWindows(QStringLiteral("Vantri")).size(), menusBefore + 1);
    // "Settings" is the menu's first entry.
    QVERIFY(press(QStringLiteral("Down")));
    QVERIFY(press(QStringLiteral("Return")));

    std::optional<Window> settings;
    QTRY_VERIFY((settings = shownWindow(QStringLiteral("Settings"), Settings::panelSize)));
    QTRY_COMPARE(_desktop.activeWindow(), settings->id);
    QCOMPARE(shownWindows(QStringLiteral("Vantri")).size(), menusBefore);
}

void TestX11Settings::chosenShortcutTakesOverFromTheOldOneAtOnce() {
    const std::optional<Window> settings =
        shownWindow(QStringLiteral("Settings"), Settings::panelSize);
    QVERIFY(settings);
    Settings panel(
        *_layoutState, nullptr, [](QWidget*) { return QString(); }, [] {});
    panel.setAttribute(Qt::WA_DontShowOnScreen);
    panel.show();
    QVERIFY(clickAt(settings->geometry.topLeft() + centreInWindow(*panel.findChild<QPushButton*>(
                                                       QStringLiteral("hotkeyButton")))));

    ShortcutSelectorView chooser(*_layoutState, &panel, [] {});
    chooser.setAttribute(Qt::WA_DontShowOnScreen);
    chooser.show();
    std::optional<Window> shown;
    QTRY_VERIFY((shown = shownWindow(QStringLiteral("Launcher Hotkey"), chooser.size())));
    for (const QString& label :
         {QStringLiteral("⌃"), QStringLiteral("⇧"), QStringLiteral("K"), QStringLiteral("Set")})
        QVERIFY(
            clickAt(shown->geometry.topLeft() + centreInWindow(*buttonLabelled(chooser, label))));
    QTRY_VERIFY(!shownWindow(QStringLiteral("Launcher Hotkey"), chooser.size()));
    QCOMPARE(openPreferences()->value(PreferenceKeys::savedShortcut).toString(), newShortcut);

    QVERIFY(!panelShown());
    QVERIFY(press(newKeys));
    QTRY_VERIFY(panelShown());
    QVERIFY(press(QStringLiteral("Escape")));
    QTRY_VERIFY(!panelShown());

    // Vantri let go of the old combination: another program can take it now,
    // and pressing it reaches that program instead of summoning the panel.
    HotKeyHolder oldHolder(_desktop, parseShortcut(oldShortcut));
    QCOMPARE(oldHolder.readLine(), QStringLiteral("held"));
    QVERIFY(press(oldKeys));
    QCOMPARE(oldHolder.readLine(), QStringLiteral("pressed"));
    QVERIFY(!panelShown());
    // ...while the new one stays Vantri's.
    HotKeyHolder newHolder(_desktop, parseShortcut(newShortcut));
    QCOMPARE(newHolder.readLine(), QStringLiteral("refused"));
}

VANTRI_X11_TEST_MAIN(TestX11Settings)
#include "tst_x11_settings.moc"
