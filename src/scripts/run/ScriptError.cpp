// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scripts/run/ScriptError.h"

ScriptError::ScriptError(Kind kind, const QString& text)
    : _kind(kind)
    , _text(text) {}

ScriptError ScriptError::unsupportedScriptType(const QString& type) {
    return ScriptError(Kind::unsupportedScriptType, type);
}

ScriptError ScriptError::interpreterMissing(const QString& interpreterPath) {
    return ScriptError(Kind::interpreterMissing, interpreterPath);
}

ScriptError ScriptError::executionFailed(const QString& message) {
    return ScriptError(Kind::executionFailed, message);
}

QString ScriptError::description() const {
    switch (_kind) {
    case Kind::unsupportedScriptType:
        return QStringLiteral("Unsupported script type: ") + _text;
    case Kind::interpreterMissing:
        return _text + QStringLiteral(" is not installed");
    case Kind::executionFailed:
        break;
    }
    return _text;
}

ScriptFailure::ScriptFailure(const ScriptError& error)
    : _failure(error) {}

ScriptFailure::ScriptFailure(const StartFailure& failure)
    : _failure(failure) {}

ScriptFailure ScriptFailure::startFailure(const QString& description) {
    return ScriptFailure(StartFailure{description});
}

std::optional<ScriptError> ScriptFailure::scriptError() const {
    if (const auto* error = std::get_if<ScriptError>(&_failure))
        return *error;
    return std::nullopt;
}

QString ScriptFailure::description() const {
    if (const auto* error = std::get_if<ScriptError>(&_failure))
        return error->description();
    return std::get<StartFailure>(_failure).description;
}
