#pragma once

#include "scripts/ScriptError.h"
#include "scripts/ScriptOutputDecoder.h"
#include "scripts/ScriptRunner.h"

#include <QObject>
#include <QProcess>

#include <functional>
#include <optional>

// One run of a script as a child process, driven by the main thread's event
// loop so that nothing waits for the child. Output pieces go to the output
// handler as they are read; when the child has ended, what is still unread is
// delivered first and the outcome is reported after it, on a later turn of the
// event loop. The run deletes itself once it has reported.
class ScriptRun : public QObject {
    Q_OBJECT

public:
    using OutputHandler = std::function<void(const QString&)>;
    using Completion = std::function<void(const std::optional<ScriptFailure>&)>;

    ScriptRun(const ScriptRunner& runner, OutputHandler outputHandler, Completion completion,
              QObject* parent = nullptr);

    // The interpreter receives the script path and then `arguments` as separate
    // words; no shell is involved. The child inherits the working directory and
    // environment, and reads an empty input so that it cannot wait for typing.
    void start(const QString& scriptPath, const QStringList& arguments);

private:
    void deliverOutput();
    void childFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void report(const std::optional<ScriptFailure>& outcome);

    ScriptRunner _runner;
    OutputHandler _outputHandler;
    Completion _completion;
    QProcess _child;
    ScriptOutputDecoder _decoder;
    QByteArray _standardError;
};
