// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "state/HotKeyPlace.h"

#include <QObject>
#include <QString>
#include <memory>

class AppIndexManager;

// The state the views and the delegate share: the application index, the
// scripts folder and the stored preferences. Main thread only.
class AppState : public QObject {
    Q_OBJECT

public:
    // Builds an index manager on the default folders and index file. The
    // saved scripts folder is only read: loading it is the launch's business.
    explicit AppState(QObject* parent = nullptr);
    explicit AppState(std::unique_ptr<AppIndexManager> appIndexManager, QObject* parent = nullptr);
    ~AppState() override;

    // The process-wide state the launcher, the hotkey and the settings panel use.
    static AppState& shared();

    AppIndexManager& appIndexManager() const { return *_appIndexManager; }

    // Follows the index manager's flag, always one main-loop turn behind.
    bool isIndexing() const { return _isIndexing; }

    bool accessibilityGranted() const;
    void setAccessibilityGranted(bool granted);

    QString savedShortcut() const;
    void setSavedShortcut(const QString& shortcut);

    // The hotkey chooser's choice. Observers of shortcutChosen put it in force
    // before it is saved; one that cannot says why through setHotKeyProblem,
    // and then the choice is dropped, so the previous combination stays saved
    // and in force. Otherwise it is saved and any earlier problem is cleared.
    void chooseShortcut(const QString& shortcut);

    // Why the saved hotkey or the latest choice is not in force, in words for
    // the user; empty while nothing is wrong.
    QString hotKeyProblem() const { return _hotKeyProblem; }
    void setHotKeyProblem(const QString& problem);

    // Where the hotkey in force lives, published by whoever registers it.
    const HotKeyPlace& hotKeyPlace() const { return _hotKeyPlace; }
    void setHotKeyPlace(const HotKeyPlace& place);

    QString scriptFolderPath() const { return _scriptFolderPath; }
    // Every assignment, even of the same path, stores it and reloads the scripts.
    void setScriptFolderPath(const QString& path);

Q_SIGNALS:
    void isIndexingChanged(bool isIndexing);
    void accessibilityGrantedChanged(bool granted);
    void savedShortcutChanged(const QString& shortcut);
    void shortcutChosen(const QString& shortcut);
    void hotKeyProblemChanged(const QString& problem);
    void hotKeyPlaceChanged(const HotKeyPlace& place);
    void scriptFolderPathChanged(const QString& path);

private:
    void setIsIndexing(bool isIndexing);
    void saveScriptFolderPath();

    std::unique_ptr<AppIndexManager> _appIndexManager;
    bool _isIndexing = false;
    QString _hotKeyProblem;
    HotKeyPlace _hotKeyPlace;
    QString _scriptFolderPath;
};
