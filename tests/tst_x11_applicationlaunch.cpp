// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "EnvironmentDump.h"
#include "TempTree.h"
#include "VantriSession.h"
#include "VirtualDesktop.h"
#include "platform/xdg/DesktopEntryLaunch.h"

#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include <xcb/xcb.h>

namespace {

QMap<QString, QString> asMap(const QProcessEnvironment& environment) {
    QMap<QString, QString> variables;
    for (const QString& name : environment.keys())
        variables.insert(name, environment.value(name));
    return variables;
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

// Opening applications on X11: the startup notice that gives the new window
// the focus, and the built program starting an application from the panel
// with its folders full of looping links.
class TestX11ApplicationLaunch : public QObject {
    Q_OBJECT

public:
    explicit TestX11ApplicationLaunch(VirtualDesktop& desktop)
        : _desktop(desktop) {}

private Q_SLOTS:
    void startIsAnnouncedAndTheProgramGetsItsId();
    void failedStartIsWithdrawn();
    void panelOpensAnApplicationDespiteLoopingLinksAndKeepsAnswering();

private:
    VirtualDesktop& _desktop;
    IsolatedEnvironment _environment;
};

void TestX11ApplicationLaunch::startIsAnnouncedAndTheProgramGetsItsId() {
    StartupListener listener;
    const TempTree& tree = _environment.tree();
    const QString dump = tree.path(QStringLiteral("announced.env"));
    const QString entry = tree.writeFile(QStringLiteral("share/applications/announced.desktop"),
                                         environmentDumpEntry(QStringLiteral("Announced"), dump));
    QVERIFY(launchDesktopEntryFile(entry).started);
    QTRY_VERIFY(QFileInfo(dump).size() > 0);
    const QString id =
        environmentIn(fileContents(dump)).value(QStringLiteral("DESKTOP_STARTUP_ID"));
    QVERIFY(id.contains(QLatin1String("_TIME")));
    QTRY_COMPARE(listener.messages().size(), 1);
    const QByteArray message = listener.messages().first();
    QVERIFY2(message.startsWith("new: ID=\"" + id.toUtf8() + '"'), message.constData());
    QVERIFY(message.contains(" NAME=\"Announced\""));
}

void TestX11ApplicationLaunch::failedStartIsWithdrawn() {
    StartupListener listener;
    const TempTree& tree = _environment.tree();
    // Executable, but no program the system can run: the start fails in exec.
    const QString broken = tree.writeFile(QStringLiteral("bin/broken"), QByteArray(64, '\x01'));
    QFile::setPermissions(broken, QFile::ReadOwner | QFile::ExeOwner);
    const QString entry = tree.writeFile(
        QStringLiteral("share/applications/broken.desktop"),
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

void TestX11ApplicationLaunch::panelOpensAnApplicationDespiteLoopingLinksAndKeepsAnswering() {
    QProcess trayHost;
    QVERIFY2(_desktop.startTrayHost(trayHost), "trayer is not installed");
    const TempTree& tree = _environment.tree();
    VantriSession vantri(_desktop, tree);
    QProcessEnvironment session = vantri.environment(QStringLiteral("first"));
    // Vantri chooses X11 itself; what it sets for that is its own business.
    session.remove(QStringLiteral("QT_QPA_PLATFORM"));
    const QString applications =
        session.value(QStringLiteral("XDG_DATA_HOME")) + QStringLiteral("/applications");
    QVERIFY(QDir().mkpath(applications));
    QVERIFY(QFile::link(QStringLiteral("."), applications + QStringLiteral("/a")));
    QVERIFY(QFile::link(QStringLiteral("."), applications + QStringLiteral("/b")));
    QVERIFY(QFile::link(QStringLiteral("/"), applications + QStringLiteral("/root")));
    const QString dump = tree.path(QStringLiteral("zebra.env"));
    QFile entry(applications + QStringLiteral("/zebra.desktop"));
    QVERIFY(entry.open(QIODevice::WriteOnly));
    entry.write(environmentDumpEntry(QStringLiteral("Zebra Notes"), dump));
    entry.close();

    QProcess& instance = vantri.process();
    instance.setProcessEnvironment(session);
    instance.setProcessChannelMode(QProcess::ForwardedChannels);
    instance.start(qEnvironmentVariable("VANTRI_APP_BINARY"), {});
    const QString indexFile =
        session.value(QStringLiteral("XDG_DATA_HOME")) + QStringLiteral("/Vantri/appIndex.json");
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(indexFile).size() > 0, 30000);

    QCOMPARE(vantri.run({QStringLiteral("show")}), 0);
    QTRY_VERIFY(vantri.shownPanel() != 0 && _desktop.activeWindow() == vantri.shownPanel());
    QVERIFY(_desktop.type(QStringLiteral("zebra")));
    QTRY_COMPARE(_desktop.shownGeometry(vantri.shownPanel()).height(), 60 + 20 + 50);
    QVERIFY(_desktop.press(QStringLiteral("Return")));
    // A start that walked the looping folders would never come back; one
    // that does not is done long before this.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(dump).size() > 0, 5000);
    QTRY_COMPARE(vantri.shownPanel(), 0u);
    QCOMPARE(vantri.run({QStringLiteral("hide")}), 0);

    // The application sees the session as it was given to Vantri, less
    // Vantri's own variables, with the startup id made for it.
    QMap<QString, QString> expected = asMap(session);
    expected.removeIf([](const auto& variable) { return variable.key().startsWith("VANTRI_"); });
    QMap<QString, QString> seen = environmentIn(fileContents(dump));
    QVERIFY(seen.take(QStringLiteral("DESKTOP_STARTUP_ID")).contains(QLatin1String("_TIME")));
    QCOMPARE(seen, expected);

    QVERIFY(vantri.quit());
    trayHost.terminate();
    trayHost.waitForFinished();
}

VANTRI_X11_TEST_MAIN(TestX11ApplicationLaunch)
#include "tst_x11_applicationlaunch.moc"
