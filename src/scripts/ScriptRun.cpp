#include "scripts/ScriptRun.h"

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
    connect(&_child, &QProcess::readyReadStandardError, this,
            [this] { _standardError += _child.readAllStandardError(); });
    connect(&_child, &QProcess::finished, this, &ScriptRun::childFinished);
    connect(&_child, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        // Every other error ends in `finished`, which reports the outcome.
        if (error == QProcess::FailedToStart)
            report(ScriptFailure::startFailure(_child.errorString()));
    });
}

void ScriptRun::start(const QString& scriptPath, const QStringList& arguments) {
    _child.start(_runner.interpreter, QStringList{scriptPath} + arguments);
}

void ScriptRun::deliverOutput() {
    const std::optional<QString> text = _decoder.decode(_child.readAllStandardOutput());
    if (!text)
        return;
    for (const QString& piece : _runner.outputPieces(*text))
        _outputHandler(piece);
}

void ScriptRun::childFinished(int exitCode, QProcess::ExitStatus exitStatus) {
    // Whatever is still unread goes out before the outcome.
    deliverOutput();
    if (_runner.keepsStandardErrorApart)
        _standardError += _child.readAllStandardError();
    // A child killed by a signal has the signal's number as its status, never 0.
    if (exitStatus == QProcess::NormalExit && exitCode == 0)
        report(std::nullopt);
    else
        report(ScriptError::executionFailed(_runner.failureMessage(exitCode, _standardError)));
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
