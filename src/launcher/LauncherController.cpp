// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "launcher/LauncherController.h"

#include "platform/xdg/ApplicationOpener.h"
#include "scripts/ScriptManager.h"

#include <QFileInfo>
#include <QPointer>
#include <QTimer>

LauncherController::LauncherController(ScriptManager& scriptManager,
                                       std::function<void()> hideWindow, QObject* parent)
    : QObject(parent)
    , _scriptManager(scriptManager)
    , _hideWindow(std::move(hideWindow))
    , _openApplication(&openApplication) {}

void LauncherController::executeItem(const ResultItem& item) {
    switch (item.type) {
    case ResultType::command:
        // The row's own entry, with its command's further words as the arguments.
        if (item.metadata && item.scriptPath)
            executeScript(
                {*item.metadata, *item.scriptPath, commandArguments(item.metadata->command)});
        break;
    case ResultType::app:
        if (item.url) {
            // Opening never waits for the application, so the panel goes at once.
            const ApplicationLaunch launch = _openApplication(*item.url);
            if (!launch.started) {
                showMessage(launch.failure);
                break;
            }
            if (_hideWindow)
                _hideWindow();
        }
        break;
    }
}

void LauncherController::executeScript(FoundScript script) {
    if (_isExecuting)
        return;
    const quint64 run = ++_runs;
    setIsExecuting(true);
    Q_EMIT launchStarted();

    // A row may outlive its script: the file removed since the search listed it.
    if (!QFileInfo::exists(script.scriptPath)) {
        QMetaObject::invokeMethod(
            this,
            [this, run] {
                if (!isCurrentRun(run))
                    return;
                showMessage(QStringLiteral("Failed to execute command"));
                setIsExecuting(false);
            },
            Qt::QueuedConnection);
        return;
    }

    // The run may outlive the controller, or be detached from it; its
    // callbacks then have nothing to update.
    const QPointer<LauncherController> controller(this);
    // Output pieces are shown as they come, and the outcome only after the
    // last of them, so a failure is never hidden behind a line the script
    // printed before it.
    _scriptManager.runScript(
        script.metadata, script.scriptPath, script.arguments,
        [controller, run](const QString& piece) {
            if (controller && controller->isCurrentRun(run))
                controller->showMessage(piece);
        },
        [controller, run](const std::optional<ScriptFailure>& failure) {
            if (!controller || !controller->isCurrentRun(run))
                return;
            if (failure) {
                controller->showMessage(QStringLiteral("Command error: ") + failure->description());
                controller->setIsExecuting(false);
                return;
            }
            QTimer::singleShot(successDelayMs, controller, [controller, run] {
                if (!controller->isCurrentRun(run))
                    return;
                if (!controller->_errorMessage || controller->_errorMessage->isEmpty())
                    controller->setErrorMessage(QStringLiteral("Command executed successfully."));
                if (controller->_hideWindow)
                    controller->_hideWindow();
                controller->setIsExecuting(false);
            });
        });
}

void LauncherController::clearMessage() {
    setErrorMessage(std::nullopt);
}

void LauncherController::detachRun() {
    setIsExecuting(false);
}

void LauncherController::setErrorMessage(const std::optional<QString>& message) {
    if (message == _errorMessage)
        return;
    _errorMessage = message;
    Q_EMIT errorMessageChanged();
}

void LauncherController::setIsExecuting(bool executing) {
    if (executing == _isExecuting)
        return;
    _isExecuting = executing;
    Q_EMIT isExecutingChanged(executing);
}

void LauncherController::showMessage(const QString& message) {
    setErrorMessage(message);
    Q_EMIT messageShown();
}
