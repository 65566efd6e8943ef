// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scripts/run/ScriptRun.h"

#include "platform/ChildEnvironment.h"
#include "platform/ProcessKeeper.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QScopedValueRollback>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool isContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// Rounds of killing what a run left; more than a script that forks while
// it is being killed can outpace.
constexpr int killRounds = 20;
constexpr int killRoundMs = 50;
// Reads of what a script wrote before its end was heard; the last ones catch
// up with a writer that it left behind, which is not followed further.
constexpr int drainRounds = 64;

} // namespace

ScriptRun::ScriptRun(const ScriptRunner& runner, OutputHandler outputHandler, Completion completion,
                     QObject* parent)
    : QObject(parent)
    , _runner(runner)
    , _outputHandler(std::move(outputHandler))
    , _completion(std::move(completion)) {
    _child.setProcessChannelMode(runner.keepsStandardErrorApart ? QProcess::SeparateChannels
                                                                : QProcess::MergedChannels);
    _child.setStandardInputFile(QProcess::nullDevice());
    connect(&_child, &QProcess::readyReadStandardOutput, this, &ScriptRun::deliverOutput);
    // Read as it comes, so that a child writing more than a pipe holds never blocks.
    connect(&_child, &QProcess::readyReadStandardError, this, &ScriptRun::keepStandardError);
    connect(&_child, &QProcess::finished, this, &ScriptRun::keeperEnded);
    connect(&_child, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        // Every other error ends in `finished`, which reports the outcome.
        if (error == QProcess::FailedToStart)
            startFailed();
    });
}

ScriptRun::~ScriptRun() {
    if (_statusPipe >= 0)
        ::close(_statusPipe);
}

void ScriptRun::start(const QString& scriptPath, const QStringList& arguments) {
    int status[2] = {-1, -1};
    if (::pipe2(status, O_CLOEXEC | O_NONBLOCK) == 0) {
        _statusPipe = status[0];
        _statusNotifier = new QSocketNotifier(_statusPipe, QSocketNotifier::Read, this);
        connect(_statusNotifier, &QSocketNotifier::activated, this, &ScriptRun::readStatus);
    }
    const int statusWriter = status[1];
    _child.setChildProcessModifier([statusWriter] {
        // A group of its own, so that a terminal's signals for this program
        // never reach it, with the keeper at its head.
        ::setpgid(0, 0);
        if (statusWriter >= 0)
            ProcessKeeper::splitOff(statusWriter);
    });
    _child.setProcessEnvironment(childEnvironment());
    _child.start(_runner.interpreter, QStringList{scriptPath} + arguments);
    if (statusWriter >= 0)
        ::close(statusWriter);
}

void ScriptRun::readStatus() {
    if (_statusPipe < 0 || _scriptStatus)
        return;
    int status = 0;
    const ssize_t length = ::read(_statusPipe, &status, sizeof status);
    if (length < 0 && errno == EAGAIN)
        return;
    // Heard, or silent for good (no keeper: the child's own end tells).
    _statusNotifier->setEnabled(false);
    if (length != sizeof status)
        return;
    _scriptStatus = WIFSIGNALED(status) ? EndStatus{WTERMSIG(status), true}
                                        : EndStatus{WEXITSTATUS(status), false};
    scriptEnded();
}

void ScriptRun::scriptEnded() {
    // Waiting for output below may bring the keeper's end, which asks again.
    if (_hasReported || _isEnding)
        return;
    const QScopedValueRollback ending(_isEnding, true);
    // The interpreter may not have started at all; that is told apart first.
    if (_child.state() == QProcess::Starting && !_child.waitForStarted())
        return;
    // Whatever the script wrote is in the pipes now: what is unread goes out
    // before the outcome. What it left running may go on writing; that is
    // not waited for.
    for (int round = 0;
         round < drainRounds && _child.state() == QProcess::Running && _child.waitForReadyRead(0);
         ++round) {
    }
    deliverOutput();
    if (_runner.keepsStandardErrorApart)
        keepStandardError();
    // What it left running writes to nobody from now on.
    _child.closeReadChannel(QProcess::StandardOutput);
    _child.closeReadChannel(QProcess::StandardError);
    const auto [exitCode, killedBySignal] = *_scriptStatus;
    if (!killedBySignal && exitCode == 0) {
        report(std::nullopt);
        return;
    }
    // A tail that begins inside a character would not decode at all.
    QByteArrayView standardError = _standardError;
    if (_standardErrorCut) {
        qsizetype start = 0;
        while (start < 3 && start < standardError.size() &&
               isContinuationByte(standardError[start]))
            ++start;
        standardError = standardError.sliced(start);
    }
    report(ScriptError::executionFailed(
        _runner.failureMessage(exitCode, killedBySignal, standardError.toByteArray())));
}

