// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "PrivateSessionBus.h"
#include "TempTree.h"
#include "app/AccessibilityPermission.h"
#include "app/AppDelegate.h"
#include "app/window/KeyableWindow.h"
#include "state/AppState.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QtTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

// CTest's return code for a skipped test.
constexpr int skipReturnCode = 77;
const QString service = u"org.kde.kglobalaccel"_s;
const QStringList vantriAction = {u"vantri"_s, u"toggle-launcher"_s, u"Vantri"_s,
                                  u"Toggle launcher"_s};
const QStringList otherAction = {u"othertool"_s, u"run"_s, u"Other Tool"_s, u"Run"_s};
const int ctrlAlt = int(Qt::ControlModifier | Qt::AltModifier);

QDBusMessage callDaemon(const QString& method, const QVariantList& arguments,
                        const QString& path = u"/kglobalaccel"_s,
                        const QString& interface = u"org.kde.KGlobalAccel"_s) {
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message);
}

QList<int> keysOf(const QStringList& action) {
    const QDBusReply<QList<int>> keys = callDaemon(u"shortcut"_s, {action});
    return keys.isValid() ? keys.value() : QList<int>{-1};
}

// KWin 5.27 on a virtual output with its Xwayland, on the session bus of the
// calling process; stopped when destroyed. Plasma's Wayland session has no
// shortcut daemon of its own: KWin loads it and owns its bus name.
class KWinSession {
public:
    ~KWinSession() {
        _kwin.terminate();
        _kwin.waitForFinished();
    }

    // The X display of KWin's Xwayland once it accepts clients, or the reason
    // KWin cannot run here.
    std::optional<QString> start(QString& reason) {
        const QString installed = QStandardPaths::findExecutable(u"kwin_wayland"_s);
        // The installed program carries a file capability that some machines
        // refuse to execute; a plain copy runs everywhere.
        const QString kwin = _files.filePath(u"kwin_wayland"_s);
        const QString reporter = _files.filePath(u"report-display"_s);
        const QString displayFile = _files.filePath(u"display"_s);
        QFile script(reporter);
        if (installed.isEmpty()) {
            reason = u"kwin_wayland is not installed (package kwin-wayland)"_s;
            return std::nullopt;
        }
        if (!QFile::copy(installed, kwin) || !script.open(QIODevice::WriteOnly) ||
            script.write("#!/bin/sh\necho \"$DISPLAY\" > \"$0.new\" && mv \"$0.new\" " +
                         QFile::encodeName(displayFile) + "\n") < 0 ||
            !script.setPermissions(script.permissions() | QFile::ExeOwner)) {
            reason = u"KWin cannot be staged in "_s + _files.path();
            return std::nullopt;
        }
        script.close();
        // KWin starts the reporter once its Xwayland accepts clients.
        _kwin.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        _kwin.setStandardOutputFile(QProcess::nullDevice());
        _kwin.start(kwin, {u"--virtual"_s, u"--xwayland"_s, u"--width"_s, u"1280"_s, u"--height"_s,
                           u"800"_s, u"--socket"_s, u"vantri-kwin"_s, reporter});
        QFile display(displayFile);
        for (QDeadlineTimer deadline(30000);
             !display.exists() && _kwin.state() != QProcess::NotRunning && !deadline.hasExpired();)
            _kwin.waitForFinished(100);
        if (!display.open(QIODevice::ReadOnly)) {
            reason = u"KWin did not start with Xwayland: "_s +
                     (_kwin.state() == QProcess::NotRunning
                          ? u"it ended with code %1"_s.arg(_kwin.exitCode())
                          : u"no display after 30 seconds"_s);
            return std::nullopt;
        }
        return QString::fromLocal8Bit(display.readAll().trimmed());
    }
    qint64 processId() const { return _kwin.processId(); }

private:
    QTemporaryDir _files;
    QProcess _kwin;
};

} // namespace

// Vantri's key on Plasma's Wayland session: its action in the shortcut daemon
// inside KWin 5.27, on a bus of the test's own, with this process an X11
// client of KWin's Xwayland, as Vantri runs there.
class TestWaylandKWinShortcuts : public QObject {
    Q_OBJECT

public:
    explicit TestWaylandKWinShortcuts(const KWinSession& kwin)
        : _kwin(kwin) {}

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void theRegisteredActionTogglesThePanel();
    void aKeyAnotherActionHoldsIsRefusedAndTheOldOneKept();

private:
    const KWinSession& _kwin;
    std::unique_ptr<AppDelegate> _delegate;
};

