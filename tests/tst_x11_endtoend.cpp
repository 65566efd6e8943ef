// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "EnvironmentDump.h"
#include "SettingsFixture.h"
#include "TempTree.h"
#include "VantriSession.h"
#include "VirtualDesktop.h"
#include "app/AppDelegate.h"
#include "app/hotkey/HotKey.h"
#include "app/hotkey/ShortcutParser.h"
#include "app/window/KeyableWindow.h"
#include "app/window/LauncherPlacement.h"
#include "control/InstanceProtocol.h"
#include "platform/x11/CompositorCheck.h"
#include "platform/x11/X11Connection.h"
#include "platform/xdg/DesktopEntryLaunch.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"
#include "ui/settings/Settings.h"
#include "ui/settings/ShortcutSelectorView.h"

#include <QAbstractNativeEventFilter>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QtTest>

#include <csignal>
#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(InstanceProtocol::CommandRequest::Status)

namespace {

const QString settingsTitle = u"Settings"_s;
// 1280 by 800 screen: 600 wide, centred, 0.324 × 800 = 259 below the top.
const QRect panelFrame(340, 259, 600, 60);
// The panel's height with one result listed under the field.
constexpr int heightWithAResult = 60 + 20 + 50;
// A point of the screen that no window covers.
const QPoint bareDesktop(1100, 700);
// Longer than Vantri gives a tray host to appear before opening Settings.
constexpr int trayHostGraceOverMs = 5000;

// Where `widget` shows its centre, from the top left of its window.
QPoint centreInWindow(const QWidget& widget) {
    return widget.mapTo(widget.window(), widget.rect().center());
}

const QColor panelColour(20, 20, 60, 200);

// Content shaped like the launcher's: a rounded field 580 by 50 inset in a
// 600 by 60 strip, and a rounded result area 100 high 20 below it.
class RoundedContent : public QWidget {
public:
    QSize sizeHint() const override { return {600, 60 + 20 + 100}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(panelColour);
        painter.drawRoundedRect(QRectF(10, 5, 580, 50), 10, 10);
        painter.drawRoundedRect(QRectF(0, 80, 600, 100), 10, 10);
    }
};

bool isPanel(QRgb pixel) {
    return qBlue(pixel) > qRed(pixel) + 20 && qRed(pixel) < 200;
}

const QByteArray metadataRest = "description: test\nauthor: test\nwebsite: \"\"\ntype: bash\n"
                                "arguments: []\nenvironments: []\ntags: []\n";
// The desktop's proof of the user's action that Vantri itself was started with.
const QString startupIdOfVantri = u"start-of-vantri_TIME0"_s;

// The most watches one inotify instance of the process `pid` holds.
int inotifyWatches(qint64 pid) {
    const QString fdinfo = u"/proc/%1/fdinfo"_s.arg(pid);
    int watches = 0;
    for (const QString& fd : QDir(fdinfo).entryList(QDir::Files))
        watches = std::max(watches, int(fileContents(fdinfo + u'/' + fd).count("inotify wd:")));
    return watches;
}

// An entry whose program copies the environment it was started with to `dump`.
QByteArray environmentDumpEntry(const QString& name, const QString& dump) {
    return "[Desktop Entry]\nType=Application\nName=" + name.toUtf8() +
           "\nExec=cp /proc/self/environ " + dump.toUtf8() + "\n";
}

// Reads startup notification messages off the root window, as a window
// manager or a task bar does, on a connection of its own.
class StartupListener {
public:
    StartupListener()
        : _connection(xcb_connect(nullptr, nullptr)) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(_connection)).data;
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(_connection, screen->root, XCB_CW_EVENT_MASK, &events);
        xcb_flush(_connection);
    }
    ~StartupListener() { xcb_disconnect(_connection); }

    // The messages complete so far.
    QList<QByteArray> messages() {
        while (xcb_generic_event_t* event = xcb_poll_for_event(_connection)) {
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE)
                take(*reinterpret_cast<xcb_client_message_event_t*>(event));
            std::free(event);
        }
        return _complete;
    }

private:
    void take(const xcb_client_message_event_t& event) {
        if (event.type != _begin && event.type != _more)
            return;
        QByteArray& partial = _partial[event.window];
        if (event.type == _begin)
            partial.clear();
        const QByteArray piece(reinterpret_cast<const char*>(event.data.data8), 20);
        const qsizetype end = piece.indexOf('\0');
        partial += piece.left(end < 0 ? piece.size() : end);
        if (end >= 0)
            _complete << _partial.take(event.window);
    }

    xcb_connection_t* _connection;
    const xcb_atom_t _begin = internX11Atom(_connection, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t _more = internX11Atom(_connection, "_NET_STARTUP_INFO");
    QHash<xcb_window_t, QByteArray> _partial;
    QList<QByteArray> _complete;
};

} // namespace

