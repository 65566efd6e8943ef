// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/kde/KdeGlobalShortcut.h"

#include "product/Diagnostics.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>

namespace {

const QString service = QStringLiteral("org.kde.kglobalaccel");
const QString servicePath = QStringLiteral("/kglobalaccel");
const QString serviceInterface = QStringLiteral("org.kde.KGlobalAccel");
const QString componentInterface = QStringLiteral("org.kde.kglobalaccel.Component");

// setShortcut's flags: the action is present (its owner runs), and the keys
// given are the ones wanted, not the ones the service remembers.
constexpr uint setPresent = 2;
constexpr uint noAutoloading = 4;

// The daemon answers within milliseconds; one that hangs must not freeze the panel.
constexpr int callTimeoutMs = 2000;

QDBusMessage call(const QString& method, const QVariantList& arguments) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(service, servicePath, serviceInterface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, callTimeoutMs);
}

} // namespace

bool KdeGlobalShortcut::isServiceRunning() {
    const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(service).value();
}

KdeGlobalShortcut::KdeGlobalShortcut(const QString& componentName,
                                     const QString& componentFriendlyName,
                                     const QString& actionName, const QString& actionFriendlyName,
                                     QObject* parent)
    : QObject(parent)
    , _componentName(componentName)
    , _componentFriendlyName(componentFriendlyName)
    , _actionName(actionName)
    , _actionFriendlyName(actionFriendlyName) {
    const QDBusMessage registered = call(QStringLiteral("doRegister"), {actionId()});
    const QDBusReply<QDBusObjectPath> component =
        call(QStringLiteral("getComponent"), {_componentName});
    if (registered.type() == QDBusMessage::ErrorMessage || !component.isValid()) {
        qCWarning(vantriLog, "KDE's shortcut service did not register the action: %s",
                  qPrintable(registered.type() == QDBusMessage::ErrorMessage
                                 ? registered.errorMessage()
                                 : component.error().message()));
        return;
    }
    // Presses of every action of the component come as one signal.
    if (!QDBusConnection::sessionBus().connect(
            service, component.value().path(), componentInterface,
            QStringLiteral("globalShortcutPressed"), this,
            SLOT(onGlobalShortcutPressed(QString, QString, qlonglong)))) {
        qCWarning(vantriLog, "cannot listen to KDE's shortcut service");
        return;
    }
    _componentPath = component.value().path();
}

KdeGlobalShortcut::~KdeGlobalShortcut() {
    if (!isRegistered())
        return;
    // The service then no longer expects anyone to answer the key.
    QDBusMessage message = QDBusMessage::createMethodCall(service, servicePath, serviceInterface,
                                                          QStringLiteral("setInactive"));
    message.setArguments({actionId()});
    QDBusConnection::sessionBus().call(message, QDBus::NoBlock);
}

KdeGlobalShortcut::Assignment KdeGlobalShortcut::assign(int key) {
    if (!isRegistered())
        return {false, QStringLiteral("the action is not registered"), false};
    if (key != 0) {
        const QDBusReply<bool> available =
            call(QStringLiteral("isGlobalShortcutAvailable"), {key, _componentName});
        if (!available.isValid())
            return {false, available.error().message(), false};
        if (!available.value())
            return {false, QStringLiteral("another action holds the key"), true};
    }
    const QList<int> wanted = key != 0 ? QList<int>{key} : QList<int>{};
    const QDBusReply<QList<int>> given =
        call(QStringLiteral("setShortcut"),
             {actionId(), QVariant::fromValue(wanted), setPresent | noAutoloading});
    if (!given.isValid())
        return {false, given.error().message(), false};
    // Taken meanwhile by another action: the service gives back no key.
    if (key != 0 && !given.value().contains(key))
        return {false, QStringLiteral("another action holds the key"), true};
    return {true, {}, false};
}

std::optional<QList<int>> KdeGlobalShortcut::keys() const {
    const QDBusReply<QList<int>> keys = call(QStringLiteral("shortcut"), {actionId()});
    if (!keys.isValid())
        return std::nullopt;
    QList<int> held = keys.value();
    held.removeAll(0);
    return held;
}

void KdeGlobalShortcut::onGlobalShortcutPressed(const QString& component, const QString& action,
                                                qlonglong) {
    if (component == _componentName && action == _actionName)
        Q_EMIT pressed();
}

QStringList KdeGlobalShortcut::actionId() const {
    return {_componentName, _actionName, _componentFriendlyName, _actionFriendlyName};
}
