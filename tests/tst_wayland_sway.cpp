// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "EnvironmentDump.h"
#include "TempTree.h"
#include "app/VantriApp.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <optional>
#include <sys/prctl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// CTest's return code for a skipped test.
constexpr int skipReturnCode = 77;
// sway will not run as root; a root test run goes on as this user.
const QString testUser = u"vantri-test"_s;
const QString panelTitle = u"Vantri Launcher"_s;
const QString terminalTitle = u"Native Terminal"_s;
const QString launchedTitle = u"Launched Terminal"_s;
// The search area, the gap and four result rows.
constexpr int fullHeight = 60 + 20 + 4 * 50;
const QStringList programsNeeded{"sway",    "Xwayland",    "foot",  "grim",    "wtype",   "swaymsg",
                                 "swaybar", "dbus-daemon", "gdbus", "xdotool", "xwininfo"};

// What the compositor says of one window.
struct WindowNode {
    QRect rect;
    bool focused = false;
    bool visible = false;
    bool floating = false;
};

std::optional<WindowNode> findWindow(const QJsonObject& node, const QString& name, bool floating) {
    if (node.value(u"name").toString() == name &&
        (node.contains(u"window") || node.contains(u"app_id"))) {
        const QJsonObject rect = node.value(u"rect").toObject();
        return WindowNode{QRect(rect.value(u"x").toInt(), rect.value(u"y").toInt(),
                                rect.value(u"width").toInt(), rect.value(u"height").toInt()),
                          node.value(u"focused").toBool(), node.value(u"visible").toBool(),
                          floating};
    }
    for (const QString& children : {u"nodes"_s, u"floating_nodes"_s}) {
        for (const QJsonValue child : node.value(children).toArray()) {
            if (auto found =
                    findWindow(child.toObject(), name, children == QLatin1String("floating_nodes")))
                return found;
        }
    }
    return std::nullopt;
}

bool isOneColour(const QImage& image) {
    if (image.isNull())
        return false;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != image.pixel(0, 0))
                return false;
        }
    }
    return true;
}

// As root: runs this test program again as the unprivileged test user,
// creating the user when missing; its exit code.
int runAsTestUser(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const auto succeeds = [](const QString& program, const QStringList& arguments) {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(program, arguments);
        return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    };
    if (!succeeds(u"id"_s, {u"-u"_s, testUser}) &&
        !succeeds(u"useradd"_s, {u"--system"_s, u"--create-home"_s, u"--shell"_s,
                                 u"/usr/sbin/nologin"_s, testUser})) {
        qInfo("SKIP: sway does not run as root, and the user %s cannot be created",
              qPrintable(testUser));
        return skipReturnCode;
    }
    // The test user may not reach the build tree (a home folder of root's,
    // say): the programs and the example scripts go to a folder of its own.
    QTemporaryDir stage(QDir::tempPath() + u"/vantri-sway-XXXXXX"_s);
    const QString examples =
        QDir::cleanPath(qEnvironmentVariable("VANTRI_TEST_DATA") + u"/../../examples/scripts"_s);
    const QString self = stage.filePath(u"tst_wayland_sway"_s);
    if (!stage.isValid() ||
        !QFile::setPermissions(stage.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                 QFile::ExeOwner | QFile::ReadOther |
                                                 QFile::ExeOther) ||
        !QFile::copy(QCoreApplication::applicationFilePath(), self) ||
        !QFile::copy(qEnvironmentVariable("VANTRI_BINARY"), stage.filePath("vantri")) ||
        !QFile::copy(qEnvironmentVariable("VANTRI_APP_BINARY"), stage.filePath("vantri-app")) ||
        !QDir().mkpath(stage.filePath("tests/data")) ||
        !QDir().mkpath(stage.filePath("examples")) ||
        !succeeds(u"cp"_s, {u"-R"_s, examples, stage.filePath("examples/scripts")}) ||
        !succeeds(u"chmod"_s, {u"-R"_s, u"a+rX"_s, stage.path()})) {
        qInfo("SKIP: the programs cannot be staged for %s in %s", qPrintable(testUser),
              qPrintable(stage.path()));
        return skipReturnCode;
    }
    QStringList arguments{u"-u"_s, testUser, u"--"_s, u"env"_s};
    arguments << u"VANTRI_BINARY="_s + stage.filePath("vantri")
              << u"VANTRI_APP_BINARY="_s + stage.filePath("vantri-app")
              << u"VANTRI_TEST_DATA="_s + stage.filePath("tests/data") << self;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QProcess test;
    test.setProcessChannelMode(QProcess::ForwardedChannels);
    test.start(u"runuser"_s, arguments);
    if (!test.waitForFinished(-1) || test.exitStatus() != QProcess::NormalExit)
        return 1;
    return test.exitCode();
}

} // namespace

