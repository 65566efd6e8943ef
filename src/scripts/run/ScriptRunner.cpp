// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scripts/run/ScriptRunner.h"

#include <QStringDecoder>

namespace {

// Line feed, vertical tab, form feed, carriage return, next line, and the
// line and paragraph separators.
bool isLineBreak(QChar character) {
    const char16_t unit = character.unicode();
    return (unit >= 0x0A && unit <= 0x0D) || unit == 0x85 || unit == 0x2028 || unit == 0x2029;
}

QString trimLineBreaks(const QString& text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isLineBreak(text[start]))
        ++start;
    while (end > start && isLineBreak(text[end - 1]))
        --end;
    return text.sliced(start, end - start);
}

QStringList nonEmptyLines(const QString& text) {
    QStringList lines;
    qsizetype lineStart = 0;
    for (qsizetype position = 0; position <= text.size(); ++position) {
        if (position < text.size() && !isLineBreak(text[position]))
            continue;
        if (position > lineStart)
            lines.append(text.sliced(lineStart, position - lineStart));
        lineStart = position + 1;
    }
    return lines;
}

QString decodedOrEmpty(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return decoder.hasError() ? QString() : text;
}

} // namespace

QStringList ScriptRunner::outputPieces(const QString& chunk) const {
    switch (outputCut) {
    case OutputCut::trimmedChunk: {
        const QString piece = trimLineBreaks(chunk);
        return piece.isEmpty() ? QStringList() : QStringList{piece};
    }
    case OutputCut::nonEmptyLines:
        break;
    }
    return nonEmptyLines(chunk);
}

QString ScriptRunner::failureMessage(int status, bool killedBySignal,
                                     const QByteArray& standardError) const {
    const QString message = scriptKind +
                            (killedBySignal ? QStringLiteral(" was killed by signal ")
                                            : QStringLiteral(" exited with status ")) +
                            QString::number(status);
    if (!keepsStandardErrorApart)
        return message;
    return message + QStringLiteral("\nError: ") + decodedOrEmpty(standardError);
}

ScriptRunners::ScriptRunners()
    : _runners{
          {QStringLiteral("bash"),
           {QStringLiteral("/bin/bash"), true, ScriptRunner::OutputCut::trimmedChunk,
            QStringLiteral("Shell script")}},
          {QStringLiteral("applescript"),
           {QStringLiteral("/usr/bin/osascript"), false, ScriptRunner::OutputCut::nonEmptyLines,
            QStringLiteral("AppleScript")}},
          {QStringLiteral("swift"),
           {QStringLiteral("/usr/bin/swift"), false, ScriptRunner::OutputCut::nonEmptyLines,
            QStringLiteral("Swift script")}},
      } {}

std::optional<ScriptRunner> ScriptRunners::runnerFor(const QString& type) const {
    const auto runner = _runners.constFind(type);
    if (runner == _runners.constEnd())
        return std::nullopt;
    return *runner;
}

void ScriptRunners::setInterpreter(const QString& type, const QString& interpreterPath) {
    const auto runner = _runners.find(type);
    if (runner != _runners.end())
        runner->interpreter = interpreterPath;
}
