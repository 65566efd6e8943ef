// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "scripts/run/ScriptError.h"
#include "scripts/run/ScriptOutputDecoder.h"
#include "scripts/run/ScriptRunner.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QProcess>

#include <chrono>
#include <functional>
#include <optional>

// One run of a script as a child process, driven by the main thread's event
// loop so that nothing waits for the child. Output pieces go to the output
// handler as they are read; when the child has ended, what is still unread is
// delivered first and the outcome is reported after it, on a later turn of the
// event loop. The run deletes itself once it has reported.
//
// The child leads a process group of its own, so that everything it starts
// can be ended with it (endAll). Of its standard error only the last
// maxStandardErrorTail bytes are kept for the failure message, however much
// it writes.
class ScriptRun : public QObject {
    Q_OBJECT

public:
    static constexpr qsizetype maxStandardErrorTail = 64 * 1024;

    using OutputHandler = std::function<void(const QString&)>;
    using Completion = std::function<void(const std::optional<ScriptFailure>&)>;

    ScriptRun(const ScriptRunner& runner, OutputHandler outputHandler, Completion completion,
              QObject* parent = nullptr);

    // The interpreter receives the script path and then `arguments` as separate
    // words; no shell is involved. The child inherits the working directory and
    // gets the session's environment without Vantri's own (childEnvironment),
    // and reads an empty input so that it cannot wait for typing.
    void start(const QString& scriptPath, const QStringList& arguments);

    // The process group the child leads: its process id, kept after it ended
    // since what it started in the background may still be in the group.
    // Zero before start().
    qint64 processGroup() const { return _group; }
    // Whether any process of `group` is still there.
    static bool groupExists(qint64 group);

    // Ends `runs` and their groups, and `groups` (those of runs that ended
    // and left something behind): asks them to end (SIGTERM), waits up to
    // `grace` for every process of the groups to be gone, then kills what is
    // left (SIGKILL). Blocks its caller meanwhile; for the end of the
    // program, when nothing else waits on the event loop.
    static void endAll(const QList<ScriptRun*>& runs, const QList<qint64>& groups,
                       std::chrono::milliseconds grace);

private:
    void deliverOutput();
    void keepStandardError();
    void childFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void report(const std::optional<ScriptFailure>& outcome);
    void startFailed();

    ScriptRunner _runner;
    OutputHandler _outputHandler;
    Completion _completion;
    QProcess _child;
    ScriptOutputDecoder _decoder;
    QByteArray _standardError;
    bool _standardErrorCut = false;
    qint64 _group = 0;
};
