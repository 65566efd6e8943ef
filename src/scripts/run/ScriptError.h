// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

#include <optional>
#include <variant>

// Why running a script failed after the script was found.
class ScriptError {
public:
    enum class Kind { unsupportedScriptType, interpreterMissing, executionFailed };

    // `type` is none of the script types a runner exists for; no child was started.
    static ScriptError unsupportedScriptType(const QString& type);
    // Nothing exists at `interpreterPath`, the program the script type is run with.
    static ScriptError interpreterMissing(const QString& interpreterPath);
    // The child exited unsuccessfully; `message` says how.
    static ScriptError executionFailed(const QString& message);

    Kind kind() const { return _kind; }
    // The script type, the interpreter's path, or the failure message, as given.
    const QString& text() const { return _text; }
    // What the user is shown.
    QString description() const;

    bool operator==(const ScriptError&) const = default;

private:
    ScriptError(Kind kind, const QString& text);

    Kind _kind;
    QString _text;
};

// The outcome of a run that did not succeed: either a ScriptError or a child
// that could not be started at all.
class ScriptFailure {
public:
    ScriptFailure(
        const ScriptError& error); // NOLINT(google-explicit-constructor): every error is a failure
    // `description` is the process layer's account of why the start failed.
    static ScriptFailure startFailure(const QString& description);

    // The script error, or nothing for a start failure.
    std::optional<ScriptError> scriptError() const;
    QString description() const;

private:
    struct StartFailure {
        QString description;
    };
    explicit ScriptFailure(const StartFailure& failure);

    std::variant<ScriptError, StartFailure> _failure;
};
