// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "control/InstanceProtocol.h"

#include <QObject>
#include <chrono>
#include <memory>

class AccessibilityPermission;
class HotKeyRegistration;
struct HotKeyOutcome;
class KeyableWindow;
class LauncherView;

// Runs the launch sequence and owns the global hotkey and the launcher window.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    // How long after each show the search field is given the keyboard focus.
    static constexpr std::chrono::milliseconds focusDelay{100};

    explicit AppDelegate(QObject* parent = nullptr);
    // With the hotkey's route given rather than chosen from the session.
    AppDelegate(std::unique_ptr<HotKeyRegistration> hotKeys, QObject* parent = nullptr);
    ~AppDelegate() override;

    void applicationDidFinishLaunching();

    // Puts the saved shortcut in force, if any, and tells AppState where it
    // lives or why it is not in force.
    void registerHotKey();
    // Puts a newly chosen shortcut in force in place of the current one. The
    // current one is let go only once the new one is held, so a refusal,
    // which AppState shows, leaves the current one working.
    void registerChosenShortcut(const QString& shortcut);
    void checkAccessibilityPermission();
    void loadSavedScriptFolder();

    // `activation` is the desktop's proof that the user asked, which lets the
    // panel take the focus where the compositor or window manager prevents
    // focus stealing; it is handed to this show only and never kept.
    void toggleLauncher(const ActivationToken& activation = {});
    // Creates the launcher window on first use, places it, brings it forward
    // and focuses the search field shortly after.
    void showLauncher(const ActivationToken& activation = {});
    // Only hides: the window and its view live until the process ends.
    void hideLauncher();
    void positionLauncher();
    void focusSearchField();

    const HotKeyRegistration* hotKeys() const { return _hotKeys.get(); }
    KeyableWindow* launcherWindow() const { return _launcherWindow.get(); }
    AccessibilityPermission* accessibilityPermission() const {
        return _accessibilityPermission.get();
    }

private:
    void createLauncherWindow();
    void activate(const ActivationToken& activation);
    void publish(const HotKeyOutcome& outcome);

    std::unique_ptr<HotKeyRegistration> _hotKeys;
    std::unique_ptr<KeyableWindow> _launcherWindow;
    LauncherView* _launcherView = nullptr;
    std::unique_ptr<AccessibilityPermission> _accessibilityPermission;
};
