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

#include <csignal>

namespace {

const QString panelTitle = QStringLiteral("Vantri Launcher");
const QString settingsTitle = QStringLiteral("Settings");
// 1280 by 800 screen: 600 wide, centred, 0.324 × 800 = 259 below the top.
const QRect panelFrame(340, 259, 600, 60);

QByteArray fileContents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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

// The built program on a virtual desktop with a window manager and a tray
// host, driven from outside as a user would: the hotkey, typing, Return and
// Escape, the tray menu and the settings window, and the command line.
class TestX11EndToEnd : public QObject {
    Q_OBJECT

public:
    explicit TestX11EndToEnd(VirtualDesktop& desktop)
        : _desktop(desktop) {}

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void hotKeyShowsThePanelInPlaceWithTheFieldFocused();
    void returnRunsTheTypedScriptWithItsArgumentsAndHides();
    void returnOpensTheTypedApplicationAndHides();
    void escapeHidesAndTheHotKeyTogglesTheSameWindow();
    void clickInAnotherProgramHidesThePanelOneInsideDoesNot();
    void toggleCommandShowsAndHidesTheRunningPanel();
    void secondPlainStartOpensSettingsInTheRunningInstance();
    void settingsInTheTrayMenuOpensTheSettingsWindow();
    void chosenShortcutTakesOverFromTheOldOneAtOnce();
    void vantriOfAnotherSessionIsRefusedTheHotKeyAndKeepsRunning();
    void quitCommandEndsTheInstanceAndAKilledOneIsReplaced();

private:
    QList<VirtualDesktop::ShownWindow> shownWindows(const QString& title) const;
    // The panel's window, 0 while none is shown.
    quint64 shownPanel() const;
    // Presses `keys` and waits for the panel to be shown and active; the
    // panel's window, or 0 when it did not come.
    quint64 summonPanel(const QString& keys) const;
    // Waits for the one settings window to be shown, at its size, and active.
    bool settingsShownAndActive() const;
    std::optional<VirtualDesktop::ShownWindow> trayIcon() const;
    // Vantri with a session of its own (a runtime and a data folder under
    // `session`), so that it never hands over to any other Vantri of this user.
    QProcessEnvironment sessionEnvironment(const QString& session) const;
    bool startVantri(QProcess& process, const QString& session) const;
    // Runs vantri with `arguments` in the first session to its end; its exit code.
    int runVantri(const QStringList& arguments) const;

