// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QLoggingCategory>
#include <QString>

// Everything the program has to say about its own workings goes through one
// logging category, "vantri", so that it can be silenced or turned up in one
// place (QT_LOGGING_RULES="vantri.debug=true").
Q_DECLARE_LOGGING_CATEGORY(vantriLog)

// The one line a failed save prints, "Failed to save <what>: <reason>", on
// standard output where scripts around the program read it. It is flushed at
// once, so that it is not lost in a pipe's buffer when the program ends.
void printSaveFailure(const QString& what, const QString& reason);
