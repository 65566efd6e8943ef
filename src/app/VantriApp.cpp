// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/VantriApp.h"

#include "app/AppDelegate.h"
#include "app/window/KeyableWindow.h"
#include "app/window/TrayMenuAnchor.h"
#include "platform/tray/StatusNotifierItem.h"
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

// Plasma's tray and GNOME's tray extension draw the menu that Qt's own item
// exports, at the icon, as a menu of the desktop's own. Other hosts (swaybar)
// draw none and only say where the click was.
bool trayHostDrawsMenus() {
    const QStringList desktops =
        qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
    return desktops.contains(QLatin1String("KDE")) || desktops.contains(QLatin1String("GNOME"));
}

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

void VantriApp::popUpTrayMenu(std::optional<QPoint> hostPoint) {
    const bool isNativeWayland =
        QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    // On an X server of its own the menu takes the keyboard by grabbing it.
    // Under a Wayland compositor keys go only to a window it has activated:
    // the menu opens from an anchor of Vantri's that the compositor activates
    // first. A native Wayland client knows neither the pointer nor where the
    // tray icon is, and its menu opens where the anchor is.
    if (!isNativeWayland && !qEnvironmentVariableIsSet("WAYLAND_DISPLAY")) {
        // Where the platform has already shown the menu for this click, it stays.
        if (!_trayMenu->isVisible())
            _trayMenu->popup(hostPoint.value_or(QCursor::pos()));
        return;
    }
    if (!_trayMenuAnchor)
        _trayMenuAnchor = std::make_unique<TrayMenuAnchor>(*_trayMenu);
    if (isNativeWayland)
        _trayMenuAnchor->popUp();
    else
        _trayMenuAnchor->popUp(hostPoint.value_or(QCursor::pos()));
}

VantriApp::~VantriApp() = default;

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
    _trayIconImage =
        QIcon::fromTheme(ProductInfo::trayIconName, QIcon(QStringLiteral(":/trayicon.png")));
    // Qt's own item for a tray host on D-Bus drops the point the host gives
    // with each click, which only a native Wayland client has no use for:
    // elsewhere Vantri's own item stands in whenever such a host is there,
    // now or later, unless the host draws the menu itself.
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")) &&
        !trayHostDrawsMenus()) {
        _statusNotifierItem = std::make_unique<StatusNotifierItem>(
            StatusNotifierItem::Presentation{QStringLiteral("vantri"), ProductInfo::name,
                                             ProductInfo::trayIconName, _trayIconImage});
        connect(_statusNotifierItem.get(), &StatusNotifierItem::menuRequested, this,
                &VantriApp::popUpTrayMenu);
        connect(_statusNotifierItem.get(), &StatusNotifierItem::isHostedChanged, this,
                [this](bool isHosted) {
                    if (isHosted)
                        _trayIcon.reset();
                });
    }
    if (!_statusNotifierItem || !_statusNotifierItem->isHosted())
        showSystemTrayIcon();
    // Without a tray host the icon stays hidden and its menu out of reach:
    // Settings is shown once instead, so that a hotkey can be chosen. The icon
    // docks by itself if a host comes later.
    if (!isTrayShown()) {
        _trayHostDeadline = QDeadlineTimer(_trayHostGrace);
        _trayHostCheck.start(trayHostCheckInterval);
    }
    _appDelegate->applicationDidFinishLaunching();
}

void VantriApp::showSystemTrayIcon() {
    _trayIcon = std::make_unique<QSystemTrayIcon>(_trayIconImage);
    _trayIcon->setToolTip(ProductInfo::name);
    _trayIcon->setContextMenu(_trayMenu.get());
    // Every click opens the menu, as a pull-down menu does: some tray hosts
    // only report clicks and never show an item's menu themselves.
    connect(_trayIcon.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context ||
                    reason == QSystemTrayIcon::MiddleClick)
                    popUpTrayMenu();
            });
    _trayIcon->show();
}

bool VantriApp::isTrayShown() const {
    return (_statusNotifierItem && _statusNotifierItem->isHosted()) ||
           QSystemTrayIcon::isSystemTrayAvailable();
}

bool VantriApp::isAwaitingTrayHost() const {
    return _trayHostCheck.isActive();
}

void VantriApp::checkForTrayHost() {
    if (isTrayShown()) {
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
