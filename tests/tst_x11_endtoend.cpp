#include "TempTree.h"
#include "VirtualDesktop.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"

#include <QtTest>

namespace {
QByteArray fileContents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

// The built program on a virtual desktop with a window manager, driven from
// outside with xdotool: the hotkey, typing, Return and Escape.
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
    void secondVantriIsRefusedTheHotKeyAndKeepsRunning();

private:
    bool press(const QString& keys) const;
    bool type(const QString& text) const;
    // The panel's window, 0 while none is shown.
    quint64 shownPanel() const;
    QRect shownGeometry(quint64 window) const;
    // Starts a Vantri of its own: its own runtime folder keeps it from handing
    // over to any other Vantri of this user.
    bool startVantri(QProcess& process, const QString& name) const;

    VirtualDesktop& _desktop;
    IsolatedEnvironment _environment;
    QProcess _vantri;
    QString _argumentsFile;
    QString _openedFile;
};

bool TestX11EndToEnd::press(const QString& keys) const {
    return _desktop.run(QStringLiteral("xdotool"), {QStringLiteral("key"), keys}).has_value();
}

bool TestX11EndToEnd::type(const QString& text) const {
    return _desktop.run(QStringLiteral("xdotool"), {QStringLiteral("type"), text}).has_value();
}

quint64 TestX11EndToEnd::shownPanel() const {
    const auto found = _desktop.run(QStringLiteral("xdotool"),
                                    {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                     QStringLiteral("--pid"), QString::number(_vantri.processId()),
                                     QStringLiteral("--name"), QStringLiteral("^Vantri$")});
    return found ? found->section(QLatin1Char('\n'), 0, 0).toULongLong() : 0;
}

QRect TestX11EndToEnd::shownGeometry(quint64 window) const {
    const auto state = _desktop.windowState(window);
    return state && state->viewable ? state->geometry : QRect();
}

bool TestX11EndToEnd::startVantri(QProcess& process, const QString& name) const {
    const QString runtime = _environment.tree().makeDir(name + QStringLiteral("/runtime"));
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString dataHome = _environment.tree().makeDir(name + QStringLiteral("/data"));
    QProcessEnvironment environment = _desktop.environment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(qEnvironmentVariable("VANTRI_BINARY"), {});
    // The index file is written a moment after the launch sequence, and with
    // it the hotkey registration, has run.
    return process.waitForStarted() &&
           QTest::qWaitFor(
               [&] {
                   return process.state() == QProcess::Running &&
                          QFileInfo(dataHome + QStringLiteral("/Vantri/appIndex.json")).size() > 0;
               },
               30000);
}

void TestX11EndToEnd::initTestCase() {
    QVERIFY2(QFileInfo(qEnvironmentVariable("VANTRI_BINARY")).isExecutable(),
             "VANTRI_BINARY must name the built program");
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
}

void TestX11EndToEnd::hotKeyShowsThePanelInPlaceWithTheFieldFocused() {
    QCOMPARE(shownPanel(), 0u);
    QVERIFY(press(QStringLiteral("ctrl+alt+space")));
    quint64 panel = 0;
    QTRY_VERIFY((panel = shownPanel()) != 0);
    // 1280 by 800 screen: 600 wide, centred, 0.324 × 800 = 259 below the top.
    QTRY_COMPARE(shownGeometry(panel), QRect(340, 259, 600, 60));
    QTRY_COMPARE(_desktop.activeWindow(), panel);
}

void TestX11EndToEnd::returnRunsTheTypedScriptWithItsArgumentsAndHides() {
    const quint64 panel = shownPanel();
    QVERIFY(panel != 0);
    // Typed without a click: the field has the focus.
    QVERIFY(type(QStringLiteral("greet alice bob")));
    // The result area opens under the field once the script is found.
    QTRY_COMPARE(shownGeometry(panel).height(), 60 + 20 + 50);
    QVERIFY(press(QStringLiteral("Return")));
    QTRY_COMPARE(fileContents(_argumentsFile), QByteArray("Alice\nBob\n"));
    QTRY_COMPARE(shownPanel(), 0u);
}

void TestX11EndToEnd::returnOpensTheTypedApplicationAndHides() {
    QVERIFY(press(QStringLiteral("ctrl+alt+space")));
    quint64 panel = 0;
    QTRY_VERIFY((panel = shownPanel()) != 0);
    QTRY_COMPARE(_desktop.activeWindow(), panel);
    // The field still holds the last query: replace it.
    QVERIFY(press(QStringLiteral("ctrl+a")));
    QVERIFY(type(QStringLiteral("zebra")));
    QTRY_COMPARE(shownGeometry(panel).height(), 60 + 20 + 50);
    QVERIFY(press(QStringLiteral("Return")));
    QTRY_VERIFY(QFileInfo::exists(_openedFile));
    QTRY_COMPARE(shownPanel(), 0u);
}

void TestX11EndToEnd::escapeHidesAndTheHotKeyTogglesTheSameWindow() {
    QVERIFY(press(QStringLiteral("ctrl+alt+space")));
    quint64 panel = 0;
    QTRY_VERIFY((panel = shownPanel()) != 0);
    QTRY_COMPARE(_desktop.activeWindow(), panel);
    QVERIFY(press(QStringLiteral("Escape")));
    QTRY_COMPARE(shownPanel(), 0u);

    QVERIFY(press(QStringLiteral("ctrl+alt+space")));
    QTRY_COMPARE(shownPanel(), panel);
    QTRY_COMPARE(shownGeometry(panel), QRect(340, 259, 600, 60));
    QVERIFY(press(QStringLiteral("ctrl+alt+space")));
    QTRY_COMPARE(shownPanel(), 0u);
    QVERIFY(press(QStringLiteral("ctrl+alt+space")));
    QTRY_COMPARE(shownPanel(), panel);
    QTRY_COMPARE(_desktop.activeWindow(), panel);
    QVERIFY(press(QStringLiteral("Escape")));
    QTRY_COMPARE(shownPanel(), 0u);
}

void TestX11EndToEnd::secondVantriIsRefusedTheHotKeyAndKeepsRunning() {
    QProcess second;
    // Another Vantri on the same display, as another user's would be: its
    // grab is refused, and the first one keeps the hotkey.
    QVERIFY(startVantri(second, QStringLiteral("second")));
    QVERIFY(press(QStringLiteral("ctrl+alt+space")));
    QTRY_VERIFY(shownPanel() != 0);
    QCOMPARE(second.state(), QProcess::Running);
    QVERIFY(press(QStringLiteral("Escape")));
    QTRY_COMPARE(shownPanel(), 0u);
    second.terminate();
    QVERIFY(second.waitForFinished());
}

VANTRI_X11_TEST_MAIN(TestX11EndToEnd)
#include "tst_x11_endtoend.moc"