// The built program on a virtual desktop with a window manager and a tray
// host, driven from outside as a user would: its start with and without a
// tray, the hotkey, typing, Return and Escape, clicks elsewhere, what the
// panel starts (applications with their startup notice, from folders full of
// looping links; scripts, left running behind the panel and added while
// Vantri runs), the tray menu and the settings window, and the command line.
// The desktop's proof of the user's action (an activation token, a startup
// id) goes from the client's environment over the channel to the panel, and
// never on to what Vantri starts. First, the panel's window alone, shaped or
// composited.
// Counts the changes of one property of the root window as Qt dispatches them.
struct RootPropertyChanges : QAbstractNativeEventFilter {
    explicit RootPropertyChanges(xcb_atom_t property)
        : property(property) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~RootPropertyChanges() override { QCoreApplication::instance()->removeNativeEventFilter(this); }
    bool nativeEventFilter(const QByteArray&, void* message, qintptr*) override {
        const auto* event = static_cast<const xcb_property_notify_event_t*>(message);
        if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY && event->atom == property)
            ++count;
        return false;
    }
    xcb_atom_t property;
    int count = 0;
};

class TestX11EndToEnd : public QObject {
    Q_OBJECT

public:
    explicit TestX11EndToEnd(VirtualDesktop& desktop)
        : _desktop(desktop) {}

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void windowCornersAndGapShowTheDesktop_data();
    void windowCornersAndGapShowTheDesktop();
    void withoutATrayStartOpensSettingsOnce();
    void aTrayHostComingUpAfterTheStartTakesTheIcon();
    void hotKeyAndEscapeShowAndHideTheSameWindowInPlace();
    void returnOpensAnApplicationInstalledWhileRunningAndHides();
    void requestLinesCarryTokensOnlyWhereTheyBelong_data();
    void requestLinesCarryTokensOnlyWhereTheyBelong();
    void theClientsStartupIdReachesThePanel();
    void startIsAnnouncedAndAFailedOneWithdrawn();
    void aResultRunsTheScriptItShowsWithItsFurtherWords();
    void aRunLeftBehindThePanelNeitherBlocksNorOutlivesVantri();
    void scriptsAddedAnywhereInTheTreeAreListed();
    void aLargeFolderIsScannedWhileVantriAnswers();
    void clickOutsideHidesThePanelOneInsideDoesNot();
    void aLateWordOnTheLastHideTakesNothingFromTheNextShow();
    void secondPlainStartAndEitherTrayClickOpenSettings();
    void chosenShortcutTakesOverFromTheOldOneAtOnce();
    void vantriOfAnotherSessionIsRefusedTheHotKeyAndKeepsRunning();
    void savedShortcutWithoutAModifierGrabsNothing();
    void quitEndsTheInstanceAKilledOneIsReplacedAndToggleReachesIt();

private:
    QList<VirtualDesktop::ShownWindow> shown(const QString& title) const {
        return _vantri.shownWindows(title);
    }
    // Waits for the one settings window to be shown, at its size, and active.
    bool settingsShownAndActive() const;
    std::optional<VirtualDesktop::ShownWindow> trayIcon() const;
    // Opens the chooser from the shown settings window, clicks `labels` in it
    // and waits for it to close; `panel` is the same window laid out here.
    bool chooseInSettings(const Settings& panel, AppState& layoutState,
                          const QStringList& labels) const;
    // Waits for the shown settings window to show what `widget` of the panel
    // laid out here shows, pixel for pixel, in the same place.
    bool settingsShowLike(const QWidget& widget) const;
    void addScript(const QString& base, const QByteArray& name, const QByteArray& command,
                   const QByteArray& body) const;

    VirtualDesktop& _desktop;
    IsolatedEnvironment _environment;
    VantriSession _vantri{_desktop, _environment.tree()};
    // The environment the instance was started with, tokens and all.
    QProcessEnvironment _session;
    QString _ran;
};

bool TestX11EndToEnd::settingsShownAndActive() const {
    return QTest::qWaitFor([&] {
        const auto settings = shown(settingsTitle);
        return settings.size() == 1 && settings.first().geometry.size() == Settings::panelSize &&
               _desktop.activeWindow() == settings.first().id;
    });
}

// The tray icon and the tray menu are both titled "Vantri"; the icon is the
// small one docked in the tray host.
std::optional<VirtualDesktop::ShownWindow> TestX11EndToEnd::trayIcon() const {
    for (const auto& window : shown(u"Vantri"_s)) {
        if (window.geometry.width() <= 32 && window.geometry.height() <= 32)
            return window;
    }
    return std::nullopt;
}

void TestX11EndToEnd::addScript(const QString& base, const QByteArray& name,
                                const QByteArray& command, const QByteArray& body) const {
    const TempTree& tree = _environment.tree();
    tree.writeFile(u"scripts/"_s + base + u".sh"_s, body);
    tree.writeFile(u"scripts/"_s + base + u".meta"_s,
                   "name: " + name + "\ncommand: " + command + "\n" + metadataRest);
}

