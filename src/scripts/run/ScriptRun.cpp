// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scripts/run/ScriptRun.h"

#include "platform/ChildEnvironment.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <unistd.h>

namespace {

bool isContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// Whether `group` is still the one a run started. Its number cannot go to a
// new process while the group has members; a living process of that number
// in another session leads a group that took the number over after ours ended.
bool isOwnGroup(qint64 group) {
    const auto leader = static_cast<pid_t>(group);
    return ScriptRun::groupExists(group) &&
           (::kill(leader, 0) != 0 || ::getsid(leader) == ::getsid(0));
}

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
    // Its own group, so that ending the run reaches whatever the script started.
    _child.setChildProcessModifier([] { ::setpgid(0, 0); });
    connect(&_child, &QProcess::readyReadStandardOutput, this, &ScriptRun::deliverOutput);
    // Read as it comes, so that a child writing more than a pipe holds never blocks.
    connect(&_child, &QProcess::readyReadStandardError, this, &ScriptRun::keepStandardError);
    connect(&_child, &QProcess::finished, this, &ScriptRun::childFinished);
    connect(&_child, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        // Every other error ends in `finished`, which reports the outcome.
        if (error == QProcess::FailedToStart)
            startFailed();
    });
}

void ScriptRun::start(const QString& scriptPath, const QStringList& arguments) {
    _child.setProcessEnvironment(childEnvironment());
    _child.start(_runner.interpreter, QStringList{scriptPath} + arguments);
    _group = _child.processId();
}

bool ScriptRun::groupExists(qint64 group) {
    return ::kill(-static_cast<pid_t>(group), 0) == 0;
}

void ScriptRun::endAll(const QList<ScriptRun*>& runs, const QList<qint64>& groups,
                       std::chrono::milliseconds grace) {
    QList<qint64> ending;
    for (const qint64 group : groups) {
        if (group > 0 && isOwnGroup(group)) {
            ending.append(group);
            ::kill(-static_cast<pid_t>(group), SIGTERM);
        }
    }
    // A leader not yet reaped is this program's own child, whatever its group.
    for (ScriptRun* run : runs) {
        const qint64 leader = run->_child.processId();
        if (leader <= 0 || ending.contains(leader))
            continue;
        if (::kill(-static_cast<pid_t>(leader), SIGTERM) == 0)
            ending.append(leader);
        else // It has not made its group yet: it is still in this program's.
            ::kill(static_cast<pid_t>(leader), SIGTERM);
    }
    const QDeadlineTimer deadline(grace);
    // The leaders are reaped here; until then they count as members of their groups.
    for (ScriptRun* run : runs)
        run->_child.waitForFinished(std::max(1, int(deadline.remainingTime())));
    while (!deadline.hasExpired() && std::any_of(ending.cbegin(), ending.cend(), groupExists))
        QThread::msleep(10);
    for (const qint64 group : ending) {
        if (groupExists(group))
            ::kill(-static_cast<pid_t>(group), SIGKILL);
    }
    for (ScriptRun* run : runs) {
        if (run->_child.state() != QProcess::NotRunning)
            run->_child.kill();
    }
}

void ScriptRun::deliverOutput() {
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

void ScriptRun::childFinished(int exitCode, QProcess::ExitStatus exitStatus) {
    // Whatever is still unread goes out before the outcome.
    deliverOutput();
    if (_runner.keepsStandardErrorApart)
        keepStandardError();
    if (exitStatus == QProcess::NormalExit && exitCode == 0) {
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
    // A child killed by a signal has the signal's number as its exit code.
    report(ScriptError::executionFailed(_runner.failureMessage(
        exitCode, exitStatus == QProcess::CrashExit, standardError.toByteArray())));
}

void ScriptRun::startFailed() {
    // Without its interpreter no script of the type can run; the process
    // layer's own text would only say that some file was not found.
    if (!QFileInfo::exists(_runner.interpreter))
        report(ScriptError::interpreterMissing(_runner.interpreter));
    else
        report(ScriptFailure::startFailure(_child.errorString()));
}

void ScriptRun::report(const std::optional<ScriptFailure>& outcome) {
    // Queued, so that the outcome never arrives while the caller is still
    // inside runScript and always after every piece of output.
    QMetaObject::invokeMethod(
        this,
        [this, outcome] {
            _completion(outcome);
            deleteLater();
        },
        Qt::QueuedConnection);
}
