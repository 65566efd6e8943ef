// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QString>

// The program's item in a tray that hosts items over D-Bus (the
// org.kde.StatusNotifierItem protocol of swaybar, Plasma, waybar and
// others), spoken to with QtDBus alone. The item exports no menu of its
// own: a host then asks the program for it at each click, saying where, and
// every such request comes as `menuRequested`. The item registers with the
// tray's watcher at once and again whenever a watcher comes up.
class StatusNotifierItem : public QObject {
    Q_OBJECT

public:
    struct Presentation {
        QString id;
        QString title;
        // The icon theme's name, which hosts that find it draw to suit their panel.
        QString iconName;
        // The same icon as images, for hosts that do not find the name.
        QIcon icon;
    };

    explicit StatusNotifierItem(Presentation presentation, QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    const Presentation& presentation() const { return _presentation; }
    // Whether a tray host on the session bus shows items: the item is seen.
    bool isHosted() const { return _isHosted; }

Q_SIGNALS:
    void isHostedChanged(bool isHosted);
    // A click on the item with any button, at `position` in the desktop's
    // coordinates as the host reckons them.
    void menuRequested(QPoint position);

private Q_SLOTS:
    void onWatcherOwnerChanged(const QString& watcher, const QString& oldOwner,
                               const QString& newOwner);
    void refreshHosted();

private:
    void registerWithWatcher();
    void setHosted(bool isHosted);

    Presentation _presentation;
    QString _serviceName;
    bool _isExported = false;
    bool _isHosted = false;
};
