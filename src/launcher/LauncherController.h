// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "launcher/ResultItem.h"
#include "platform/xdg/DesktopEntryLaunch.h"
#include "scripts/ScriptManager.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

// Carries out the results the launcher's user picks: opens an application
// (the panel hides, or says why it could not be opened), or runs a script and
// keeps the message line that follows the run (its output, its failure or its
// success). Holds no widgets; the view shows what it says.
// Lives on the main thread, as do all its callbacks.
//
// One script run at a time belongs to the panel: a second launch meanwhile is
// ignored. When the panel goes away while its run is still going, the run is
// detached: it goes on by itself, nothing it does later reaches the message,
// and the next launch is accepted.
class LauncherController : public QObject {
    Q_OBJECT

public:
    static constexpr int successDelayMs = 500;

    using ApplicationOpener = std::function<ApplicationLaunch(const QString& path)>;

    // The manager must outlive the controller. `hideWindow` hides the panel.
    LauncherController(ScriptManager& scriptManager, std::function<void()> hideWindow,
                       QObject* parent = nullptr);

    // Replaces the way applications are opened (the desktop's, by default).
    void setApplicationOpener(ApplicationOpener opener) { _openApplication = std::move(opener); }

    // The message line; despite the name it also carries output and success.
    const std::optional<QString>& errorMessage() const { return _errorMessage; }
    bool isExecuting() const { return _isExecuting; }

    void executeItem(const ResultItem& item);
    // Runs `script` unless another run is the panel's. Takes its own copy:
    // the caller's may live in the results, which a launch clears.
    void executeScript(FoundScript script);
    void clearMessage();
    // The panel has gone: the run in progress, if any, is no longer its own.
    void detachRun();

Q_SIGNALS:
    void errorMessageChanged();
    void isExecutingChanged(bool isExecuting);
    // A script launch begins: the results give way to the messages that follow.
    void launchStarted();
    // A message is to be shown in place of the results.
    void messageShown();

private:
    void setErrorMessage(const std::optional<QString>& message);
    void setIsExecuting(bool executing);
    void showMessage(const QString& message);
    // Whether `run` is still the panel's run.
    bool isCurrentRun(quint64 run) const { return _isExecuting && run == _runs; }

    ScriptManager& _scriptManager;
    std::function<void()> _hideWindow;
    ApplicationOpener _openApplication;
    std::optional<QString> _errorMessage;
    bool _isExecuting = false;
    // Launches so far; the latest one is the panel's while it executes.
    quint64 _runs = 0;
};
