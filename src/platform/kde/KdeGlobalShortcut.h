// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

// One action of this program in KDE's global shortcut service (the
// kglobalaccel daemon on the session bus), spoken to over D-Bus: no KDE
// library is linked. The service holds the key and grabs it on X11 and
// Wayland alike; it reports each press of it, and `pressed` follows on the
// main thread. The action is registered on construction when the service
// answers; the service keeps it between runs, and it is marked inactive
// when this object goes.
class KdeGlobalShortcut : public QObject {
    Q_OBJECT

public:
    // Whether the service answers on the session bus now.
    static bool isServiceRunning();

    KdeGlobalShortcut(const QString& componentName, const QString& componentFriendlyName,
                      const QString& actionName, const QString& actionFriendlyName,
                      QObject* parent = nullptr);
    ~KdeGlobalShortcut() override;

    // Whether the action is registered and its presses are heard.
    bool isRegistered() const { return !_componentPath.isEmpty(); }

    struct Assignment {
        bool isAssigned = false;
        // When not assigned: why, in words for a log.
        QString failure;
        // Whether the key is held by another program's action, which the
        // service would not give away.
        bool isTaken = false;
    };
    // Gives the action `key` (a Qt key combination, e.g. Ctrl+Alt+Space),
    // or no key for 0. A key another action holds is not taken from it, and
    // the action's current key stays.
    Assignment assign(int key);
    // The action's keys as the service holds them.
    std::optional<QList<int>> keys() const;

Q_SIGNALS:
    void pressed();

private Q_SLOTS:
    void onGlobalShortcutPressed(const QString& component, const QString& action, qlonglong time);

private:
    QStringList actionId() const;

    QString _componentName;
    QString _componentFriendlyName;
    QString _actionName;
    QString _actionFriendlyName;
    QString _componentPath;
};
