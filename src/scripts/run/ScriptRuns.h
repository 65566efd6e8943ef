// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "scripts/ScriptMetadata.h"
#include "scripts/run/ScriptError.h"
#include "scripts/run/ScriptRunner.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

// The lifetimes of script runs: starts each, keeps it until it and everything
// it started are gone, and ends them all when the program ends. Main thread.
class ScriptRuns : public QObject {
    Q_OBJECT

public:
    // How long the processes of the runs get to end when asked, before they are killed.
    static constexpr std::chrono::milliseconds defaultEndGrace{2000};

    explicit ScriptRuns(std::chrono::milliseconds endGrace = defaultEndGrace,
                        QObject* parent = nullptr);
    // Ends them all: nothing a run started outlives the runs.
    ~ScriptRuns() override;

    // Starts the child and returns at once. outputHandler: once per piece, on
    // the main thread, in order. completion: once, on the main thread, after
    // every piece was delivered; no failure means success.
    void run(const ScriptMetadata& metadata, const QString& scriptPath,
             const QStringList& arguments, std::function<void(const QString&)> outputHandler,
             std::function<void(const std::optional<ScriptFailure>&)> completion);

    // The runner of each script type; tests point its interpreters at stand-ins.
    ScriptRunners& runners() { return _runners; }

    // Ends every run still going, and whatever any run started that is still
    // there; blocks for up to the end grace and a little more.
    void endAll();

private:
    const std::chrono::milliseconds _endGrace;
    ScriptRunners _runners;
};
