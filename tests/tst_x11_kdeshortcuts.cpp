// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "PrivateSessionBus.h"
#include "TempTree.h"
#include "VirtualDesktop.h"
#include "app/AccessibilityPermission.h"
#include "app/AppDelegate.h"
#include "app/window/KeyableWindow.h"
#include "state/AppState.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

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

} // namespace

// Vantri's key on Plasma: its action in KDE's own shortcut daemon
// (kglobalaccel5, as Debian's Plasma 5.27 runs it, on a bus and an X server of
// the test's own), chosen because the session is KDE's and the daemon answers.
class TestX11KdeShortcuts : public QObject {
    Q_OBJECT

public:
    explicit TestX11KdeShortcuts(VirtualDesktop& desktop)
        : _desktop(desktop) {}

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void theRegisteredActionTogglesThePanel();
    void aKeyAnotherActionHoldsIsRefusedAndTheOldOneKept();

private:
    VirtualDesktop& _desktop;
    IsolatedEnvironment _environment;
    QProcess _daemon;
    std::unique_ptr<AppDelegate> _delegate;
};

void TestX11KdeShortcuts::initTestCase() {
    if (QStandardPaths::findExecutable(u"kglobalaccel5"_s).isEmpty())
        QSKIP("kglobalaccel5 is not installed (package libkf5globalaccel-bin)");
    QProcessEnvironment daemonEnvironment = _desktop.environment();
    daemonEnvironment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    _daemon.setProcessEnvironment(daemonEnvironment);
    _daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    _daemon.start(u"kglobalaccel5"_s, {});
    QVERIFY(_daemon.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(
        QDBusConnection::sessionBus().interface()->isServiceRegistered(service).value(), 20000);

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

void TestX11KdeShortcuts::cleanupTestCase() {
    _delegate.reset();
    _daemon.terminate();
    _daemon.waitForFinished();
}

void TestX11KdeShortcuts::theRegisteredActionTogglesThePanel() {
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
    // The daemon grabs the key on the X server itself: a real press arrives the same way.
    QVERIFY(_desktop.press(u"ctrl+alt+space"_s));
    QTRY_VERIFY_WITH_TIMEOUT(panelShown(), 10000);
    _delegate->hideLauncher();
}

void TestX11KdeShortcuts::aKeyAnotherActionHoldsIsRefusedAndTheOldOneKept() {
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

    // A free one is given to the action, and the service reports it pressed.
    AppState::shared().chooseShortcut(u"⇧⌃J"_s);
    QVERIFY(AppState::shared().hotKeyProblem().isEmpty());
    QCOMPARE(AppState::shared().savedShortcut(), u"⇧⌃J"_s);
    QCOMPARE(keysOf(vantriAction),
             QList<int>{int(Qt::ControlModifier | Qt::ShiftModifier) | Qt::Key_J});
    QCOMPARE(AppState::shared().hotKeyPlace().keys, u"Ctrl+Shift+J"_s);
    QVERIFY(_desktop.press(u"ctrl+shift+j"_s));
    QTRY_VERIFY_WITH_TIMEOUT(_delegate->launcherWindow()->isVisible(), 10000);
}

int main(int argc, char** argv) {
    // Before anything in this process, or the daemon, looks for a session bus.
    PrivateSessionBus bus;
    if (!bus.isRunning()) {
        qInfo("SKIP: %s", qPrintable(bus.errorString()));
        return VirtualDesktop::skipReturnCode;
    }
    return runX11Test<TestX11KdeShortcuts>(argc, argv);
}

#include "tst_x11_kdeshortcuts.moc"