    VirtualDesktop& _desktop;
    IsolatedEnvironment _environment;
    QProcess _trayHost;
    QProcess _vantri;
    QString _argumentsFile;
    QString _openedFile;
};

QList<VirtualDesktop::ShownWindow> TestX11EndToEnd::shownWindows(const QString& title) const {
    QList<VirtualDesktop::ShownWindow> windows = _desktop.shownWindows(_vantri.processId());
    windows.removeIf(
        [&](const VirtualDesktop::ShownWindow& window) { return window.title != title; });
    return windows;
}

quint64 TestX11EndToEnd::shownPanel() const {
    const auto panels = shownWindows(panelTitle);
    return panels.isEmpty() ? 0 : panels.first().id;
}

quint64 TestX11EndToEnd::summonPanel(const QString& keys) const {
    quint64 panel = 0;
    return _desktop.press(keys) && QTest::qWaitFor([&] {
               return (panel = shownPanel()) != 0 && _desktop.activeWindow() == panel;
           })
               ? panel
               : 0;
}

bool TestX11EndToEnd::settingsShownAndActive() const {
    return QTest::qWaitFor([&] {
        const auto settings = shownWindows(settingsTitle);
        return settings.size() == 1 && settings.first().geometry.size() == Settings::panelSize &&
               _desktop.activeWindow() == settings.first().id;
    });
}

// The tray icon and the tray menu are both titled "Vantri"; the icon is the
// small one docked in the tray host.
std::optional<VirtualDesktop::ShownWindow> TestX11EndToEnd::trayIcon() const {
    for (const auto& window : shownWindows(QStringLiteral("Vantri"))) {
        if (window.geometry.width() <= 32 && window.geometry.height() <= 32)
            return window;
    }
    return std::nullopt;
}

QProcessEnvironment TestX11EndToEnd::sessionEnvironment(const QString& session) const {
    const QString runtime = _environment.tree().makeDir(session + QStringLiteral("/runtime"));
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment environment = _desktop.environment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.insert(QStringLiteral("XDG_DATA_HOME"),
                       _environment.tree().makeDir(session + QStringLiteral("/data")));
    return environment;
}

bool TestX11EndToEnd::startVantri(QProcess& process, const QString& session) const {
    const QProcessEnvironment environment = sessionEnvironment(session);
    const QString indexFile = environment.value(QStringLiteral("XDG_DATA_HOME")) +
                              QStringLiteral("/Vantri/appIndex.json");
    QFile::remove(indexFile);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(qEnvironmentVariable("VANTRI_BINARY"), {});
    // The index file is written a moment after the launch sequence, and with
    // it the hotkey registration, has run.
    return process.waitForStarted() && QTest::qWaitFor(
                                           [&] {
                                               return process.state() == QProcess::Running &&
                                                      QFileInfo(indexFile).size() > 0;
                                           },
                                           30000);
}

int TestX11EndToEnd::runVantri(const QStringList& arguments) const {
    QProcess process;
    process.setProcessEnvironment(sessionEnvironment(QStringLiteral("first")));
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(qEnvironmentVariable("VANTRI_BINARY"), arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    return process.exitCode();
}

void TestX11EndToEnd::initTestCase() {
    QVERIFY2(QFileInfo(qEnvironmentVariable("VANTRI_BINARY")).isExecutable(),
             "VANTRI_BINARY must name the built program");
    _trayHost.setProcessEnvironment(_desktop.environment());
    _trayHost.start(QStringLiteral("trayer"),
                    {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                     QStringLiteral("right"), QStringLiteral("--widthtype"),
                     QStringLiteral("request"), QStringLiteral("--height"), QStringLiteral("24")});
    QVERIFY2(_trayHost.waitForStarted(), "trayer is not installed");
    // Vantri opens Settings at start when it finds no tray: the tray is there first.
    QVERIFY(_desktop.run(QStringLiteral("xdotool"),
                         {QStringLiteral("search"), QStringLiteral("--sync"),
                          QStringLiteral("--onlyvisible"), QStringLiteral("--class"),
                          QStringLiteral("trayer")}));

    const TempTree& tree = _environment.tree();
    _argumentsFile = tree.path(QStringLiteral("arguments.txt"));
    _openedFile = tree.path(QStringLiteral("opened.txt"));
    const QByteArray metadata = "description: test\nauthor: test\nwebsite: \"\"\ntype: bash\n"
                                "arguments: []\nenvironments: []\ntags: []\n";
    tree.writeFile(QStringLiteral("scripts/greet.meta"),
                   "name: Greet\ncommand: greet\n" + metadata);
    tree.writeFile(QStringLiteral("scripts/greet.sh"),
                   "printf '%s\\n' \"$@\" > '" + _argumentsFile.toUtf8() + "'\n");
    // Filed under "greet alice bob"; running it runs greet with two arguments.
    tree.writeFile(QStringLiteral("scripts/greet-pair.meta"),
                   "name: Greet Alice and Bob\ncommand: greet Alice Bob\n" + metadata);
    tree.writeFile(QStringLiteral("scripts/greet-pair.sh"), "exit 1\n");
    tree.writeFile(QStringLiteral("share/applications/zebra-notes.desktop"),
                   "[Desktop Entry]\nType=Application\nName=Zebra Notes\nExec=touch " +
                       _openedFile.toUtf8() + "\n");

    const auto preferences = openPreferences();
    preferences->setValue(PreferenceKeys::savedShortcut, QStringLiteral("⌃⌥␣"));
    preferences->setValue(PreferenceKeys::scriptFolderPath, tree.path(QStringLiteral("scripts")));
    preferences->sync();

    QVERIFY(startVantri(_vantri, QStringLiteral("first")));
}

void TestX11EndToEnd::cleanupTestCase() {
    QCOMPARE(_vantri.state(), QProcess::Running);
    _vantri.terminate();
    QVERIFY(_vantri.waitForFinished());
    _trayHost.terminate();
    _trayHost.waitForFinished();
}

void TestX11EndToEnd::hotKeyShowsThePanelInPlaceWithTheFieldFocused() {
    QCOMPARE(shownPanel(), 0u);
    const quint64 panel = summonPanel(QStringLiteral("ctrl+alt+space"));
    QVERIFY(panel != 0);
    QTRY_COMPARE(_desktop.shownGeometry(panel), panelFrame);
}

void TestX11EndToEnd::returnRunsTheTypedScriptWithItsArgumentsAndHides() {
    const quint64 panel = shownPanel();
    QVERIFY(panel != 0);
    // Typed without a click: the field has the focus.
    QVERIFY(_desktop.type(QStringLiteral("greet alice bob")));
    // The result area opens under the field once the script is found.
    QTRY_COMPARE(_desktop.shownGeometry(panel).height(), 60 + 20 + 50);
    QVERIFY(_desktop.press(QStringLiteral("Return")));
    QTRY_COMPARE(fileContents(_argumentsFile), QByteArray("Alice\nBob\n"));
    QTRY_COMPARE(shownPanel(), 0u);
}

void TestX11EndToEnd::returnOpensTheTypedApplicationAndHides() {
    const quint64 panel = summonPanel(QStringLiteral("ctrl+alt+space"));
    QVERIFY(panel != 0);
    // The field still holds the last query: replace it.
    QVERIFY(_desktop.press(QStringLiteral("ctrl+a")));
    QVERIFY(_desktop.type(QStringLiteral("zebra")));
    QTRY_COMPARE(_desktop.shownGeometry(panel).height(), 60 + 20 + 50);
    QVERIFY(_desktop.press(QStringLiteral("Return")));
    QTRY_VERIFY(QFileInfo::exists(_openedFile));
    QTRY_COMPARE(shownPanel(), 0u);
}

void TestX11EndToEnd::escapeHidesAndTheHotKeyTogglesTheSameWindow() {
    const quint64 panel = summonPanel(QStringLiteral("ctrl+alt+space"));
    QVERIFY(panel != 0);
    QVERIFY(_desktop.press(QStringLiteral("Escape")));
    QTRY_COMPARE(shownPanel(), 0u);

    QVERIFY(_desktop.press(QStringLiteral("ctrl+alt+space")));
    QTRY_COMPARE(shownPanel(), panel);
    QTRY_COMPARE(_desktop.shownGeometry(panel), panelFrame);
    QVERIFY(_desktop.press(QStringLiteral("ctrl+alt+space")));
    QTRY_COMPARE(shownPanel(), 0u);
    QVERIFY(_desktop.press(QStringLiteral("ctrl+alt+space")));
    QTRY_COMPARE(shownPanel(), panel);
    QTRY_COMPARE(_desktop.activeWindow(), panel);
    QVERIFY(_desktop.press(QStringLiteral("Escape")));
    QTRY_COMPARE(shownPanel(), 0u);
}

void TestX11EndToEnd::clickInAnotherProgramHidesThePanelOneInsideDoesNot() {
    QProcess other;
    QVERIFY(_desktop.showOtherProgram(other));
    // The hotkey is grabbed with and without the lock modifiers.
    QVERIFY(_desktop.press(QStringLiteral("Caps_Lock")));
    const quint64 panel = summonPanel(QStringLiteral("ctrl+alt+space"));
    QVERIFY(_desktop.press(QStringLiteral("Caps_Lock")));
    QVERIFY(panel != 0);

    // A click on the panel keeps it, and typing still reaches the field.
    QVERIFY(_desktop.clickAt(panelFrame.center()));
    QVERIFY(_desktop.type(QStringLiteral("zebra")));
    QTRY_COMPARE(_desktop.shownGeometry(panel).height(), 60 + 20 + 50);
    QVERIFY(_desktop.clickAt({60, 60}));
    QTRY_COMPARE(shownPanel(), 0u);
    other.kill();
    other.waitForFinished();
}

void TestX11EndToEnd::toggleCommandShowsAndHidesTheRunningPanel() {
    // Each command returns once the instance has carried it out.
    QCOMPARE(runVantri({QStringLiteral("toggle")}), 0);
    quint64 panel = 0;
    QTRY_VERIFY((panel = shownPanel()) != 0);
    QTRY_COMPARE(_desktop.activeWindow(), panel);
    QTRY_COMPARE(_desktop.shownGeometry(panel), panelFrame);
    // The field has the focus, as after the hotkey.
    QVERIFY(_desktop.press(QStringLiteral("ctrl+a")));
    QVERIFY(_desktop.type(QStringLiteral("zebra")));
    QTRY_COMPARE(_desktop.shownGeometry(panel).height(), 60 + 20 + 50);

    QCOMPARE(runVantri({QStringLiteral("toggle")}), 0);
    QTRY_COMPARE(shownPanel(), 0u);
    QCOMPARE(_vantri.state(), QProcess::Running);
}

void TestX11EndToEnd::secondPlainStartOpensSettingsInTheRunningInstance() {
    QVERIFY(shownWindows(settingsTitle).isEmpty());
    QCOMPARE(runVantri({}), 0);

    QVERIFY(settingsShownAndActive());
    // The running instance is still the only one: one tray icon.
    QCOMPARE(_vantri.state(), QProcess::Running);
    QVERIFY(trayIcon());

    // Closed through the window manager, as its close button would.
    QVERIFY(_desktop.press(QStringLiteral("alt+F4")));
    QTRY_VERIFY(shownWindows(settingsTitle).isEmpty());
    QCOMPARE(_vantri.state(), QProcess::Running);
}

void TestX11EndToEnd::settingsInTheTrayMenuOpensTheSettingsWindow() {
    std::optional<VirtualDesktop::ShownWindow> icon;
    QTRY_VERIFY((icon = trayIcon()));
    const int menusBefore = shownWindows(QStringLiteral("Vantri")).size();
    QVERIFY(_desktop.clickAt(icon->geometry.center(), 3));
    QTRY_COMPARE(shownWindows(QStringLiteral("Vantri")).size(), menusBefore + 1);
    // "Settings" is the menu's first entry.
    QVERIFY(_desktop.press(QStringLiteral("Down")));
    QVERIFY(_desktop.press(QStringLiteral("Return")));

    QVERIFY(settingsShownAndActive());
    QCOMPARE(shownWindows(QStringLiteral("Vantri")).size(), menusBefore);
}

void TestX11EndToEnd::chosenShortcutTakesOverFromTheOldOneAtOnce() {
    const QList<VirtualDesktop::ShownWindow> settings = shownWindows(settingsTitle);
    QCOMPARE(settings.size(), 1);
    // The panel and the chooser are laid out here as well, by the same code on
    // the same display, to know where their buttons are.
    AppState layoutState(std::make_unique<AppIndexManager>(
        QStringList{_environment.tree().makeDir(QStringLiteral("layout-apps"))},
        _environment.tree().path(QStringLiteral("layout-index.json"))));
    Settings panel(
        layoutState, nullptr, [](QWidget*) { return QString(); }, [] {});
    panel.setAttribute(Qt::WA_DontShowOnScreen);
    panel.show();
    QVERIFY(_desktop.clickAt(
        settings.first().geometry.topLeft() +
        centreInWindow(*panel.findChild<QPushButton*>(QStringLiteral("hotkeyButton")))));

    ShortcutSelectorView chooser(layoutState, &panel, [] {});
    chooser.setAttribute(Qt::WA_DontShowOnScreen);
    chooser.show();
    QList<VirtualDesktop::ShownWindow> shown;
    QTRY_COMPARE((shown = shownWindows(QStringLiteral("Launcher Hotkey"))).size(), 1);
    QCOMPARE(shown.first().geometry.size(), chooser.size());
    for (const QString& label :
         {QStringLiteral("⌃"), QStringLiteral("⇧"), QStringLiteral("K"), QStringLiteral("Set")})
        QVERIFY(_desktop.clickAt(shown.first().geometry.topLeft() +
                                 centreInWindow(*buttonLabelled(chooser, label))));
    QTRY_VERIFY(shownWindows(QStringLiteral("Launcher Hotkey")).isEmpty());
    QCOMPARE(openPreferences()->value(PreferenceKeys::savedShortcut).toString(),
             QStringLiteral("⇧⌃K"));

    QCOMPARE(shownPanel(), 0u);
    QVERIFY(_desktop.press(QStringLiteral("ctrl+shift+k")));
    QTRY_VERIFY(shownPanel() != 0);
    QVERIFY(_desktop.press(QStringLiteral("Escape")));
    QTRY_COMPARE(shownPanel(), 0u);

    // Vantri let go of the old combination: another program can take it now,
    // and pressing it reaches that program instead of summoning the panel.
    HotKeyHolder oldHolder(_desktop, parseShortcut(QStringLiteral("⌃⌥␣")));
    QCOMPARE(oldHolder.readLine(), QStringLiteral("held"));
    QVERIFY(_desktop.press(QStringLiteral("ctrl+alt+space")));
    QCOMPARE(oldHolder.readLine(), QStringLiteral("pressed"));
    QCOMPARE(shownPanel(), 0u);
    // ...while the new one stays Vantri's.
    HotKeyHolder newHolder(_desktop, parseShortcut(QStringLiteral("⇧⌃K")));
    QCOMPARE(newHolder.readLine(), QStringLiteral("refused"));
}

void TestX11EndToEnd::vantriOfAnotherSessionIsRefusedTheHotKeyAndKeepsRunning() {
    // Another Vantri on the same display, as another user's would be: its
    // grab is refused, and the first one keeps the hotkey.
    QProcess other;
    QVERIFY(startVantri(other, QStringLiteral("other")));
    QVERIFY(_desktop.press(QStringLiteral("ctrl+shift+k")));
    QTRY_VERIFY(shownPanel() != 0);
    QCOMPARE(other.state(), QProcess::Running);
    QVERIFY(_desktop.press(QStringLiteral("Escape")));
    QTRY_COMPARE(shownPanel(), 0u);
    other.terminate();
    QVERIFY(other.waitForFinished());
}

void TestX11EndToEnd::quitCommandEndsTheInstanceAndAKilledOneIsReplaced() {
    QCOMPARE(runVantri({QStringLiteral("quit")}), 0);
    QVERIFY(_vantri.waitForFinished(30000));
    QCOMPARE(_vantri.exitStatus(), QProcess::NormalExit);
    QCOMPARE(_vantri.exitCode(), 0);
    // With none running, hide starts nothing.
    QCOMPARE(runVantri({QStringLiteral("hide")}), 0);

    // A crashed instance leaves its socket behind; the next start takes over.
    QVERIFY(startVantri(_vantri, QStringLiteral("first")));
    ::kill(pid_t(_vantri.processId()), SIGKILL);
    QVERIFY(_vantri.waitForFinished());
    QVERIFY(startVantri(_vantri, QStringLiteral("first")));
    QCOMPARE(runVantri({QStringLiteral("toggle")}), 0);
    QTRY_VERIFY(shownPanel() != 0);
    QVERIFY(_desktop.press(QStringLiteral("ctrl+shift+k")));
    QTRY_COMPARE(shownPanel(), 0u);
}

VANTRI_X11_TEST_MAIN(TestX11EndToEnd)
#include "tst_x11_endtoend.moc"
