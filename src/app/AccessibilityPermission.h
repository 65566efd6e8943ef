// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>

class AppState;
class QMessageBox;

// Checks at launch whether Vantri may listen for its global hotkey, checks
// again ten seconds later, and then asks the user once, ever. The alert never
// comes while the panel is open: it would take the focus from what the user
// types there, and so hide the panel; it waits until the panel hides. The two
// preference flags it keeps are only ever set to true; the granted flag goes
// through the state, so its observers hear of it.
class AccessibilityPermission : public QObject {
    Q_OBJECT

public:
    // The prompt's answers, in the order of its buttons.
    enum Response { OpenSettings = 1000, AlreadyGranted = 1001, Later = 1002 };
    static constexpr std::chrono::milliseconds recheckDelay{10000};

    struct Platform {
        std::function<bool()> isProcessTrusted;
        std::function<void()> openAccessibilitySettings;
        // Whether the panel is open now; never, when not given.
        std::function<bool()> isPanelShown = {};
    };
    // The real trust check and settings page of the platform layer.
    static Platform systemPlatform();

    AccessibilityPermission(AppState& appState, Platform platform, QObject* parent = nullptr);

    void checkAccessibilityPermission();
    void recheckAccessibilityPermission();
    void showAccessibilityPrompt();
    void openAccessibilitySettings();
    // To be called whenever the panel hides: a check that waited for it runs now.
    void panelHidden();

    bool isRecheckScheduled() const { return _recheckTimer.isActive(); }
    bool isWaitingForThePanel() const { return _isWaitingForThePanel; }

    // The prompt, ready to run; runPrompt runs it modally and gives the answer
    // (0 when it was closed without one).
    static std::unique_ptr<QMessageBox> createPrompt();
    static int runPrompt(QMessageBox& prompt);

private:
    void markGranted();

    AppState& _appState;
    Platform _platform;
    QTimer _recheckTimer;
    bool _isWaitingForThePanel = false;
};
