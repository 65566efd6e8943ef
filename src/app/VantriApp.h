// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDeadlineTimer>
#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <memory>
#include <optional>

class AppDelegate;
class AppState;
class QMenu;
class QSystemTrayIcon;
class QWidget;
class StatusNotifierItem;
class TrayMenuAnchor;

// The program's one scene: the tray item with its menu, the settings window
// and the application delegate.
class VantriApp : public QObject {
    Q_OBJECT

public:
    explicit VantriApp(QObject* parent = nullptr);
    ~VantriApp() override;

    AppDelegate& appDelegate() const { return *_appDelegate; }
    // The state the settings panel works on: the shared one, so that
    // re-indexing from Settings refreshes the index the launcher searches.
    AppState& appState() const { return _appState; }
    QMenu& trayMenu() const { return *_trayMenu; }
    // The icon the tray item shows; null until launching is finished.
    QIcon trayIcon() const { return _trayIconImage; }

    // What the start leaves until the panel is on screen, as none of it is
    // needed to draw the panel: the tray item (an icon theme lookup, image
    // plugins, a session bus), then the delegate's launch (the hotkey, the
    // accessibility check, the script folder). Runs once; later calls do nothing.
    void finishLaunching();
    // Finishes launching once the panel, if it is being shown, has drawn its
    // first frame (or after `firstFrameWait`, should that never come); from
    // the event loop otherwise.
    void finishLaunchingSoon();
    static constexpr std::chrono::milliseconds firstFrameWait{250};
    // A tray host started with the session (a desktop panel at login) may come
    // up after Vantri; it is given this long before Settings stands in for the
    // tray's menu. Set before launching finishes.
    static constexpr std::chrono::milliseconds defaultTrayHostGrace{3000};
    void setTrayHostGrace(std::chrono::milliseconds grace) { _trayHostGrace = grace; }
    // Whether the launch is still giving a tray host time to appear.
    bool isAwaitingTrayHost() const;

    // Creates the settings window on first use; brings it to the front every time.
    void openSettingsWindow();
    QWidget* settingsWindow() const { return _settingsWindow.get(); }

private:
    // Opens the tray menu at `hostPoint`, where the tray host says the icon
    // is, or where the pointer is when the host does not say.
    void popUpTrayMenu(std::optional<QPoint> hostPoint = std::nullopt);
    void showSystemTrayIcon();
    bool isTrayShown() const;
    void checkForTrayHost();
    void openSettingsInsteadOfTheTray();

    AppState& _appState;
    std::unique_ptr<AppDelegate> _appDelegate;
    std::unique_ptr<QMenu> _trayMenu;
    QIcon _trayIconImage;
    std::unique_ptr<QSystemTrayIcon> _trayIcon;
    std::unique_ptr<StatusNotifierItem> _statusNotifierItem;
    std::unique_ptr<TrayMenuAnchor> _trayMenuAnchor;
    std::unique_ptr<QWidget> _settingsWindow;
    QTimer _trayHostCheck;
    QDeadlineTimer _trayHostDeadline;
    std::chrono::milliseconds _trayHostGrace = defaultTrayHostGrace;
    bool _hasFinishedLaunching = false;
};