void TestX11EndToEnd::initTestCase() {
    const TempTree& tree = _environment.tree();
    tree.writeFile(u"share/applications/zebra-notes.desktop"_s,
                   "[Desktop Entry]\nType=Application\nName=Zebra Notes\nExec=true\n");
    _ran = tree.path(u"ran.txt"_s);
    const QByteArray record = "printf '%s:' \"$(basename \"$0\")\" >> '" + _ran.toUtf8() +
                              "'; printf '%s,' \"$@\" >> '" + _ran.toUtf8() + "'\nenv > '" +
                              tree.path(u"env.txt"_s).toUtf8() + "'\n";
    addScript(u"greet"_s, "Greet", "greet", record);
    addScript(u"greet-pair"_s, "Greet a pair", "greet alpha beta", record);
    openPreferences()->setValue(PreferenceKeys::scriptFolderPath, tree.path(u"scripts"_s));
}

void TestX11EndToEnd::cleanupTestCase() {
    QCOMPARE(_vantri.process().state(), QProcess::Running);
}

void TestX11EndToEnd::windowCornersAndGapShowTheDesktop_data() {
    QTest::addColumn<bool>("compositor");
    QTest::newRow("shaped, without a compositor") << false;
    QTest::newRow("translucent, with a compositor") << true;
}

void TestX11EndToEnd::windowCornersAndGapShowTheDesktop() {
    QFETCH(bool, compositor);
    if (compositor)
        QVERIFY(_desktop.startCompositor());
    QTRY_COMPARE(isCompositorRunning(), compositor);
    int framesPresented = 0;
    KeyableWindow window(compositor);
    window.setContentView(new RoundedContent);
    const QRect frame(
        launcherFrame(QGuiApplication::primaryScreen()->availableGeometry()).topLeft(),
        QSize(600, 180));
    window.setGeometry(frame);
    connect(&window, &KeyableWindow::framePresented, this, [&] { ++framesPresented; });
    // Shown on a hotkey press, as the launcher is: the window manager lets a
    // window take the focus in answer to the user's latest action.
    const ParsedShortcut shortcut = *parseShortcut(u"⌃⌥W"_s);
    HotKey hotKey(shortcut.keyCode, shortcut.modifiers);
    hotKey.setKeyDownHandler([&] {
        QTimer::singleShot(0, &window, [&] {
            window.show();
            window.raise();
            window.activateWindow();
        });
    });
    QVERIFY(_desktop.press(u"ctrl+alt+w"_s));
    QTRY_VERIFY(window.isVisible());
    QCOMPARE(window.isTranslucent(), compositor);
    QCOMPARE(window.testAttribute(Qt::WA_TranslucentBackground), compositor);
    QTRY_COMPARE(_desktop.shownGeometry(window.winId()), QRect(340, 259, 600, 180));
    // Without a compositor the shape follows the painted content once the
    // window has settled.
    if (!compositor)
        QTRY_VERIFY(!window.mask().isEmpty() && !window.mask().contains(QPoint(0, 80 + 99)));
    else
        QVERIFY(window.mask().isEmpty());

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
    QTRY_COMPARE(framesPresented, 1);
    window.close();
    _desktop.stopCompositor();
    QTRY_VERIFY(!isCompositorRunning());
}

void TestX11EndToEnd::withoutATrayStartOpensSettingsOnce() {
    QVERIFY(_vantri.start());
    QTRY_COMPARE_WITH_TIMEOUT(shown(settingsTitle).size(), 1, 3 * trayHostGraceOverMs);
    QTRY_COMPARE(_desktop.activeWindow(), shown(settingsTitle).value(0).id);
    // Closed, it stays closed: it was shown for the start only. A loaded
    // window manager may miss the first press of its close key.
    QVERIFY(QTest::qWaitFor(
        [&] {
            return _desktop.press(u"alt+F4"_s) &&
                   QTest::qWaitFor([&] { return shown(settingsTitle).isEmpty(); }, 3000);
        },
        30000));
    QCOMPARE(_vantri.shownPanel(), 0u);
    QVERIFY(_vantri.quit());
}

void TestX11EndToEnd::aTrayHostComingUpAfterTheStartTakesTheIcon() {
    // As at login, where the desktop's panel may come up after Vantri;
    // started as a desktop starts a program, with both tokens of its own.
    QProcessEnvironment tokens;
    tokens.insert(u"DESKTOP_STARTUP_ID"_s, startupIdOfVantri);
    tokens.insert(u"XDG_ACTIVATION_TOKEN"_s, u"wayland-start-token"_s);
    _session = _vantri.environment(u"first"_s);
    _session.insert(tokens);
    QVERIFY(_vantri.start(_vantri.process(), u"first"_s, tokens));
    QVERIFY2(_desktop.startTrayHost(), "trayer is not installed");
    // The icon docks in the tray, and nothing else appears, then or once the
    // wait for a tray host would have run out.
    QTRY_VERIFY(!shown(u"Vantri"_s).isEmpty());
    QTest::qWait(trayHostGraceOverMs);
    QCOMPARE(shown(u"Vantri"_s).size(), 1);
    QVERIFY(shown(settingsTitle).isEmpty());
}

