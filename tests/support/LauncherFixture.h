#pragma once

#include "TempTree.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

// Real inputs for the launcher's tests: an index file of applications and a
// scripts folder of metadata files beside bash scripts.
namespace LauncherFixture {

// Where writeIndexFile says the application `name` lies.
inline QString applicationPath(const TempTree& tree, const QString& name) {
    return tree.path(QStringLiteral("apps/") + name + QStringLiteral(".desktop"));
}

// Writes an index file naming each of `names` (lower-cased, as the index
// stores them) with a made-up path; returns the file's path.
inline QString writeIndexFile(const TempTree& tree, const QStringList& names) {
    QJsonArray entries;
    for (const QString& name : names)
        entries.append(QJsonObject{{QStringLiteral("name"), name},
                                   {QStringLiteral("path"), applicationPath(tree, name)}});
    return tree.writeFile(QStringLiteral("index/appIndex.json"),
                          QJsonDocument(entries).toJson(QJsonDocument::Compact));
}

struct Script {
    QString command;
    QString name;
    QString body;
    QString type = QStringLiteral("bash");
};

// Writes `script` as scripts/<file>.meta and scripts/<file>.sh; returns the script's path.
inline QString writeScript(const TempTree& tree, const QString& file, const Script& script) {
    const auto quoted = [](const QString& text) {
        QString escaped = text;
        escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        escaped.replace(QLatin1Char('"'), QStringLiteral("\\\""));
        return QLatin1Char('"') + escaped + QLatin1Char('"');
    };
    const QString meta = QStringLiteral("name: %1\n"
                                        "description: a test script\n"
                                        "author: tests\n"
                                        "website: \"\"\n"
                                        "type: %2\n"
                                        "command: %3\n"
                                        "arguments: []\n"
                                        "environments: []\n"
                                        "tags: []\n")
                             .arg(quoted(script.name), quoted(script.type), quoted(script.command));
    tree.writeFile(QStringLiteral("scripts/") + file + QStringLiteral(".meta"), meta.toUtf8());
    const QString path = tree.writeFile(QStringLiteral("scripts/") + file + QStringLiteral(".sh"),
                                        script.body.toUtf8());
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    return path;
}

inline QString scriptsFolder(const TempTree& tree) {
    return tree.makeDir(QStringLiteral("scripts"));
}

} // namespace LauncherFixture
