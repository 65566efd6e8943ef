// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TempTree.h"
#include "VantriSession.h"
#include "VirtualDesktop.h"
#include "control/InstanceProtocol.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"

#include <QtTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(InstanceProtocol::CommandRequest::Status)

// The desktop's proof of the user's action (an activation token, a startup
// id) from `vantri toggle` or `vantri show` to the panel's show: read from the
// client's environment, carried over the channel, handed to the window
// manager with the panel, and never passed on to what Vantri starts.
class TestX11Activation : public QObject {
    Q_OBJECT

public:
    explicit TestX11Activation(VirtualDesktop& desktop)
        : _desktop(desktop) {}

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void requestLinesCarryTokensOnlyWhereTheyBelong_data();
    void requestLinesCarryTokensOnlyWhereTheyBelong();
    void theClientsStartupIdReachesThePanel();
    void programsVantriStartsNeverInheritItsTokens();

private:
    VirtualDesktop& _desktop;
    IsolatedEnvironment _environment;
    VantriSession _vantri{_desktop, _environment.tree()};
    QProcess _trayHost;
};

void TestX11Activation::initTestCase() {
    QVERIFY2(_desktop.startTrayHost(_trayHost), "trayer is not installed");
    const TempTree& tree = _environment.tree();
    tree.writeFile(u"scripts/envdump.sh"_s, "env > '" + tree.path(u"env.txt"_s).toUtf8() + "'\n");
    tree.writeFile(u"scripts/envdump.meta"_s,
                   "name: Envdump\ncommand: envdump\ndescription: test\nauthor: test\n"
                   "website: \"\"\ntype: bash\narguments: []\nenvironments: []\ntags: []\n");
    const auto preferences = openPreferences();
    preferences->setValue(PreferenceKeys::savedShortcut, u"⌃⌥␣"_s);
    preferences->setValue(PreferenceKeys::scriptFolderPath, tree.path(u"scripts"_s));
    preferences->sync();
    // Started as a desktop starts a program, with both tokens of its own.
    QProcessEnvironment tokens;
    tokens.insert(u"DESKTOP_STARTUP_ID"_s, u"start-of-vantri_TIME0"_s);
    tokens.insert(u"XDG_ACTIVATION_TOKEN"_s, u"wayland-start-token"_s);
    QVERIFY(_vantri.start(_vantri.process(), u"first"_s, tokens));
}

void TestX11Activation::cleanupTestCase() {
    QVERIFY(_vantri.quit());
    _trayHost.terminate();
    _trayHost.waitForFinished();
}

void TestX11Activation::requestLinesCarryTokensOnlyWhereTheyBelong_data() {
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

void TestX11Activation::requestLinesCarryTokensOnlyWhereTheyBelong() {
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

void TestX11Activation::theClientsStartupIdReachesThePanel() {
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

void TestX11Activation::programsVantriStartsNeverInheritItsTokens() {
    const QString envFile = _environment.tree().path(u"env.txt"_s);
    const quint64 panel = _vantri.summonPanel();
    QVERIFY(panel);
    QVERIFY(_desktop.type(u"envdump"_s));
    QTRY_COMPARE(_desktop.shownGeometry(panel).height(), 60 + 20 + 50);
    QVERIFY(_desktop.press(u"Return"_s));
    QTRY_VERIFY(fileContents(envFile).contains("HOME="));
    QVERIFY(!fileContents(envFile).contains("DESKTOP_STARTUP_ID"));
    QVERIFY(!fileContents(envFile).contains("XDG_ACTIVATION_TOKEN"));
}

VANTRI_X11_TEST_MAIN(TestX11Activation)

#include "tst_x11_activation.moc"