// The built program under a real Wayland compositor (sway, headless, with
// Xwayland), driven as a user would: `vantri toggle` from the compositor's
// key binding, typing through the compositor's virtual keyboard, a native
// Wayland terminal taking the focus.
class TestWaylandSway : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void toggleShowsAFloatingPanelWithTheFieldFocused();
    void typingListsResultsWithoutMovingThePanel();
    void returnRunsTheExampleScriptAndHides();
    void aNativeWaylandWindowTakingTheFocusHidesThePanel();
    void escapeHidesThePanel();
    // From here on the instance and swaybar's tray share a session bus.
    void theTrayMenuUnderXwaylandOpensAtTheIcon();
    // From here on a native Wayland instance runs in place of the first.
    void theTrayMenuOfANativeInstanceIsAPopup();
    void aLaunchedProgramGetsAFreshActivationTokenAndTheFocus();

private:
    std::optional<WindowNode> window(const QString& name) const;
    // Runs a client of the compositor to its end; whether it succeeded.
    bool run(const QString& program, const QStringList& arguments,
             QByteArray* output = nullptr) const;
    int vantri(const QStringList& arguments) const;
    // Types through a virtual keyboard of the compositor (wtype's arguments).
    bool typeKeys(const QStringList& keys) const;
    // The panel shown, floating and focused, after `vantri toggle`.
    std::optional<WindowNode> summonPanel() const;
    bool panelHidden() const;
    QImage screenshot(const QString& name) const;
    // Runs gdbus's `call` on the tray's session bus; what it printed.
    QString busCall(const QStringList& arguments) const;
    // The items registered with swaybar's tray, each as its service and path.
    QList<QRegularExpressionMatch> trayItems() const;
    // Ends the instance and starts it again in `environment`.
    bool restartVantri(const QProcessEnvironment& environment);
    // Where an X11 menu of the instance is shown, as the X server has it.
    std::optional<QRect> shownX11Menu() const;

    IsolatedEnvironment _environment;
    QProcessEnvironment _clients;
    // The clients' environment with the tray's session bus.
    QProcessEnvironment _trayClients;
    QProcess _sway;
    QProcess _vantri;
    QProcess _terminal;
    QProcess _sessionBus;
    QProcess _trayBar;
    QRect _panelRect;
    QImage _beforeTyping;
};

