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

// Writes `script` as scripts/<command>.meta beside scripts/<command>.sh.
inline void writeScript(const TempTree& tree, const Script& script) {
    const QString meta = QStringLiteral("{name: \"%1\", description: d, author: a, website: w,"
                                        " type: \"%2\", command: \"%3\", arguments: [],"
                                        " environments: [], tags: []}\n")
                             .arg(script.name, script.type, script.command);
    const QString file = QStringLiteral("scripts/") + script.command;
    tree.writeFile(file + QStringLiteral(".meta"), meta.toUtf8());
    const QString path = tree.writeFile(file + QStringLiteral(".sh"), script.body.toUtf8());
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
}

inline QString scriptsFolder(const TempTree& tree) {
    return tree.makeDir(QStringLiteral("scripts"));
}

} // namespace LauncherFixture
