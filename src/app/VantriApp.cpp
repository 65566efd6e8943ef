// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/VantriApp.h"

#include "app/AppDelegate.h"
#include "app/window/KeyableWindow.h"
#include "app/window/TrayMenuAnchor.h"
#include "product/ProductInfo.h"
#include "state/AppState.h"
#include "ui/settings/Settings.h"

#include <QApplication>
#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <utility>

namespace {

// Asking whether a tray host is there is one round trip to the display
// server; a tenth of a second is soon enough for a menu nobody has asked for.
constexpr std::chrono::milliseconds trayHostCheckInterval{100};

} // namespace

VantriApp::VantriApp(QObject* parent)
    : QObject(parent)
    , _appState(AppState::shared())
    , _appDelegate(std::make_unique<AppDelegate>())
    , _trayMenu(std::make_unique<QMenu>()) {
    // Names the program to the compositor: the Wayland app id that window
    // rules match.
    QGuiApplication::setDesktopFileName(QStringLiteral("vantri"));
    QAction* settings = _trayMenu->addAction(tr("Settings"));
    connect(settings, &QAction::triggered, this, &VantriApp::openSettingsWindow);
    _trayMenu->addSeparator();
    QAction* quit = _trayMenu->addAction(tr("Quit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    connect(&_trayHostCheck, &QTimer::timeout, this, &VantriApp::checkForTrayHost);
}

void VantriApp::popUpTrayMenu() {
    // A native Wayland client knows neither the pointer nor where the tray
    // icon is, and has no window of its own for the menu to open from.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        if (!_trayMenuAnchor)
            _trayMenuAnchor = std::make_unique<TrayMenuAnchor>(*_trayMenu);
        _trayMenuAnchor->popUp();
        return;
    }
    // Where the platform has already shown the menu for this click, it stays.
    if (!_trayMenu->isVisible())
        _trayMenu->popup(QCursor::pos());
}

VantriApp::~VantriApp() = default;

QIcon VantriApp::trayIcon() const {
    return _trayIcon ? _trayIcon->icon() : QIcon();
}

void VantriApp::finishLaunchingSoon() {
    const KeyableWindow* panel = _appDelegate->launcherWindow();
    if (!panel || !panel->isVisible()) {
        QTimer::singleShot(0, this, &VantriApp::finishLaunching);
        return;
    }
    connect(panel, &KeyableWindow::framePresented, this, &VantriApp::finishLaunching,
            Qt::SingleShotConnection);
    QTimer::singleShot(firstFrameWait, this, &VantriApp::finishLaunching);
}

void VantriApp::finishLaunching() {
    if (std::exchange(_hasFinishedLaunching, true))
        return;
    // An installed Vantri takes its tray icon from the icon theme, where the
    // desktop recolours it to suit the panel; the built-in one stands in when
    // no theme holds it (a build tree, or no SVG support in Qt).
    _trayIcon = std::make_unique<QSystemTrayIcon>(
        QIcon::fromTheme(ProductInfo::trayIconName, QIcon(QStringLiteral(":/trayicon.png"))));
    _trayIcon->setToolTip(QStringLiteral("Vantri"));
    _trayIcon->setContextMenu(_trayMenu.get());
    // Every click opens the menu, as a pull-down menu does: some tray hosts
    // only report clicks and never show an item's menu themselves.
    connect(_trayIcon.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context ||
                    reason == QSystemTrayIcon::MiddleClick)
                    popUpTrayMenu();
            });
    // Without a tray host the icon stays hidden and its menu out of reach:
    // Settings is shown once instead, so that a hotkey can be chosen. The icon
    // docks by itself if a host comes later.
    _trayIcon->show();
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        _trayHostDeadline = QDeadlineTimer(_trayHostGrace);
        _trayHostCheck.start(trayHostCheckInterval);
    }
    _appDelegate->applicationDidFinishLaunching();
}

bool VantriApp::isAwaitingTrayHost() const {
    return _trayHostCheck.isActive();
}

void VantriApp::checkForTrayHost() {
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        _trayHostCheck.stop();
        return;
    }
    if (!_trayHostDeadline.hasExpired())
        return;
    _trayHostCheck.stop();
    // Settings would take the focus from a panel the user is typing in, and
    // so send it away: it waits until the panel is done with.
    const KeyableWindow* panel = _appDelegate->launcherWindow();
    if (panel && panel->isVisible())
        connect(panel, &KeyableWindow::hidden, this, &VantriApp::openSettingsInsteadOfTheTray,
                Qt::SingleShotConnection);
    else
        openSettingsInsteadOfTheTray();
}

void VantriApp::openSettingsInsteadOfTheTray() {
    // Settings already opened (by `vantri settings`, say) has done its part.
    if (!_settingsWindow)
        openSettingsWindow();
}

void VantriApp::openSettingsWindow() {
    if (!_settingsWindow) {
        // The panel's fixed 450 × 280 frame does not fit a 400-wide window:
        // the window takes the panel's size, so nothing is cut off or empty.
        _settingsWindow = std::make_unique<Settings>(_appState);
        _settingsWindow->setWindowTitle(tr("Settings"));
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(), _settingsWindow->size());
            frame.moveCenter(screen->availableGeometry().center());
            _settingsWindow->move(frame.topLeft());
        }
    }
    _settingsWindow->show();
    _settingsWindow->raise();
    _settingsWindow->activateWindow();
}