void TestWaylandKWinShortcuts::initTestCase() {
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    QTRY_VERIFY_WITH_TIMEOUT(bus->isServiceRegistered(service).value(), 20000);
    // KWin's own daemon, never a stand-alone one the bus might start on demand.
    QCOMPARE(qint64(bus->servicePid(service).value()), _kwin.processId());

    qputenv("XDG_CURRENT_DESKTOP", "KDE");
    AppState::shared().setSavedShortcut(u"⌃⌥␣"_s);
    _delegate = std::make_unique<AppDelegate>();
    _delegate->applicationDidFinishLaunching();
    QCOMPARE(AppState::shared().hotKeyPlace().route, HotKeyPlace::Route::kdeShortcuts);
    QCOMPARE(AppState::shared().hotKeyPlace().keys, u"Ctrl+Alt+Space"_s);
    // Bound through the desktop's service, the key needs no permission: no alert, ever.
    QVERIFY(AppState::shared().accessibilityGranted());
    QVERIFY(!_delegate->accessibilityPermission()->isRecheckScheduled());
}

void TestWaylandKWinShortcuts::cleanupTestCase() {
    _delegate.reset();
}

void TestWaylandKWinShortcuts::theRegisteredActionTogglesThePanel() {
    QCOMPARE(keysOf(vantriAction), QList<int>{ctrlAlt | Qt::Key_Space});
    const QDBusReply<QDBusObjectPath> component =
        callDaemon(u"getComponent"_s, {vantriAction.first()});
    QVERIFY(component.isValid());
    const auto invoke = [&] {
        return callDaemon(u"invokeShortcut"_s, {vantriAction[1], u"default"_s},
                          component.value().path(), u"org.kde.kglobalaccel.Component"_s)
                   .type() == QDBusMessage::ReplyMessage;
    };
    const auto panelShown = [&] {
        return _delegate->launcherWindow() && _delegate->launcherWindow()->isVisible() &&
               _delegate->launcherWindow()->isActiveWindow();
    };
    QVERIFY(invoke());
    QTRY_VERIFY_WITH_TIMEOUT(panelShown(), 10000);
    QVERIFY(invoke());
    QTRY_VERIFY_WITH_TIMEOUT(!_delegate->launcherWindow()->isVisible(), 10000);
}

void TestWaylandKWinShortcuts::aKeyAnotherActionHoldsIsRefusedAndTheOldOneKept() {
    callDaemon(u"doRegister"_s, {otherAction});
    const int otherKey = ctrlAlt | Qt::Key_K;
    callDaemon(u"setShortcut"_s, {otherAction, QVariant::fromValue(QList<int>{otherKey}), 6u});
    QCOMPARE(keysOf(otherAction), QList<int>{otherKey});

    AppState::shared().chooseShortcut(u"⌃⌥K"_s);
    QCOMPARE(AppState::shared().hotKeyProblem(),
             u"⌃⌥K is used by another program — choose another"_s);
    QCOMPARE(AppState::shared().savedShortcut(), u"⌃⌥␣"_s);
    QCOMPARE(keysOf(vantriAction), QList<int>{ctrlAlt | Qt::Key_Space});
    QCOMPARE(keysOf(otherAction), QList<int>{otherKey});

    // A free one is given to the action.
    AppState::shared().chooseShortcut(u"⇧⌃J"_s);
    QVERIFY(AppState::shared().hotKeyProblem().isEmpty());
    QCOMPARE(AppState::shared().savedShortcut(), u"⇧⌃J"_s);
    QCOMPARE(keysOf(vantriAction),
             QList<int>{int(Qt::ControlModifier | Qt::ShiftModifier) | Qt::Key_J});
    QCOMPARE(AppState::shared().hotKeyPlace().keys, u"Ctrl+Shift+J"_s);
}

int main(int argc, char** argv) {
    // Before anything in this process, or KWin, looks for a session bus.
    PrivateSessionBus bus;
    if (!bus.isRunning()) {
        qInfo("SKIP: %s", qPrintable(bus.errorString()));
        return skipReturnCode;
    }
    IsolatedEnvironment environment;
    KWinSession kwin;
    QString reason;
    const std::optional<QString> display = kwin.start(reason);
    if (!display) {
        qInfo("SKIP: %s", qPrintable(reason));
        return skipReturnCode;
    }
    qputenv("DISPLAY", display->toLocal8Bit());
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    TestWaylandKWinShortcuts test(kwin);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_wayland_kwinshortcuts.moc"