void TestX11EndToEnd::hotKeyAndEscapeShowAndHideTheSameWindowInPlace() {
    QCOMPARE(_vantri.shownPanel(), 0u);
    const quint64 panel = _vantri.summonPanel();
    QVERIFY(panel != 0);
    // Hidden by Escape, then by the hotkey, and shown again each time.
    for (const QString& close : {u"Escape"_s, u"ctrl+alt+space"_s}) {
        QTRY_COMPARE(_desktop.shownGeometry(panel), panelFrame);
        QVERIFY(_vantri.dismissPanel(close));
        QCOMPARE(_vantri.summonPanel(), panel);
    }
}

void TestX11EndToEnd::returnOpensAnApplicationInstalledWhileRunningAndHides() {
    // Neither the entry nor its folder, which loops back on itself, existed
    // when Vantri started.
    const TempTree& tree = _environment.tree();
    const QString applications = tree.makeDir(u"first/data/applications"_s);
    QVERIFY(QFile::link(u"."_s, applications + u"/a"_s));
    QVERIFY(QFile::link(u"."_s, applications + u"/b"_s));
    QVERIFY(QFile::link(u"/"_s, applications + u"/root"_s));
    const QString dump = tree.path(u"walrus.env"_s);
    tree.writeFile(u"first/data/applications/walrus-paint.desktop"_s,
                   environmentDumpEntry(u"Walrus Paint"_s, dump));
    // Re-indexing on its own, Vantri saves the new index as after any scan.
    QTRY_VERIFY_WITH_TIMEOUT(
        fileContents(tree.path(u"first/data/Vantri/appIndex.json"_s)).contains("walrus paint"),
        30000);
    const quint64 panel = _vantri.shownPanel();
    QVERIFY(panel != 0);
    // Typed without a click: the field has the focus.
    QVERIFY(_desktop.type(u"walrus"_s));
    // The result area opens under the field once the application is found.
    QVERIFY(_vantri.panelHeightIs(panel, heightWithAResult));
    QVERIFY(_desktop.press(u"Return"_s));
    // A start that walked the looping folders would never come back; one
    // that does not is done long before this.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(dump).size() > 0, 5000);
    QTRY_COMPARE(_vantri.shownPanel(), 0u);

    // The application sees the session as it was given to Vantri, less
    // Vantri's own variables and tokens, with the startup id made for it.
    QMap<QString, QString> expected;
    for (const QString& name : _session.keys()) {
        if (!name.startsWith(u"VANTRI_"_s) && name != u"DESKTOP_STARTUP_ID"_s &&
            name != u"XDG_ACTIVATION_TOKEN"_s)
            expected.insert(name, _session.value(name));
    }
    QMap<QString, QString> seen = environmentIn(fileContents(dump));
    const QString id = seen.take(u"DESKTOP_STARTUP_ID"_s);
    QVERIFY2(id.contains(QLatin1String("_TIME")) && id != startupIdOfVantri, qPrintable(id));
    QCOMPARE(seen, expected);
}

void TestX11EndToEnd::requestLinesCarryTokensOnlyWhereTheyBelong_data() {
    using Status = InstanceProtocol::CommandRequest::Status;
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<Status>("status");
    QTest::addColumn<QString>("wayland");
    QTest::addColumn<QString>("x11");
    const QByteArray longest(InstanceProtocol::maximumTokenLength, 't');
    QTest::newRow("a plain line, as older clients send")
        << QByteArray("toggle\n") << Status::command << QString() << QString();
    QTest::newRow("both tokens") << QByteArray("show wayland:abc x11:id_TIME5\n") << Status::command
                                 << u"abc"_s << u"id_TIME5"_s;
    QTest::newRow("a field of a later version")
        << QByteArray("toggle colour:red x11:id\n") << Status::command << QString() << u"id"_s;
    QTest::newRow("the longest token")
        << "toggle wayland:" + longest + "\n"
        << Status::command << QString::fromLatin1(longest) << QString();
    QTest::newRow("a token too long is dropped") << "toggle wayland:" + longest + "t\n"
                                                 << Status::command << QString() << QString();
    QTest::newRow("control characters drop the token")
        << QByteArray("toggle x11:a\x1b]0;b\n") << Status::command << QString() << QString();
    QTest::newRow("a command that shows nothing takes none")
        << QByteArray("hide x11:id\n") << Status::unknownCommand << QString() << QString();
}

void TestX11EndToEnd::requestLinesCarryTokensOnlyWhereTheyBelong() {
    QFETCH(QByteArray, line);
    QFETCH(InstanceProtocol::CommandRequest::Status, status);
    QFETCH(QString, wayland);
    QFETCH(QString, x11);
    const InstanceProtocol::CommandRequest request =
        InstanceProtocol::readCommand(std::string_view(line.constData(), line.size()));
    QCOMPARE(request.status, status);
    QCOMPARE(QString::fromStdString(request.activation.wayland), wayland);
    QCOMPARE(QString::fromStdString(request.activation.x11), x11);
    // What a client writes, the instance reads back.
    if (status == InstanceProtocol::CommandRequest::Status::command) {
        const std::string written =
            InstanceProtocol::requestLine(request.command, request.activation);
        QCOMPARE(InstanceProtocol::readCommand(written).activation, request.activation);
    }
}

