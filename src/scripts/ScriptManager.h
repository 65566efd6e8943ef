#pragma once

#include <QObject>
#include <QString>

// The catalogue of the user's scripts, filed under their command keywords.
class ScriptManager : public QObject {
    Q_OBJECT

public:
    explicit ScriptManager(QObject* parent = nullptr);

    static ScriptManager& shared();

    // Starts over: empties the catalogue and reads the folder at `path` again.
    void loadScripts(const QString& path);

    QString lastUsedScriptFolderPath() const { return _lastUsedScriptFolderPath; }

private:
    QString _lastUsedScriptFolderPath;
};
