// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "EnvironmentDump.h"
#include "TempTree.h"
#include "VantriSession.h"
#include "VirtualDesktop.h"
#include "control/InstanceProtocol.h"
#include "platform/xdg/DesktopEntryLaunch.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"

#include <QtTest>

#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(InstanceProtocol::CommandRequest::Status)

namespace {

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
        _begin = atom("_NET_STARTUP_INFO_BEGIN");
        _more = atom("_NET_STARTUP_INFO");
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
    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            _connection, xcb_intern_atom(_connection, 0, uint16_t(qstrlen(name)), name), nullptr);
        const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return found;
    }

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
    xcb_atom_t _begin = XCB_ATOM_NONE;
    xcb_atom_t _more = XCB_ATOM_NONE;
    QHash<xcb_window_t, QByteArray> _partial;
    QList<QByteArray> _complete;
};

} // namespace

// What the panel of the built program starts on a virtual desktop: scripts,
// typed and chosen with Return, left running behind the panel, and added
// while Vantri runs; applications, with the startup notice that gives their
// window the focus, from folders full of looping links. And the desktop's
// proof of the user's action (an activation token, a startup id), from the
// client's environment over the channel to the panel, never passed on to
// what Vantri starts.
class TestX11Launches : public QObject {
    Q_OBJECT

public:
    explicit TestX11Launches(VirtualDesktop& desktop)
        : _desktop(desktop) {}

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void requestLinesCarryTokensOnlyWhereTheyBelong_data();
    void requestLinesCarryTokensOnlyWhereTheyBelong();
    void theClientsStartupIdReachesThePanel();
    void startIsAnnouncedAndTheProgramGetsItsId();
    void failedStartIsWithdrawn();
    void panelOpensAnApplicationDespiteLoopingLinksInTheSessionsEnvironment();
    void aResultRunsTheScriptItShowsWithItsFurtherWords();
    void theKeptQueryIsReplacedByTyping();
    void aRunLeftBehindThePanelNeitherBlocksNorOutlivesVantri();
    void scriptsAddedAnywhereInTheTreeAreListed();
    void aLargeFolderIsScannedWhileVantriAnswers();

private:
    void addScript(const QString& base, const QByteArray& name, const QByteArray& command,
                   const QByteArray& body) const;
    // Launches `query` until the script has recorded `recorded`: a change in
    // the folder reaches the list once its scan is done, and "No results"
    // takes a row's height meanwhile.
    bool launchOnceListed(const QString& query, const QByteArray& recorded) const;

    VirtualDesktop& _desktop;
    IsolatedEnvironment _environment;
    VantriSession _vantri{_desktop, _environment.tree()};
    QProcessEnvironment _session;
    QProcess _trayHost;
    QString _ran;
};

void TestX11Launches::addScript(const QString& base, const QByteArray& name,
                                const QByteArray& command, const QByteArray& body) const {
    const TempTree& tree = _environment.tree();
    tree.writeFile(u"scripts/"_s + base + u".sh"_s, body);
    tree.writeFile(u"scripts/"_s + base + u".meta"_s,
                   "name: " + name + "\ncommand: " + command + "\n" + metadataRest);
}

bool TestX11Launches::launchOnceListed(const QString& query, const QByteArray& recorded) const {
    return QTest::qWaitFor(
        [&] {
            if (_vantri.shownPanel() != 0 && !_vantri.dismissPanel())
                return false;
            return _vantri.launch(query) &&
                   QTest::qWaitFor([&] { return fileContents(_ran) == recorded; }, 3000);
        },
        60000);
}

