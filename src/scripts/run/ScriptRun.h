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

class QSocketNotifier;

// One run of a script as a child process, driven by the main thread's event
// loop so that nothing waits for the child. Output pieces go to the output
// handler as they are read; when the script has ended, what is still unread
// is delivered first and the outcome is reported after it, on a later turn of
// the event loop; output after that is not read.
//
// The script runs under a keeper of its own (see ProcessKeeper), which
// holds on to everything the script starts, whatever group or session it
// moves to, until it is gone: endAll reaches all of it. The run deletes
// itself once it has reported and its keeper has ended. Of its standard
// error only the last maxStandardErrorTail bytes are kept for the failure
// message, however much it writes.
class ScriptRun : public QObject {
    Q_OBJECT

public:
    static constexpr qsizetype maxStandardErrorTail = 64 * 1024;

    using OutputHandler = std::function<void(const QString&)>;
    using Completion = std::function<void(const std::optional<ScriptFailure>&)>;

    ScriptRun(const ScriptRunner& runner, OutputHandler outputHandler, Completion completion,
              QObject* parent = nullptr);
    ~ScriptRun() override;

    // The interpreter receives the script path and then `arguments` as separate
    // words; no shell is involved. The child inherits the working directory and
    // gets the session's environment without Vantri's own (childEnvironment),
    // and reads an empty input so that it cannot wait for typing.
    void start(const QString& scriptPath, const QStringList& arguments);

    // Ends `runs`, the scripts still running and everything they started:
    // asks every process to end (SIGTERM), waits up to `grace` for all to be
    // gone, then kills what is left (SIGKILL). Blocks its caller meanwhile;
    // for the end of the program, when nothing else waits on the event loop.
    static void endAll(const QList<ScriptRun*>& runs, std::chrono::milliseconds grace);

private:
    void deliverOutput();
    void keepStandardError();
    void readStatus();
    void scriptEnded();
    void keeperEnded(int exitCode, QProcess::ExitStatus exitStatus);
    void report(const std::optional<ScriptFailure>& outcome);
    void startFailed();
    void signalDescendants(int signal) const;

    ScriptRunner _runner;
    OutputHandler _outputHandler;
    Completion _completion;
    QProcess _child;
    ScriptOutputDecoder _decoder;
    QByteArray _standardError;
    bool _standardErrorCut = false;
    // Where the keeper tells the script's wait status.
    int _statusPipe = -1;
    QSocketNotifier* _statusNotifier = nullptr;
    struct EndStatus {
        // The exit status, or the number of the signal that killed it.
        int code = 0;
        bool killedBySignal = false;
    };
    std::optional<EndStatus> _scriptStatus;
    bool _isEnding = false;
    bool _hasReported = false;
    bool _hasCompleted = false;
    bool _keeperEnded = false;
};
