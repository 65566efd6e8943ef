// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scripts/run/ScriptRuns.h"

#include "scripts/run/ScriptRun.h"

#include <QTimer>

ScriptRuns::ScriptRuns(std::chrono::milliseconds endGrace, QObject* parent)
    : QObject(parent)
    , _endGrace(endGrace) {}

ScriptRuns::~ScriptRuns() {
    endAll();
}

void ScriptRuns::run(const ScriptMetadata& metadata, const QString& scriptPath,
                     const QStringList& arguments,
                     std::function<void(const QString&)> outputHandler,
                     std::function<void(const std::optional<ScriptFailure>&)> completion) {
    const std::optional<ScriptRunner> runner = _runners.runnerFor(metadata.type);
    if (!runner) {
        // Reported later like every other outcome, never from inside this call.
        QTimer::singleShot(0, this, [completion = std::move(completion), type = metadata.type] {
            completion(ScriptError::unsupportedScriptType(type));
        });
        return;
    }
    // A child of this object until it and all it started are gone.
    auto* scriptRun = new ScriptRun(*runner, std::move(outputHandler), std::move(completion), this);
    scriptRun->start(scriptPath, arguments);
}

void ScriptRuns::endAll() {
    ScriptRun::endAll(findChildren<ScriptRun*>(Qt::FindDirectChildrenOnly), _endGrace);
}
