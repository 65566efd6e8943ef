// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ApplicationFixtures.h"
#include "TempTree.h"
#include "index/AppIndexManager.h"
#include "launcher/LauncherController.h"
#include "scripts/ScriptManager.h"

#include <QFile>
#include <QStringList>
#include <QTest>

// Real inputs for the launcher's tests: an index file of applications and a scripts folder.
namespace LauncherFixture {
using namespace Qt::StringLiterals;

// Writes an index file of `names` (lower-cased, as the index stores them); returns its path.
inline QString writeIndexFile(const TempTree& tree, const QStringList& names) {
    QList<std::pair<QString, QString>> entries;
    for (const QString& name : names)
        entries.append({name, tree.path(u"apps/"_s + name + u".desktop"_s)});
    return tree.writeFile(u"index/appIndex.json"_s, ApplicationFixtures::indexFile(entries));
}

struct Script {
    QString command;
    QString name;
    QString body = u"exit 0\n"_s;
    QString type = u"bash"_s;
};

// The metadata file of a script with no arguments.
inline QByteArray scriptMetadata(const QString& command, const QString& name,
                                 const QString& type = u"bash"_s) {
    return u"{name: \"%1\", description: d, author: a, website: w, type: %3,"
           " command: \"%2\", arguments: [], environments: [], tags: []}\n"_s
               .arg(name, command, type)
               .toUtf8();
}

// Writes each script as <command>.meta beside an executable <command>.sh; returns their folder.
inline QString writeScripts(const TempTree& tree, const QList<Script>& scripts) {
    for (const Script& script : scripts) {
        const QString file = u"scripts/"_s + script.command;
        tree.writeFile(file + u".meta"_s, scriptMetadata(script.command, script.name, script.type));
        tree.writeProgram(file + u".sh"_s, script.body.toUtf8());
    }
    return tree.makeDir(u"scripts"_s);
}

// Catalogues `folder` and waits for the scan to end; whether it ended.
inline bool loadScripts(ScriptManager& manager, const QString& folder) {
    manager.loadScripts(folder);
    return QTest::qWaitFor([&] { return !manager.isScanning(); }, 60000);
}

// What the launcher searches: an index file of `applications` and a catalogued
// folder of `scripts`, in a tree of their own.
struct Catalogues {
    TempTree tree;
    AppIndexManager apps;
    ScriptManager scripts;

    explicit Catalogues(const QStringList& applications, const QList<Script>& scriptFiles = {})
        : apps(QStringList(), writeIndexFile(tree, applications)) {
        if (!loadScripts(scripts, writeScripts(tree, scriptFiles)))
            qFatal("the scripts folder was never catalogued");
    }
};

// Appends each message `controller` shows to `messages`.
inline void recordMessages(const LauncherController& controller, QStringList& messages) {
    QObject::connect(&controller, &LauncherController::errorMessageChanged, [&] {
        if (controller.errorMessage())
            messages.append(*controller.errorMessage());
    });
}

} // namespace LauncherFixture
