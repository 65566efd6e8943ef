// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/AppDelegate.h"

#include "app/AccessibilityPermission.h"
#include "app/hotkey/HotKeyRegistration.h"
#include "app/window/KeyableWindow.h"
#include "app/window/LauncherPlacement.h"
#include "app/window/MainScreen.h"
#include "index/AppIndexManager.h"
#include "platform/x11/CompositorCheck.h"
#include "platform/x11/X11StartupId.h"
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
    : AppDelegate(nullptr, parent) {}

AppDelegate::AppDelegate(std::unique_ptr<HotKeyRegistration> hotKeys, QObject* parent)
    : QObject(parent)
    , _hotKeys(std::move(hotKeys)) {}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching() {
    connect(&AppState::shared(), &AppState::shortcutChosen, this,
            &AppDelegate::registerChosenShortcut);
    registerHotKey();
    checkAccessibilityPermission();
    loadSavedScriptFolder();
}

void AppDelegate::registerHotKey() {
    if (!_hotKeys) {
        // Each press toggles on a later turn of the main loop, never inside
        // the dispatch of the event or message that reported it, and not at
        // all once the delegate is gone.
        _hotKeys = std::make_unique<HotKeyRegistration>(
            HotKeyRegistration::chooseRoute(HotKeyRegistration::thisSession()),
            [delegate = QPointer<AppDelegate>(this)] {
                if (delegate)
                    QMetaObject::invokeMethod(
                        delegate, [delegate] { delegate->toggleLauncher(); }, Qt::QueuedConnection);
            });
    }
    publish(_hotKeys->registerShortcut(AppState::shared().savedShortcut()));
}

void AppDelegate::registerChosenShortcut(const QString& shortcut) {
    if (_hotKeys)
        publish(_hotKeys->registerShortcut(shortcut));
}

void AppDelegate::publish(const HotKeyOutcome& outcome) {
    AppState& state = AppState::shared();
    switch (outcome.status) {
    case HotKeyOutcome::Status::refused:
    case HotKeyOutcome::Status::failed:
        // The combination in force, and where it lives, stay as they were.
        state.setHotKeyProblem(outcome.refusal);
        return;
    case HotKeyOutcome::Status::registered:
    case HotKeyOutcome::Status::leftToTheUser:
    case HotKeyOutcome::Status::none:
        state.setHotKeyPlace(outcome.place);
        return;
    }
}

void AppDelegate::checkAccessibilityPermission() {
    if (!_accessibilityPermission) {
        // Where the key is grabbed or bound through the desktop's own service,
        // nothing more is needed to hear it; the alert waits while the panel
        // is open, so that it never takes the focus from what is typed there.
        AccessibilityPermission::Platform platform = AccessibilityPermission::systemPlatform();
        platform.isProcessTrusted = [this] { return _hotKeys && _hotKeys->bindsKeys(); };
        platform.isPanelShown = [this] { return _launcherWindow && _launcherWindow->isVisible(); };
        _accessibilityPermission =
            std::make_unique<AccessibilityPermission>(AppState::shared(), std::move(platform));
    }
    _accessibilityPermission->checkAccessibilityPermission();
}

void AppDelegate::loadSavedScriptFolder() {
    const QString path = openPreferences()->value(PreferenceKeys::scriptFolderPath).toString();
    if (!path.isEmpty())
        ScriptManager::shared().loadScripts(path);
}

void AppDelegate::toggleLauncher(const ActivationToken& activation) {
    // A panel still on screen without the keyboard is brought back, not
    // hidden: one press, and typing reaches it again.
    if (_launcherWindow && _launcherWindow->isVisible() && _launcherWindow->isActiveWindow())
        hideLauncher();
    else
        showLauncher(activation);
}

void AppDelegate::showLauncher(const ActivationToken& activation) {
    if (!_launcherWindow)
        createLauncherWindow();
    // Placed before it is shown, so it never appears on a screen that has gone.
    positionLauncher();
    _launcherWindow->show();
    // Built while the window manager maps the window, and before its first frame.
    _launcherView->completeContent();
    _launcherWindow->raise();
    activate(activation);
    // Shown again soon after it was hidden, the window is still the system's
    // focus window as far as Qt knows, so the focus coming back changes
    // nothing there and the widgets would never hear they are active again.
    if (QGuiApplication::focusWindow() == _launcherWindow->windowHandle() &&
        !_launcherWindow->isActiveWindow())
        QApplication::setActiveWindow(_launcherWindow.get());
    QTimer::singleShot(focusDelay, this, &AppDelegate::focusSearchField);
}

void AppDelegate::activate(const ActivationToken& activation) {
    const bool nativeWayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    // Qt's Wayland platform hands the compositor the token it finds in the
    // environment when a window asks for the focus, and removes it there;
    // it is removed here as well, should the compositor lack activation.
    if (nativeWayland && !activation.wayland.empty())
        qputenv("XDG_ACTIVATION_TOKEN", QByteArray::fromStdString(activation.wayland));
    _launcherWindow->activateWindow();
    if (nativeWayland)
        qunsetenv("XDG_ACTIVATION_TOKEN");
    else if (!activation.x11.empty())
        applyX11StartupId(quint32(_launcherWindow->winId()),
                          QByteArray::fromStdString(activation.x11));
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
    // The accessibility alert waits until the panel is done with.
    connect(_launcherWindow.get(), &KeyableWindow::hidden, this, [this] {
        if (_accessibilityPermission)
            _accessibilityPermission->panelHidden();
    });
}
