// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// How one type of script is run: its interpreter, where the child's standard
// error goes, how decoded output is cut into pieces for the caller and what
// an unsuccessful exit reads as.
struct ScriptRunner {
    enum class OutputCut {
        // Each chunk is one piece, with line breaks trimmed from both ends.
        trimmedChunk,
        // Each non-empty line of a chunk is a piece of its own.
        nonEmptyLines,
    };

    QString interpreter;
    // Standard error gets a pipe of its own and ends up in the failure message
    // instead of being merged into the output.
    bool keepsStandardErrorApart = false;
    OutputCut outputCut = OutputCut::nonEmptyLines;
    // What the failure message calls the script ("Shell script").
    QString scriptKind;

    QStringList outputPieces(const QString& chunk) const;
    // `status` is the exit status, or the number of the signal that killed the child.
    QString failureMessage(int status, bool killedBySignal, const QByteArray& standardError) const;
};

// The runner of each script type, looked up by the type's exact text. Tests
// point the interpreters at stand-ins.
class ScriptRunners {
public:
    // "bash", "applescript" and "swift" with their interpreters at the usual paths.
    ScriptRunners();

    std::optional<ScriptRunner> runnerFor(const QString& type) const;
    // Does nothing for a type without a runner.
    void setInterpreter(const QString& type, const QString& interpreterPath);

private:
    QHash<QString, ScriptRunner> _runners;
};
