// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// The variables of an environment as /proc/<pid>/environ or `env -0` writes
// it: NUL-separated NAME=value entries.
inline QMap<QString, QString> environmentIn(const QByteArray& dump) {
    QMap<QString, QString> variables;
    for (const QByteArray& line : dump.split('\0')) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0)
            variables.insert(QString::fromUtf8(line.left(equals)),
                             QString::fromUtf8(line.mid(equals + 1)));
    }
    return variables;
}