void TestX11EndToEnd::theClientsStartupIdReachesThePanel() {
    QProcess client;
    QProcessEnvironment environment = _vantri.environment(u"first"_s);
    environment.insert(u"DESKTOP_STARTUP_ID"_s, u"vantri-show-1_TIME0"_s);
    client.setProcessEnvironment(environment);
    client.start(qEnvironmentVariable("VANTRI_BINARY"), {u"show"_s});
    QVERIFY(client.waitForFinished(30000));
    QCOMPARE(client.exitCode(), 0);
    QTRY_VERIFY(_vantri.shownPanel() != 0);
    const std::optional<QString> property = _desktop.run(
        u"xprop"_s, {u"-id"_s, QString::number(_vantri.shownPanel()), u"_NET_STARTUP_ID"_s});
    QVERIFY(property);
    QCOMPARE(property->trimmed(), u"_NET_STARTUP_ID(UTF8_STRING) = \"vantri-show-1_TIME0\""_s);
    QCOMPARE(_vantri.run({u"hide"_s}), 0);
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
}

void TestX11EndToEnd::startIsAnnouncedAndAFailedOneWithdrawn() {
    StartupListener listener;
    const TempTree& tree = _environment.tree();
    const QString dump = tree.path(u"announced.env"_s);
    const QString entry = tree.writeFile(u"share/applications/announced.desktop"_s,
                                         environmentDumpEntry(u"Announced"_s, dump));
    QVERIFY(launchDesktopEntryFile(entry).started);
    QTRY_VERIFY(QFileInfo(dump).size() > 0);
    const QString id = environmentIn(fileContents(dump)).value(u"DESKTOP_STARTUP_ID"_s);
    QVERIFY(id.contains(QLatin1String("_TIME")));
    QTRY_COMPARE(listener.messages().size(), 1);
    QVERIFY2(
        listener.messages()[0].startsWith("new: ID=\"" + id.toUtf8() + "\" NAME=\"Announced\""),
        listener.messages()[0].constData());

    // Executable, but no program the system can run: the start fails in exec.
    const QString broken = tree.writeFile(u"bin/broken"_s, QByteArray(64, '\x01'));
    QFile::setPermissions(broken, QFile::ReadOwner | QFile::ExeOwner);
    const ApplicationLaunch launch = launchDesktopEntryFile(tree.writeFile(
        u"share/applications/broken.desktop"_s,
        "[Desktop Entry]\nType=Application\nName=Broken\nExec=" + broken.toUtf8() + "\n"));
    QVERIFY(!launch.started);
    QVERIFY(launch.failure.startsWith(QLatin1String("Broken cannot start: ")));
    QTRY_COMPARE(listener.messages().size(), 3);
    const QList<QByteArray> messages = listener.messages();
    QVERIFY(messages[1].startsWith("new: ID=\""));
    // ID="..." as the announcement has it.
    QCOMPARE(messages[2], "remove: " + messages[1].mid(5, messages[1].indexOf("\" ") - 4));
}

void TestX11EndToEnd::aResultRunsTheScriptItShowsWithItsFurtherWords() {
    QVERIFY(_vantri.launch(u"greet alpha"_s));
    QTRY_COMPARE(fileContents(_ran), QByteArray("greet-pair.sh:alpha,beta,"));
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
    QFile::remove(_ran);
    // Neither token Vantri was started with reaches the script.
    const QByteArray environment = fileContents(_environment.tree().path(u"env.txt"_s));
    QVERIFY(environment.contains("HOME="));
    QVERIFY(!environment.contains("DESKTOP_STARTUP_ID"));
    QVERIFY(!environment.contains("XDG_ACTIVATION_TOKEN"));
}

void TestX11EndToEnd::aRunLeftBehindThePanelNeitherBlocksNorOutlivesVantri() {
    // Starts a program that ignores the polite request to end, says so, and
    // waits for it; each run also leaves a line behind.
    const QString started = _environment.tree().path(u"started"_s);
    addScript(u"linger"_s, "Linger", "linger",
              "echo run >> '" + started.toUtf8() +
                  ".runs'\ntrap '' TERM\nsleep 1000 & kept=$!\nsetsid sleep 1000 &\n"
                  "echo $$ $kept $! > '" +
                  started.toUtf8() + ".new'\nmv '" + started.toUtf8() + ".new' '" +
                  started.toUtf8() + "'\nwait\n");
    // A double Return while the panel shows the run starts it once.
    QVERIFY(_vantri.launch(u"linger"_s));
    QVERIFY(_desktop.press(u"Return"_s));
    QTRY_VERIFY(QFileInfo::exists(started));
    QVERIFY(_vantri.shownPanel() != 0);
    QVERIFY(_vantri.dismissPanel());
    QCOMPARE(fileContents(started + u".runs"_s), QByteArray("run\n"));

    // The panel is free for the next launch.
    QVERIFY(_vantri.launch(u"greet"_s, 2));
    QTRY_COMPARE(fileContents(_ran), QByteArray("greet.sh:,"));
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
    QFile::remove(_ran);

    // Quitting ends the run and what it started, in its session or another.
    const QList<QByteArray> pids = fileContents(started).trimmed().split(' ');
    QCOMPARE(pids.size(), 3);
    QVERIFY(_vantri.quit());
    for (const QByteArray& pid : pids)
        QTRY_VERIFY2(processEnded(pid.toLongLong()), pid.constData());
    QVERIFY(_vantri.start());
}