void TestX11Launches::initTestCase() {
    // A desktop's tray, so that Settings does not open in its place mid-test.
    QVERIFY2(_desktop.startTrayHost(_trayHost), "trayer is not installed");
    const TempTree& tree = _environment.tree();
    _ran = tree.path(u"ran.txt"_s);
    const QByteArray record = "printf '%s:' \"$(basename \"$0\")\" >> '" + _ran.toUtf8() +
                              "'; printf '%s,' \"$@\" >> '" + _ran.toUtf8() + "'\nenv > '" +
                              tree.path(u"env.txt"_s).toUtf8() + "'\n";
    addScript(u"greet"_s, "Greet", "greet", record);
    addScript(u"greet-pair"_s, "Greet a pair", "greet alpha beta", record);
    addScript(u"zebra"_s, "Zebra", "zebra", record);

    // Folders that loop back on themselves, and an application among them.
    const QString applications = tree.makeDir(u"first/data/applications"_s);
    QVERIFY(QFile::link(u"."_s, applications + u"/a"_s));
    QVERIFY(QFile::link(u"."_s, applications + u"/b"_s));
    QVERIFY(QFile::link(u"/"_s, applications + u"/root"_s));
    tree.writeFile(u"first/data/applications/walrus.desktop"_s,
                   environmentDumpEntry(u"Walrus Notes"_s, tree.path(u"walrus.env"_s)));

    const auto preferences = openPreferences();
    preferences->setValue(PreferenceKeys::savedShortcut, u"⌃⌥␣"_s);
    preferences->setValue(PreferenceKeys::scriptFolderPath, tree.path(u"scripts"_s));
    preferences->sync();
    // Started as a desktop starts a program, with both tokens of its own.
    QProcessEnvironment tokens;
    tokens.insert(u"DESKTOP_STARTUP_ID"_s, startupIdOfVantri);
    tokens.insert(u"XDG_ACTIVATION_TOKEN"_s, u"wayland-start-token"_s);
    _session = _vantri.environment(u"first"_s);
    _session.insert(tokens);
    QVERIFY(_vantri.start(_vantri.process(), u"first"_s, tokens));
}

void TestX11Launches::cleanupTestCase() {
    QVERIFY(_vantri.quit());
    _trayHost.terminate();
    _trayHost.waitForFinished();
}

void TestX11Launches::requestLinesCarryTokensOnlyWhereTheyBelong_data() {
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

void TestX11Launches::requestLinesCarryTokensOnlyWhereTheyBelong() {
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

void TestX11Launches::theClientsStartupIdReachesThePanel() {
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

void TestX11Launches::startIsAnnouncedAndTheProgramGetsItsId() {
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
    const QByteArray message = listener.messages().first();
    QVERIFY2(message.startsWith("new: ID=\"" + id.toUtf8() + '"'), message.constData());
    QVERIFY(message.contains(" NAME=\"Announced\""));
}

void TestX11Launches::failedStartIsWithdrawn() {
    StartupListener listener;
    const TempTree& tree = _environment.tree();
    // Executable, but no program the system can run: the start fails in exec.
    const QString broken = tree.writeFile(u"bin/broken"_s, QByteArray(64, '\x01'));
    QFile::setPermissions(broken, QFile::ReadOwner | QFile::ExeOwner);
    const QString entry = tree.writeFile(
        u"share/applications/broken.desktop"_s,
        "[Desktop Entry]\nType=Application\nName=Broken\nExec=" + broken.toUtf8() + "\n");
    const ApplicationLaunch launch = launchDesktopEntryFile(entry);
    QVERIFY(!launch.started);
    QVERIFY(launch.failure.startsWith(QLatin1String("Broken cannot start: ")));
    QTRY_COMPARE(listener.messages().size(), 2);
    const QList<QByteArray> messages = listener.messages();
    QVERIFY(messages[0].startsWith("new: ID=\""));
    // ID="..." as the announcement has it.
    const QByteArray idField = messages[0].mid(5, messages[0].indexOf("\" ") - 4);
    QCOMPARE(messages[1], "remove: " + idField);
}

void TestX11Launches::panelOpensAnApplicationDespiteLoopingLinksInTheSessionsEnvironment() {
    const QString dump = _environment.tree().path(u"walrus.env"_s);
    QVERIFY(_vantri.launch(u"walrus"_s));
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

void TestX11Launches::aResultRunsTheScriptItShowsWithItsFurtherWords() {
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

void TestX11Launches::theKeptQueryIsReplacedByTyping() {
    QVERIFY(_vantri.launch(u"greet"_s, 2));
    QTRY_COMPARE(fileContents(_ran), QByteArray("greet.sh:,"));
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
    // Shown again, the panel still shows "greet"; typing replaces it.
    QVERIFY(_vantri.launch(u"zeb"_s));
    QTRY_COMPARE(fileContents(_ran), QByteArray("greet.sh:,zebra.sh:,"));
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
    QFile::remove(_ran);
}

void TestX11Launches::aRunLeftBehindThePanelNeitherBlocksNorOutlivesVantri() {
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

void TestX11Launches::scriptsAddedAnywhereInTheTreeAreListed() {
    addScript(u"deep/er/later"_s, "Later", "later", "echo later >> '" + _ran.toUtf8() + "'\n");
    QVERIFY(launchOnceListed(u"later"_s, "later\n"));
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
    QFile::remove(_ran);
}

void TestX11Launches::aLargeFolderIsScannedWhileVantriAnswers() {
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

VANTRI_X11_TEST_MAIN(TestX11Launches)
#include "tst_x11_launches.moc"
