// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/AccessibilityPermission.h"

#include "app/hotkey/ShortcutHelp.h"
#include "platform/AccessibilityTrust.h"
#include "state/AppState.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"

#include <QMessageBox>
#include <QPushButton>

AccessibilityPermission::Platform AccessibilityPermission::systemPlatform() {
    // Where the grab is not possible, the useful settings are the desktop's
    // own shortcuts, which can run `vantri toggle`.
    return {&::isProcessTrusted, &openShortcutSettingsOrHelp};
}

AccessibilityPermission::AccessibilityPermission(AppState& appState, Platform platform,
                                                 QObject* parent)
    : QObject(parent)
    , _appState(appState)
    , _platform(std::move(platform)) {
    _recheckTimer.setSingleShot(true);
    _recheckTimer.setInterval(recheckDelay);
    connect(&_recheckTimer, &QTimer::timeout, this,
            &AccessibilityPermission::recheckAccessibilityPermission);
}

void AccessibilityPermission::checkAccessibilityPermission() {
    if (_platform.isProcessTrusted())
        markGranted();
    else
        _recheckTimer.start();
}

void AccessibilityPermission::recheckAccessibilityPermission() {
    if (_platform.isProcessTrusted()) {
        markGranted();
        return;
    }
    if (_platform.isPanelShown && _platform.isPanelShown()) {
        _isWaitingForThePanel = true;
        return;
    }
    showAccessibilityPrompt();
}

void AccessibilityPermission::panelHidden() {
    if (!std::exchange(_isWaitingForThePanel, false))
        return;
    // After the panel's own hiding has run to its end, and only if the panel
    // has not come back meanwhile.
    QTimer::singleShot(0, this, &AccessibilityPermission::recheckAccessibilityPermission);
}

void AccessibilityPermission::showAccessibilityPrompt() {
    if (openPreferences()->value(PreferenceKeys::accessibilityPromptShown, false).toBool())
        return;
    const std::unique_ptr<QMessageBox> prompt = createPrompt();
    switch (runPrompt(*prompt)) {
    case OpenSettings:
        openAccessibilitySettings();
        break;
    case AlreadyGranted:
        markGranted();
        break;
    default:
        break;
    }
    writePreference(PreferenceKeys::accessibilityPromptShown, true);
}

void AccessibilityPermission::openAccessibilitySettings() {
    _platform.openAccessibilitySettings();
}

std::unique_ptr<QMessageBox> AccessibilityPermission::createPrompt() {
    auto prompt = std::make_unique<QMessageBox>();
    prompt->setText(tr("Accessibility Permission Required"));
    prompt->setInformativeText(
        tr("Vantri needs accessibility permission to listen for global hotkeys. Please grant "
           "permission in System Preferences."));
    // One role for all three keeps them in this order on every desktop's button layout.
    QPushButton* openSettings =
        prompt->addButton(tr("Open System Preferences"), QMessageBox::ActionRole);
    prompt->addButton(tr("I've Already Granted Permission"), QMessageBox::ActionRole);
    QPushButton* later = prompt->addButton(tr("Later"), QMessageBox::ActionRole);
    prompt->setDefaultButton(openSettings);
    prompt->setEscapeButton(later);
    return prompt;
}

int AccessibilityPermission::runPrompt(QMessageBox& prompt) {
    prompt.exec();
    const qsizetype answer = prompt.buttons().indexOf(prompt.clickedButton());
    return answer < 0 ? 0 : OpenSettings + int(answer);
}

void AccessibilityPermission::markGranted() {
    _appState.setAccessibilityGranted(true);
}