void TestX11EndToEnd::scriptsAddedAnywhereInTheTreeAreListed() {
    addScript(u"deep/er/later"_s, "Later", "later", "echo later >> '" + _ran.toUtf8() + "'\n");
    // The new script is listed once the folder's scan is done, and "No
    // results" takes a row's height meanwhile: launched until it ran.
    QVERIFY(QTest::qWaitFor(
        [&] {
            return (_vantri.shownPanel() == 0 || _vantri.dismissPanel()) &&
                   _vantri.launch(u"later"_s) &&
                   QTest::qWaitFor([&] { return fileContents(_ran) == "later\n"; }, 3000);
        },
        60000));
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
    QFile::remove(_ran);
}

void TestX11EndToEnd::aLargeFolderIsScannedWhileVantriAnswers() {
    // 50,000 scripts in 100 folders: once the scan has ended, the 101 folders are watched.
    constexpr int folders = 100;
    constexpr int scripts = 50000;
    const TempTree& tree = _environment.tree();
    const QString folder = tree.makeDir(u"large"_s);
    for (int i = 0; i < folders; ++i)
        QVERIFY(QDir(folder).mkdir(QString::number(i)));
    for (int i = 0; i < scripts; ++i) {
        const QByteArray command = "s" + QByteArray::number(i);
        const QString base = folder + u"/%1/"_s.arg(i % folders) + QString::fromLatin1(command);
        QFile meta(base + u".meta"_s);
        QFile script(base + u".sh"_s);
        QVERIFY(meta.open(QIODevice::WriteOnly) && script.open(QIODevice::WriteOnly));
        meta.write("name: " + command + "\ncommand: " + command + "\n" + metadataRest);
    }
    // An instance of its own, with a configuration that names the large folder.
    const QString config = tree.makeDir(u"large-config/Vantri"_s);
    QSettings settings(config + u"/Vantri.conf"_s, QSettings::IniFormat);
    settings.setValue(PreferenceKeys::scriptFolderPath, folder);
    settings.sync();
    QProcessEnvironment own;
    own.insert(u"XDG_CONFIG_HOME"_s, tree.path(u"large-config"_s));
    QProcess large;
    QVERIFY(_vantri.start(large, u"large"_s, own));

    // Until the scan ends, its folder tree is not watched yet: the instance
    // answers commands meanwhile, each within a second.
    const auto scanEnded = [&] { return inotifyWatches(large.processId()) > folders; };
    int answeredDuringTheScan = 0;
    QElapsedTimer waited;
    waited.start();
    while (!scanEnded() && waited.elapsed() < 120000) {
        QElapsedTimer answer;
        answer.start();
        QCOMPARE(_vantri.run({u"hide"_s}, u"large"_s), 0);
        const qint64 took = answer.elapsed();
        QVERIFY2(took < 1000, qPrintable(QString::number(took)));
        if (!scanEnded())
            ++answeredDuringTheScan;
    }
    QVERIFY(scanEnded());
    QVERIFY(answeredDuringTheScan > 0);
    QCOMPARE(_vantri.run({u"quit"_s}, u"large"_s), 0);
    QVERIFY(large.waitForFinished(30000));
}

void TestX11EndToEnd::clickOutsideHidesThePanelOneInsideDoesNot() {
    // A click on the bare desktop: no other window takes the activation, the
    // click alone sends the panel away, and the next press shows it again.
    const quint64 panel = _vantri.summonPanel();
    QVERIFY(panel != 0);
    QVERIFY(_desktop.clickAt(bareDesktop));
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
    QCOMPARE(_desktop.activeWindow(), 0u);

    QVERIFY(_desktop.showOtherProgram() != 0);
    // The hotkey is grabbed with and without the lock modifiers.
    QVERIFY(_desktop.press(u"Caps_Lock"_s));
    QCOMPARE(_vantri.summonPanel(), panel);
    QVERIFY(_desktop.press(u"Caps_Lock"_s));
    // A click on the panel keeps it, and typing still reaches the field.
    QVERIFY(_desktop.clickAt(panelFrame.center()));
    QVERIFY(_desktop.type(u"zebra"_s));
    QVERIFY(_vantri.panelHeightIs(panel, heightWithAResult));
    QVERIFY(_desktop.clickAt({60, 60}));
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
}