void TestWaylandSway::initTestCase() {
    QVERIFY2(QFileInfo(qEnvironmentVariable("VANTRI_BINARY")).isExecutable(),
             "VANTRI_BINARY must name the built program");
    const TempTree& tree = _environment.tree();
    const QString examples =
        QDir::cleanPath(qEnvironmentVariable("VANTRI_TEST_DATA") + u"/../../examples/scripts"_s);
    QVERIFY2(QFileInfo::exists(examples + u"/hello.meta"_s), "the example scripts are missing");
    {
        const auto preferences = openPreferences();
        preferences->setValue(PreferenceKeys::scriptFolderPath, examples);
        // The one-time alert would take the focus from the panel mid-test.
        preferences->setValue(PreferenceKeys::accessibilityPromptShown, true);
    }
    // An application that records the environment it was started with.
    const QString launched = tree.writeFile(
        u"bin/launched"_s, "#!/bin/sh\nenv -0 > '" + tree.path(u"launched-environment"_s).toUtf8() +
                               "'\nexec foot --title '" + launchedTitle.toUtf8() + "' sleep 600\n");
    QVERIFY(QFile::setPermissions(launched, QFile::ReadOwner | QFile::ExeOwner));
    tree.writeFile(
        u"share/applications/token-probe.desktop"_s,
        "[Desktop Entry]\nType=Application\nName=Token Probe\nExec=" + launched.toUtf8() + "\n");
    // Headless with no input devices, software rendering, one 1280 by 800 output.
    const QString environmentFile = tree.path(u"session-environment"_s);
    const QString config = tree.writeFile(
        u"sway/config"_s, "output HEADLESS-1 resolution 1280x800\n"
                          "xwayland enable\n"
                          "default_border pixel 2\n"
                          // A tray bar only where a test starts one.
                          "bar {\n id tray\n swaybar_command true\n tray_output *\n}\n"
                          "exec sh -c 'echo \"$WAYLAND_DISPLAY $DISPLAY $SWAYSOCK\" > " +
                              environmentFile.toUtf8() + "'\n");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "SWAYSOCK"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(u"WLR_BACKENDS"_s, u"headless"_s);
    environment.insert(u"WLR_LIBINPUT_NO_DEVICES"_s, u"1"_s);
    environment.insert(u"WLR_RENDERER"_s, u"pixman"_s);
    _sway.setProcessEnvironment(environment);
    _sway.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    _sway.setStandardOutputFile(tree.path(u"sway.log"_s));
    _sway.setStandardErrorFile(tree.path(u"sway.log"_s));
    _sway.start(u"sway"_s, {u"-c"_s, config});
    QVERIFY(_sway.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(environmentFile).size() > 0, 30000);

    const QStringList session = QString::fromLocal8Bit(fileContents(environmentFile)).split(u' ');
    QCOMPARE(session.size(), 3);
    _clients = environment;
    _clients.insert(u"WAYLAND_DISPLAY"_s, session[0]);
    _clients.insert(u"DISPLAY"_s, session[1]);
    _clients.insert(u"SWAYSOCK"_s, session[2].trimmed());
    _clients.insert(u"XDG_SESSION_TYPE"_s, u"wayland"_s);
    _clients.insert(u"XDG_CURRENT_DESKTOP"_s, u"sway"_s);

    _vantri.setProcessEnvironment(_clients);
    _vantri.setProcessChannelMode(QProcess::ForwardedChannels);
    // The full program itself, so that this process is the instance.
    _vantri.start(qEnvironmentVariable("VANTRI_APP_BINARY"), {});
    QVERIFY(_vantri.waitForStarted());
    // No tray here: Vantri opens Settings at start. Closed, it leaves the stage clear.
    QTRY_VERIFY_WITH_TIMEOUT(window(u"Settings"_s), 30000);
    QVERIFY(run(u"swaymsg"_s, {u"[title=\"^Settings$\"] kill"_s}));
    QTRY_VERIFY(!window(u"Settings"_s));
}

void TestWaylandSway::cleanupTestCase() {
    if (_vantri.state() == QProcess::Running) {
        vantri({u"quit"_s});
        _vantri.waitForFinished();
    }
    for (QProcess* process : {&_terminal, &_trayBar, &_sessionBus}) {
        process->kill();
        process->waitForFinished();
    }
    _sway.terminate();
    _sway.waitForFinished();
}

bool TestWaylandSway::run(const QString& program, const QStringList& arguments,
                          QByteArray* output) const {
    QProcess process;
    process.setProcessEnvironment(_clients);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return false;
    if (output)
        *output = process.readAllStandardOutput();
    return true;
}

