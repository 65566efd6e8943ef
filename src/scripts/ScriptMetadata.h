// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One argument a script declares. Carried for display; the runner never checks
// typed words against it.
struct Argument {
    QString name;
    QString type;
    QString placeholder;
    bool optional = false;
    QString description;

    bool operator==(const Argument&) const = default;
};

// A script's description, read from the ".meta" file beside it. Only `type`
// (which interpreter runs it) and `command` (the keyword it is filed under)
// drive behaviour; `name` is what the launcher searches and shows.
struct ScriptMetadata {
    QString name;
    QString description;
    QString author;
    QString website;
    QString type;
    QString command;
    QList<Argument> arguments;
    QStringList environments;
    QStringList tags;

    bool operator==(const ScriptMetadata&) const = default;
};