void TestX11EndToEnd::aLateWordOnTheLastHideTakesNothingFromTheNextShow() {
    // A busy window manager may name the window active after the last hide
    // only once the panel is shown again; that is no loss of the new show.
    AppDelegate delegate;
    delegate.showLauncher();
    const KeyableWindow* panel = delegate.launcherWindow();
    QTRY_VERIFY(panel->isActiveWindow());
    delegate.hideLauncher();
    delegate.showLauncher();
    // The window manager is held still while the word comes in.
    xcb_connection_t* connection = applicationX11Connection();
    const xcb_atom_t activeWindow = internX11Atom(connection, "_NET_ACTIVE_WINDOW");
    RootPropertyChanges changes(activeWindow);
    xcb_grab_server(connection);
    const xcb_window_t none = XCB_NONE;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, applicationX11Screen(connection)->root,
                        activeWindow, XCB_ATOM_WINDOW, 32, 1, &none);
    xcb_flush(connection);
    QTRY_VERIFY(changes.count > 0);
    xcb_ungrab_server(connection);
    xcb_flush(connection);
    QTRY_VERIFY(panel->isActiveWindow());
    QVERIFY(panel->isVisible());
}

void TestX11EndToEnd::secondPlainStartAndEitherTrayClickOpenSettings() {
    // A second plain start, then a left and a right click on the tray icon
    // and the menu's first entry; the settings window opened last stays.
    for (const int button : {0, 1, 3}) {
        qsizetype menusBefore = 0;
        if (button == 0) {
            QCOMPARE(_vantri.run({}), 0);
        } else {
            std::optional<VirtualDesktop::ShownWindow> icon;
            QTRY_VERIFY((icon = trayIcon()));
            menusBefore = shown(u"Vantri"_s).size();
            QVERIFY(_desktop.clickAt(icon->geometry.center(), button));
            QTRY_COMPARE(shown(u"Vantri"_s).size(), menusBefore + 1);
            QVERIFY(_desktop.press(u"Down"_s));
            QVERIFY(_desktop.press(u"Return"_s));
        }
        QVERIFY(settingsShownAndActive());
        if (button != 0)
            QTRY_COMPARE(shown(u"Vantri"_s).size(), menusBefore);
        if (button != 3) {
            // Closed through the window manager, as its close button would.
            QVERIFY(_desktop.press(u"alt+F4"_s));
            QTRY_VERIFY(shown(settingsTitle).isEmpty());
            QCOMPARE(_vantri.process().state(), QProcess::Running);
        }
    }
}

bool TestX11EndToEnd::chooseInSettings(const Settings& panel, AppState& layoutState,
                                       const QStringList& labels) const {
    const QList<VirtualDesktop::ShownWindow> settings = shown(settingsTitle);
    if (settings.size() != 1 ||
        !_desktop.clickAt(settings.first().geometry.topLeft() +
                          centreInWindow(*panel.findChild<QPushButton*>(u"hotkeyButton"_s))))
        return false;
    ShortcutSelectorView chooser(layoutState, const_cast<Settings*>(&panel));
    chooser.setAttribute(Qt::WA_DontShowOnScreen);
    chooser.show();
    QList<VirtualDesktop::ShownWindow> choosers;
    if (!QTest::qWaitFor([&] { return (choosers = shown(u"Launcher Hotkey"_s)).size() == 1; }) ||
        choosers.first().geometry.size() != chooser.size())
        return false;
    for (const QString& label : labels) {
        if (!_desktop.clickAt(choosers.first().geometry.topLeft() +
                              centreInWindow(*buttonShowing(chooser, label))))
            return false;
    }
    return QTest::qWaitFor([&] { return shown(u"Launcher Hotkey"_s).isEmpty(); });
}

bool TestX11EndToEnd::settingsShowLike(const QWidget& widget) const {
    const QList<VirtualDesktop::ShownWindow> settings = shown(settingsTitle);
    if (settings.size() != 1)
        return false;
    // Compared as plain pixels: the screenshot's file names a colour space,
    // the grab none.
    const auto pixels = [](const QImage& image) {
        QImage plain = image.convertToFormat(QImage::Format_RGB32);
        plain.setColorSpace(QColorSpace());
        return plain;
    };
    // The top rows are left out: the hotkey button's edge reaches into them,
    // lighter while the button has the keyboard, which depends on where the
    // focus went back to when the chooser closed.
    const QRect area =
        QRect(widget.mapTo(widget.window(), QPoint()), widget.size()).adjusted(0, 3, 0, 0);
    const QImage expected = pixels(widget.window()->grab(area).toImage());
    return QTest::qWaitFor([&] {
        return pixels(_desktop.screenshot().copy(
                   area.translated(settings.first().geometry.topLeft()))) == expected;
    });
}

