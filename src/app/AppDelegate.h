// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <chrono>
#include <memory>

class AccessibilityPermission;
class HotKey;
class KeyableWindow;
class LauncherView;

// Runs the launch sequence and owns the global hotkey and the launcher window.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    // How long after each show the search field is given the keyboard focus.
    static constexpr std::chrono::milliseconds focusDelay{100};

    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    void applicationDidFinishLaunching();

    // Drops the current hotkey and registers the saved shortcut, if any.
    // A combination another program holds is reported through AppState.
    void registerHotKey();
    // Puts a newly chosen shortcut in force in place of the current one. The
    // current one is let go only once the new one is held, so a refusal,
    // reported through AppState, leaves the current one working.
    void registerChosenShortcut(const QString& shortcut);
    void checkAccessibilityPermission();
    void loadSavedScriptFolder();

    void toggleLauncher();
    // Creates the launcher window on first use, places it, brings it forward
    // and focuses the search field shortly after.
    void showLauncher();
    // Only hides: the window and its view live until the process ends.
    void hideLauncher();
    void positionLauncher();
    void focusSearchField();

    const HotKey* hotKey() const { return _hotKey.get(); }
    KeyableWindow* launcherWindow() const { return _launcherWindow.get(); }
    AccessibilityPermission* accessibilityPermission() const {
        return _accessibilityPermission.get();
    }

private:
    void createLauncherWindow();
    // A hotkey for `shortcut` whose presses toggle the launcher; null for a
    // string that names no combination.
    std::unique_ptr<HotKey> makeHotKey(const QString& shortcut);
    void reportRefused(const QString& shortcut);

    std::unique_ptr<HotKey> _hotKey;
    std::unique_ptr<KeyableWindow> _launcherWindow;
    LauncherView* _launcherView = nullptr;
    std::unique_ptr<AccessibilityPermission> _accessibilityPermission;
};
