#pragma once

#include "scripts/ScriptMetadata.h"

#include <QList>
#include <QString>
#include <QUuid>
#include <optional>

enum class ResultType { app, command };

// One line of the result list.
struct ResultItem {
    // Fresh for every result of every search; the list's row identity.
    QUuid id;
    // What is shown and sorted on: the folded application name, or the
    // script's catalogue key.
    QString name;
    ResultType type = ResultType::app;
    // The application's location (the path of its bundle or entry file); absent for scripts.
    std::optional<QString> url;
    // The script's description; absent for applications.
    std::optional<ScriptMetadata> metadata;
};

using ResultItems = QList<ResultItem>;

// A random (version 4) identifier from a per-thread generator seeded once, so
// that a search over thousands of names makes no system call per result.
QUuid newResultId();