void TestX11EndToEnd::chosenShortcutTakesOverFromTheOldOneAtOnce() {
    // The panel and the chooser are laid out here as well, by the same code on
    // the same display, to know where their buttons are and what they show.
    AppState layoutState(std::make_unique<AppIndexManager>(
        QStringList{_environment.tree().makeDir(u"layout-apps"_s)},
        _environment.tree().path(u"layout-index.json"_s)));
    // Where the running instance says its key lives, as it says it.
    layoutState.setHotKeyPlace({HotKeyPlace::Route::x11Grab, u"Ctrl+Alt+Space"_s, QString()});
    Settings panel(layoutState, nullptr, [](QWidget*) { return QString(); });
    panel.setAttribute(Qt::WA_DontShowOnScreen);
    panel.show();
    const auto* problem = panel.findChild<QLabel*>(u"hotKeyProblem"_s);

    // A combination another program holds is refused: Settings says so, and
    // the old one stays saved and in force.
    {
        HotKeyHolder holder(_desktop, *parseShortcut(u"⌃⌥K"_s));
        QCOMPARE(holder.readLine(), u"held"_s);
        QVERIFY(chooseInSettings(panel, layoutState, {u"⌥"_s, u"⌃"_s, u"K"_s, u"Set"_s}));
        layoutState.setHotKeyProblem(u"⌃⌥K is used by another program — choose another"_s);
        QVERIFY(settingsShowLike(*problem));
        QCOMPARE(openPreferences()->value(PreferenceKeys::savedShortcut).toString(), u"⌃⌥␣"_s);
        QVERIFY(_vantri.summonPanel() != 0);
        QVERIFY(_vantri.dismissPanel());
    }

    QVERIFY(chooseInSettings(panel, layoutState, {u"⌃"_s, u"⇧"_s, u"K"_s, u"Set"_s}));
    QCOMPARE(openPreferences()->value(PreferenceKeys::savedShortcut).toString(), u"⇧⌃K"_s);

    QCOMPARE(_vantri.shownPanel(), 0u);
    QVERIFY(_desktop.press(u"ctrl+shift+k"_s));
    QTRY_VERIFY(_vantri.shownPanel() != 0);
    QVERIFY(_vantri.dismissPanel());

    // Vantri let go of the old combination: another program can take it now,
    // and pressing it reaches that program instead of summoning the panel.
    HotKeyHolder oldHolder(_desktop, *parseShortcut(u"⌃⌥␣"_s));
    QCOMPARE(oldHolder.readLine(), u"held"_s);
    QVERIFY(_desktop.press(u"ctrl+alt+space"_s));
    QCOMPARE(oldHolder.readLine(), u"pressed"_s);
    QCOMPARE(_vantri.shownPanel(), 0u);
    // ...while the new one stays Vantri's.
    HotKeyHolder newHolder(_desktop, *parseShortcut(u"⇧⌃K"_s));
    QCOMPARE(newHolder.readLine(), u"refused"_s);
}

void TestX11EndToEnd::vantriOfAnotherSessionIsRefusedTheHotKeyAndKeepsRunning() {
    // Another Vantri on the same display, as another user's would be: its
    // grab is refused, and the first one keeps the hotkey.
    QProcess other;
    QVERIFY(_vantri.start(other, u"other"_s));
    QVERIFY(_desktop.press(u"ctrl+shift+k"_s));
    QTRY_VERIFY(_vantri.shownPanel() != 0);
    QCOMPARE(other.state(), QProcess::Running);
    QVERIFY(_vantri.dismissPanel());
    other.terminate();
    QVERIFY(other.waitForFinished());
}

void TestX11EndToEnd::savedShortcutWithoutAModifierGrabsNothing() {
    // As a hand edit could leave it: a bare letter, which a grab would take
    // from every program on the desktop.
    const QString chosen = openPreferences()->value(PreferenceKeys::savedShortcut).toString();
    openPreferences()->setValue(PreferenceKeys::savedShortcut, u"K"_s);
    QProcess other;
    QVERIFY(_vantri.start(other, u"bare"_s));
    HotKeyHolder holder(_desktop, ParsedShortcut{40, 0});
    QCOMPARE(holder.readLine(), u"held"_s);
    QVERIFY(holder.stop());
    other.terminate();
    QVERIFY(other.waitForFinished());
    openPreferences()->setValue(PreferenceKeys::savedShortcut, chosen);
}

void TestX11EndToEnd::quitEndsTheInstanceAKilledOneIsReplacedAndToggleReachesIt() {
    QVERIFY(_vantri.quit());
    // With none running, hide starts nothing.
    QCOMPARE(_vantri.run({u"hide"_s}), 0);

    // A crashed instance leaves its socket behind; the next start takes over.
    QVERIFY(_vantri.start());
    ::kill(pid_t(_vantri.process().processId()), SIGKILL);
    QVERIFY(_vantri.process().waitForFinished());
    QVERIFY(_vantri.start());
    // Each command returns once the instance has carried it out; toggle shows
    // the panel in place with the field focused, as the hotkey does.
    QCOMPARE(_vantri.run({u"toggle"_s}), 0);
    quint64 panel = 0;
    QTRY_VERIFY((panel = _vantri.shownPanel()) != 0);
    QTRY_COMPARE(_desktop.activeWindow(), panel);
    QTRY_COMPARE(_desktop.shownGeometry(panel), panelFrame);
    QVERIFY(_desktop.type(u"zebra"_s));
    QVERIFY(_vantri.panelHeightIs(panel, heightWithAResult));
    QCOMPARE(_vantri.run({u"toggle"_s}), 0);
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
}

VANTRI_X11_TEST_MAIN(TestX11EndToEnd)
#include "tst_x11_endtoend.moc"