void ScriptRun::keeperEnded(int exitCode, QProcess::ExitStatus exitStatus) {
    _keeperEnded = true;
    // The status may still wait in its pipe. Without it, the child was the
    // script itself (no keeper could be split off) or the keeper went before
    // the script: the child's own end is all there is to tell.
    readStatus();
    if (!_scriptStatus)
        _scriptStatus = EndStatus{exitCode, exitStatus == QProcess::CrashExit};
    scriptEnded();
    if (_hasCompleted)
        deleteLater();
}

void ScriptRun::deliverOutput() {
    if (_hasReported)
        return;
    const std::optional<QString> text = _decoder.decode(_child.readAllStandardOutput());
    if (!text)
        return;
    for (const QString& piece : _runner.outputPieces(*text))
        _outputHandler(piece);
}

void ScriptRun::keepStandardError() {
    _standardError += _child.readAllStandardError();
    if (_standardError.size() <= maxStandardErrorTail)
        return;
    _standardError.remove(0, _standardError.size() - maxStandardErrorTail);
    _standardErrorCut = true;
}

void ScriptRun::startFailed() {
    // Without its interpreter no script of the type can run; the process
    // layer's own text would only say that some file was not found.
    if (!QFileInfo::exists(_runner.interpreter))
        report(ScriptError::interpreterMissing(_runner.interpreter));
    else
        report(ScriptFailure::startFailure(_child.errorString()));
    // Nothing is left to keep.
    _keeperEnded = true;
}

void ScriptRun::report(const std::optional<ScriptFailure>& outcome) {
    if (std::exchange(_hasReported, true))
        return;
    // Queued, so that the outcome never arrives while the caller is still
    // inside runScript and always after every piece of output.
    QMetaObject::invokeMethod(
        this,
        [this, outcome] {
            _completion(outcome);
            _hasCompleted = true;
            if (_keeperEnded)
                deleteLater();
        },
        Qt::QueuedConnection);
}

void ScriptRun::signalDescendants(int signal) const {
    const qint64 keeper = _child.processId();
    if (keeper <= 0)
        return;
    for (const qint64 process : ProcessKeeper::descendantsOf(keeper))
        ::kill(static_cast<pid_t>(process), signal);
}

void ScriptRun::endAll(const QList<ScriptRun*>& runs, std::chrono::milliseconds grace) {
    QList<ScriptRun*> living;
    for (ScriptRun* run : runs) {
        if (run->_child.state() == QProcess::NotRunning)
            continue;
        living.append(run);
        run->signalDescendants(SIGTERM);
        // A keeper ignores it; without one the child is the script itself.
        ::kill(static_cast<pid_t>(run->_child.processId()), SIGTERM);
    }
    // A keeper ends once the last of its descendants is gone.
    const QDeadlineTimer deadline(grace);
    for (ScriptRun* run : std::as_const(living))
        run->_child.waitForFinished(std::max(1, int(deadline.remainingTime())));
    for (int round = 0; round < killRounds; ++round) {
        living.removeIf([](ScriptRun* run) { return run->_child.state() == QProcess::NotRunning; });
        if (living.isEmpty())
            return;
        for (ScriptRun* run : std::as_const(living))
            run->signalDescendants(SIGKILL);
        for (ScriptRun* run : std::as_const(living))
            run->_child.waitForFinished(killRoundMs);
    }
    for (ScriptRun* run : std::as_const(living))
        run->_child.kill();
}
