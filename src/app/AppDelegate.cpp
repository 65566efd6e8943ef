// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/AppDelegate.h"

#include "app/AccessibilityPermission.h"
#include "app/hotkey/HotKey.h"
#include "app/hotkey/ShortcutParser.h"
#include "app/window/KeyableWindow.h"
#include "app/window/LauncherPlacement.h"
#include "app/window/MainScreen.h"
#include "index/AppIndexManager.h"
#include "platform/x11/CompositorCheck.h"
#include "scripts/ScriptManager.h"
#include "state/AppState.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"
#include "ui/panel/LauncherView.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QTimer>

namespace {

// The launcher's height with the most results it shows at once.
constexpr int fullContentHeight = LauncherView::searchAreaHeight + LauncherView::spacing +
                                  LauncherView::maxVisibleItems * LauncherView::itemHeight;

} // namespace

AppDelegate::AppDelegate(QObject* parent)
    : QObject(parent) {}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching() {
    connect(&AppState::shared(), &AppState::shortcutChosen, this,
            &AppDelegate::registerChosenShortcut);
    registerHotKey();
    checkAccessibilityPermission();
    loadSavedScriptFolder();
}

void AppDelegate::registerHotKey() {
    _hotKey.reset();
    const QString shortcut = AppState::shared().savedShortcut();
    _hotKey = makeHotKey(shortcut);
    if (_hotKey && _hotKey->isRefused())
        reportRefused(shortcut);
}

void AppDelegate::registerChosenShortcut(const QString& shortcut) {
    // The same combination again is already held: grabbing it anew and then
    // letting the old grab go would give it up.
    if (_hotKey && _hotKey->isRegistered() &&
        parseShortcut(shortcut) == parseShortcut(AppState::shared().savedShortcut()))
        return;
    std::unique_ptr<HotKey> hotKey = makeHotKey(shortcut);
    if (hotKey && hotKey->isRefused()) {
        reportRefused(shortcut);
        return;
    }
    _hotKey = std::move(hotKey);
}

std::unique_ptr<HotKey> AppDelegate::makeHotKey(const QString& shortcut) {
    const std::optional<ParsedShortcut> parsed = parseShortcut(shortcut);
    if (!parsed)
        return nullptr;
    auto hotKey = std::make_unique<HotKey>(parsed->keyCode, parsed->modifiers);
    // Each press toggles on a later turn of the main loop, never inside the
    // X event dispatch, and not at all once the delegate is gone.
    hotKey->setKeyDownHandler([delegate = QPointer<AppDelegate>(this)] {
        if (delegate)
            QMetaObject::invokeMethod(delegate, &AppDelegate::toggleLauncher, Qt::QueuedConnection);
    });
    return hotKey;
}

void AppDelegate::reportRefused(const QString& shortcut) {
    AppState::shared().setHotKeyProblem(
        tr("%1 is used by another program — choose another").arg(shortcut));
}

void AppDelegate::checkAccessibilityPermission() {
    if (!_accessibilityPermission)
        _accessibilityPermission = std::make_unique<AccessibilityPermission>(
            AppState::shared(), AccessibilityPermission::systemPlatform());
    _accessibilityPermission->checkAccessibilityPermission();
}

void AppDelegate::loadSavedScriptFolder() {
    const QString path = openPreferences()->value(PreferenceKeys::scriptFolderPath).toString();
    if (!path.isEmpty())
        ScriptManager::shared().loadScripts(path);
}

void AppDelegate::toggleLauncher() {
    // A panel still on screen without the keyboard is brought back, not
    // hidden: one press, and typing reaches it again.
    if (_launcherWindow && _launcherWindow->isVisible() && _launcherWindow->isActiveWindow())
        hideLauncher();
    else
        showLauncher();
}

void AppDelegate::showLauncher() {
    if (!_launcherWindow)
        createLauncherWindow();
    // Placed before it is shown, so it never appears on a screen that has gone.
    positionLauncher();
    _launcherWindow->show();
    // Built while the window manager maps the window, and before its first frame.
    _launcherView->completeContent();
    _launcherWindow->raise();
    _launcherWindow->activateWindow();
    // Shown again soon after it was hidden, the window is still the system's
    // focus window as far as Qt knows, so the focus coming back changes
    // nothing there and the widgets would never hear they are active again.
    if (QGuiApplication::focusWindow() == _launcherWindow->windowHandle() &&
        !_launcherWindow->isActiveWindow())
        QApplication::setActiveWindow(_launcherWindow.get());
    QTimer::singleShot(focusDelay, this, &AppDelegate::focusSearchField);
}

void AppDelegate::hideLauncher() {
    if (_launcherWindow)
        _launcherWindow->hide();
}

void AppDelegate::positionLauncher() {
    if (!_launcherWindow)
        return;
    // Chosen again at each show; a shown panel that is placed again stays where
    // it is, however the focus and the pointer have moved since.
    QScreen* screen = _launcherWindow->isVisible() ? _launcherWindow->screen() : mainScreen();
    const QRect frame = launcherFrame(screen ? screen->availableGeometry() : QRect());
    // Set first, so that the frame, in the screen's own scale, keeps its size
    // in logical pixels there.
    if (screen)
        _launcherWindow->setScreen(screen);
    _launcherWindow->place(frame.topLeft(), frame.width());
}

void AppDelegate::focusSearchField() {
    if (_launcherView)
        _launcherView->searchField()->setFocus(Qt::ActiveWindowFocusReason);
}

void AppDelegate::createLauncherWindow() {
    _launcherView = new LauncherView(
        ScriptManager::shared(), AppState::shared().appIndexManager(), [this] { hideLauncher(); },
        [this] { hideLauncher(); });
    // A native Wayland client cannot place its windows at all: the panel asks
    // for a fixed size there, which compositors that tile take as a dialog to
    // float, and keeps it whatever the content.
    const bool nativeWayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    _launcherWindow = std::make_unique<KeyableWindow>(nativeWayland || isCompositorRunning());
    _launcherWindow->setContentView(_launcherView);
    _launcherWindow->setFullHeight(fullContentHeight);
    _launcherWindow->setContentHeight(_launcherView->contentHeight());
    if (nativeWayland) {
        _launcherWindow->keepFullHeight();
        _launcherWindow->setFixedSize(launcherSize.width(), fullContentHeight);
    }
    // The window keeps its top edge and grows or shrinks downwards with the content.
    connect(_launcherView, &LauncherView::contentHeightChanged, _launcherWindow.get(),
            &KeyableWindow::setContentHeight);
    // A click in another program takes the activation away: the panel goes.
    connect(_launcherWindow.get(), &KeyableWindow::deactivated, this, &AppDelegate::hideLauncher);
}