int TestWaylandSway::vantri(const QStringList& arguments) const {
    QProcess process;
    process.setProcessEnvironment(_clients);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(qEnvironmentVariable("VANTRI_BINARY"), arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    return process.exitCode();
}

bool TestWaylandSway::typeKeys(const QStringList& keys) const {
    // Each wtype brings a keyboard of its own, whose key map Xwayland takes
    // over only after the first keys have already arrived: they would be lost
    // without the pause, a real keyboard is there all along.
    return run(u"wtype"_s, QStringList{u"-s"_s, u"500"_s} + keys);
}

std::optional<WindowNode> TestWaylandSway::window(const QString& name) const {
    QByteArray tree;
    if (!run(u"swaymsg"_s, {u"-r"_s, u"-t"_s, u"get_tree"_s}, &tree))
        return std::nullopt;
    return findWindow(QJsonDocument::fromJson(tree).object(), name, false);
}

std::optional<WindowNode> TestWaylandSway::summonPanel() const {
    if (vantri({u"toggle"_s}) != 0)
        return std::nullopt;
    // Shown, focused, and settled where the compositor keeps it: the same
    // place twice in a row.
    std::optional<WindowNode> panel;
    QRect previous;
    const bool shown = QTest::qWaitFor([&] {
        panel = window(panelTitle);
        if (!panel || !panel->visible || !panel->focused)
            return false;
        return std::exchange(previous, panel->rect) == panel->rect;
    });
    return shown ? panel : std::nullopt;
}

bool TestWaylandSway::panelHidden() const {
    const std::optional<WindowNode> panel = window(panelTitle);
    return !panel || !panel->visible;
}

QImage TestWaylandSway::screenshot(const QString& name) const {
    const QString folder = qEnvironmentVariable("SCREENSHOT_DIR");
    const QString path =
        QDir(folder.isEmpty() ? _environment.tree().path() : folder).filePath(name + ".png");
    return run(u"grim"_s, {path}) ? QImage(path) : QImage();
}

QString TestWaylandSway::busCall(const QStringList& arguments) const {
    QProcess process;
    process.setProcessEnvironment(_trayClients);
    process.start(u"gdbus"_s, QStringList{u"call"_s, u"--session"_s} + arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QList<QRegularExpressionMatch> TestWaylandSway::trayItems() const {
    static const QRegularExpression registered(u"'([^'/]+)(/[^']+)'"_s);
    const QString items = busCall(
        {u"--dest"_s, u"org.kde.StatusNotifierWatcher"_s, u"--object-path"_s,
         u"/StatusNotifierWatcher"_s, u"--method"_s, u"org.freedesktop.DBus.Properties.Get"_s,
         u"org.kde.StatusNotifierWatcher"_s, u"RegisteredStatusNotifierItems"_s});
    QList<QRegularExpressionMatch> matches;
    for (const QRegularExpressionMatch& match : registered.globalMatch(items))
        matches << match;
    return matches;
}

bool TestWaylandSway::restartVantri(const QProcessEnvironment& environment) {
    if (vantri({u"quit"_s}) != 0 || !_vantri.waitForFinished(30000))
        return false;
    // The item of the instance that ended leaves the tray first.
    if (!QTest::qWaitFor([&] { return trayItems().isEmpty(); }, 15000))
        return false;
    _vantri.setProcessEnvironment(environment);
    _vantri.start(qEnvironmentVariable("VANTRI_APP_BINARY"), {});
    return _vantri.waitForStarted();
}

std::optional<QRect> TestWaylandSway::shownX11Menu() const {
    QByteArray windows;
    if (!run(u"xdotool"_s,
             {u"search"_s, u"--onlyvisible"_s, u"--pid"_s, QString::number(_vantri.processId())},
             &windows))
        return std::nullopt;
    static const QRegularExpression field(
        u"^\\s*(Absolute upper-left X|Absolute upper-left Y|Width|Height|Override Redirect State):\\s*(\\S+)"_s,
        QRegularExpression::MultilineOption);
    for (const QByteArray& id : windows.split('\n')) {
        QByteArray info;
        if (id.isEmpty() || !run(u"xwininfo"_s, {u"-id"_s, QString::fromLatin1(id)}, &info))
            continue;
        QHash<QString, QString> values;
        for (const QRegularExpressionMatch& match : field.globalMatch(QString::fromUtf8(info)))
            values.insert(match.captured(1), match.captured(2));
        // Menus are the windows no window manager handles.
        if (values.value(u"Override Redirect State"_s) == u"yes")
            return QRect(values.value(u"Absolute upper-left X"_s).toInt(),
                         values.value(u"Absolute upper-left Y"_s).toInt(),
                         values.value(u"Width"_s).toInt(), values.value(u"Height"_s).toInt());
    }
    return std::nullopt;
}

void TestWaylandSway::toggleShowsAFloatingPanelWithTheFieldFocused() {
    std::optional<WindowNode> panel = summonPanel();
    QVERIFY(panel);
    QVERIFY(panel->floating);
    QCOMPARE(panel->rect.width(), 600);
    // sway centres the panel and centres it again at each change of size: the
    // panel takes the size of its longest list at once, so none follows.
    QTRY_COMPARE((panel = window(panelTitle)).value_or(WindowNode()).rect.height(), fullHeight);
    QVERIFY(panel->visible && panel->focused);
    _panelRect = panel->rect;
    _beforeTyping = screenshot(u"1-shown"_s);
    QVERIFY(!_beforeTyping.isNull());
}

void TestWaylandSway::typingListsResultsWithoutMovingThePanel() {
    // Typed without a click: the field has the focus.
    QVERIFY(typeKeys({u"hello"_s}));
    // The result area under the field fills in: the band below the search
    // area, empty desktop before, shows rows.
    const QRect resultBand(_panelRect.x(), _panelRect.y() + 80, _panelRect.width(), 50);
    QVERIFY2(isOneColour(_beforeTyping.copy(resultBand)), "the result area shows before typing");
    QTRY_VERIFY_WITH_TIMEOUT(!isOneColour(screenshot(u"2-results"_s).copy(resultBand)), 15000);
    const std::optional<WindowNode> panel = window(panelTitle);
    QVERIFY(panel);
    QCOMPARE(panel->rect.topLeft(), _panelRect.topLeft());
}

void TestWaylandSway::returnRunsTheExampleScriptAndHides() {
    QVERIFY(typeKeys({u"-k"_s, u"Return"_s}));
    screenshot(u"3-ran"_s);
    // Shown once the script has ended well.
    QTRY_VERIFY_WITH_TIMEOUT(panelHidden(), 15000);
}

void TestWaylandSway::aNativeWaylandWindowTakingTheFocusHidesThePanel() {
    QVERIFY(summonPanel());
    _terminal.setProcessEnvironment(_clients);
    // A command of its own that lasts: the terminal would otherwise run the
    // test user's login shell, which may refuse at once and close it again.
    _terminal.start(u"foot"_s, {u"--title"_s, terminalTitle, u"sleep"_s, u"600"_s});
    QVERIFY(_terminal.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(window(terminalTitle).value_or(WindowNode()).focused, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(panelHidden(), 15000);
    screenshot(u"4-terminal-focused"_s);
    // One toggle brings it back, focused.
    QVERIFY(summonPanel());
}

void TestWaylandSway::escapeHidesThePanel() {
    QVERIFY(typeKeys({u"-k"_s, u"Escape"_s}));
    QTRY_VERIFY(panelHidden());
    screenshot(u"5-escaped"_s);
}

void TestWaylandSway::theTrayMenuUnderXwaylandOpensAtTheIcon() {
    // A session bus, and swaybar's tray on it, which comes up after Vantri
    // as a desktop's panel may at login.
    _sessionBus.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address"_s});
    QVERIFY(_sessionBus.waitForReadyRead(30000));
    _trayClients = _clients;
    _trayClients.insert(u"DBUS_SESSION_BUS_ADDRESS"_s,
                        QString::fromUtf8(_sessionBus.readLine().trimmed()));
    QVERIFY(restartVantri(_trayClients));
    QElapsedTimer sinceStart;
    sinceStart.start();
    _trayBar.setProcessEnvironment(_trayClients);
    _trayBar.start(u"swaybar"_s, {u"-b"_s, u"tray"_s});
    QVERIFY(_trayBar.waitForStarted());
    // One icon, not one of Vantri's and one of Qt's.
    QTRY_COMPARE_WITH_TIMEOUT(trayItems().size(), qsizetype(1), 30000);
    const QRegularExpressionMatch item = trayItems().constFirst();

    // As swaybar asks on a click in its tray at the bottom right of the
    // screen; the pointer was last over an X11 window elsewhere, if at all.
    const QPoint click(1270, 790);
    QVERIFY(busCall({u"--dest"_s, item.captured(1), u"--object-path"_s, item.captured(2),
                     u"--method"_s, u"org.kde.StatusNotifierItem.ContextMenu"_s,
                     QString::number(click.x()), QString::number(click.y())})
                .startsWith(u"()"));
    std::optional<QRect> menu;
    QTRY_VERIFY_WITH_TIMEOUT((menu = shownX11Menu()).has_value(), 15000);
    // At the point, or moved just so far that it stays on the screen.
    QVERIFY2(menu->adjusted(-2, -2, 2, 2).contains(click) && QRect(0, 0, 1280, 800).contains(*menu),
             qPrintable(u"menu at %1,%2 %3x%4"_s.arg(menu->x())
                            .arg(menu->y())
                            .arg(menu->width())
                            .arg(menu->height())));
    screenshot(u"9-tray-xwayland"_s);
    // The tray came within the time a tray host is given: Settings does not
    // stand in for it once that time is over.
    QTest::qWait(
        std::max(0, int(VantriApp::defaultTrayHostGrace.count() + 500 - sinceStart.elapsed())));
    QVERIFY(!window(u"Settings"_s));
    // The menu has the keyboard, and its first entry opens Settings.
    QVERIFY(typeKeys({u"-k"_s, u"Down"_s, u"-k"_s, u"Return"_s}));
    QTRY_VERIFY_WITH_TIMEOUT(window(u"Settings"_s), 15000);
    QVERIFY(run(u"swaymsg"_s, {u"[title=\"^Settings$\"] kill"_s}));
}

void TestWaylandSway::theTrayMenuOfANativeInstanceIsAPopup() {
    // The instance again, this time a native Wayland client.
    QProcessEnvironment session = _trayClients;
    session.remove(u"DISPLAY"_s);
    // A token of its own start, which no program it launches may inherit.
    session.insert(u"XDG_ACTIVATION_TOKEN"_s, u"stale-token"_s);
    QVERIFY(restartVantri(session));
    QList<QRegularExpressionMatch> items;
    QTRY_VERIFY_WITH_TIMEOUT(!(items = trayItems()).isEmpty(), 30000);
    const QRegularExpressionMatch item = items.constFirst();
    // The screen away from the bar, where the icon may still be drawing.
    const QRect below(0, 30, 1280, 740);
    const QImage before = screenshot(u"6-tray-before"_s).copy(below);

    // As swaybar asks on a right click, with the place of the click.
    busCall({u"--dest"_s, item.captured(1), u"--object-path"_s, item.captured(2), u"--method"_s,
             u"org.kde.StatusNotifierItem.ContextMenu"_s, u"1270"_s, u"10"_s});
    QTRY_VERIFY_WITH_TIMEOUT(screenshot(u"7-tray-menu"_s).copy(below) != before, 15000);
    // Whatever stands for the menu floats: no tiled window of Vantri's.
    const std::optional<WindowNode> shown = window(u"Vantri"_s);
    QVERIFY2(!shown || shown->floating, "the tray menu opened as a tiled window");
    // The menu has the keyboard, and its first entry opens Settings.
    QVERIFY(typeKeys({u"-k"_s, u"Down"_s, u"-k"_s, u"Return"_s}));
    QTRY_VERIFY_WITH_TIMEOUT(window(u"Settings"_s), 15000);
    screenshot(u"8-tray-settings"_s);
}

void TestWaylandSway::aLaunchedProgramGetsAFreshActivationTokenAndTheFocus() {
    const QString dump = _environment.tree().path(u"launched-environment"_s);
    QVERIFY(run(u"swaymsg"_s, {u"[title=\"^Settings$\"] kill"_s}));
    // One keyboard for the whole sequence, there before the panel: a native
    // client is told of each new keyboard, and Qt takes that as a focus change.
    QProcess keyboard;
    keyboard.setProcessEnvironment(_clients);
    keyboard.start(u"wtype"_s, {u"-s"_s, u"4000"_s, u"Token Probe"_s, u"-s"_s, u"3000"_s, u"-k"_s,
                                u"Return"_s});
    QVERIFY(keyboard.waitForStarted());
    QVERIFY(summonPanel());
    QVERIFY(keyboard.waitForFinished(30000));
    screenshot(u"9-token-probe"_s);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(dump), 15000);
    const QString token = environmentIn(fileContents(dump)).value(u"XDG_ACTIVATION_TOKEN"_s);
    // Issued for this launch by the compositor (wlroots makes 16 random
    // bytes in hexadecimal), never the one the instance was started with.
    static const QRegularExpression issued(u"^[0-9a-f]{32}$"_s);
    QVERIFY2(issued.match(token).hasMatch(), qPrintable(token));
    // sway 1.7 honours an activation only for a window already mapped, so
    // the first window's focus is the compositor's own for a new window.
    QTRY_VERIFY_WITH_TIMEOUT(window(launchedTitle).value_or(WindowNode()).focused, 15000);
}

int main(int argc, char** argv) {
    for (const QString& program : programsNeeded) {
        if (QStandardPaths::findExecutable(program).isEmpty()) {
            qInfo("SKIP: %s is not installed", qPrintable(program));
            return skipReturnCode;
        }
    }
    if (::geteuid() == 0)
        return runAsTestUser(argc, argv);
    QCoreApplication application(argc, argv);
    TestWaylandSway test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_wayland_sway.moc"
