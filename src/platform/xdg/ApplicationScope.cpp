// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/xdg/ApplicationScope.h"

#include "product/Diagnostics.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QRandomGenerator>
#include <QtConcurrent/QtConcurrentRun>

namespace {

// The manager answers at once when it is there; a bus that holds the call
// longer only delays a worker thread.
constexpr int managerTimeoutMs = 2000;

struct UnitProperty {
    QString name;
    QDBusVariant value;
};

struct AuxiliaryUnit {
    QString name;
    QList<UnitProperty> properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const UnitProperty& property) {
    argument.beginStructure();
    argument << property.name << property.value;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, UnitProperty& property) {
    argument.beginStructure();
    argument >> property.name >> property.value;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const AuxiliaryUnit& unit) {
    argument.beginStructure();
    argument << unit.name << unit.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, AuxiliaryUnit& unit) {
    argument.beginStructure();
    argument >> unit.name >> unit.properties;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(UnitProperty)
Q_DECLARE_METATYPE(AuxiliaryUnit)

namespace {

void registerTypes() {
    static const bool registered = [] {
        qDBusRegisterMetaType<UnitProperty>();
        qDBusRegisterMetaType<QList<UnitProperty>>();
        qDBusRegisterMetaType<AuxiliaryUnit>();
        qDBusRegisterMetaType<QList<AuxiliaryUnit>>();
        return true;
    }();
    Q_UNUSED(registered);
}

void requestScope(const QString& unit, quint32 processId) {
    registerTypes();
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.systemd1"), QStringLiteral("/org/freedesktop/systemd1"),
        QStringLiteral("org.freedesktop.systemd1.Manager"), QStringLiteral("StartTransientUnit"));
    // Only a manager that runs already: none is to be started for this.
    call.setAutoStartService(false);
    const QList<UnitProperty> properties{
        {QStringLiteral("PIDs"), QDBusVariant(QVariant::fromValue(QList<quint32>{processId}))},
        {QStringLiteral("Slice"), QDBusVariant(QStringLiteral("app.slice"))},
        {QStringLiteral("Description"),
         QDBusVariant(QStringLiteral("Application started by Vantri"))},
        {QStringLiteral("CollectMode"), QDBusVariant(QStringLiteral("inactive-or-failed"))},
    };
    call << unit << QStringLiteral("fail") << QVariant::fromValue(properties)
         << QVariant::fromValue(QList<AuxiliaryUnit>());
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(call, QDBus::Block, managerTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage)
        qCDebug(vantriLog) << "no scope for" << unit << ":" << reply.errorMessage();
}

bool isPlainUnitCharacter(char byte, bool first) {
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
           (byte >= '0' && byte <= '9') || byte == ':' || byte == '_' || (byte == '.' && !first);
}

} // namespace

QString escapeUnitNamePart(const QString& text) {
    QString escaped;
    const QByteArray bytes = text.toUtf8();
    for (qsizetype position = 0; position < bytes.size(); ++position) {
        const char byte = bytes[position];
        if (isPlainUnitCharacter(byte, position == 0))
            escaped.append(QLatin1Char(byte));
        else
            escaped.append(QStringLiteral("\\x%1").arg(uchar(byte), 2, 16, QLatin1Char('0')));
    }
    return escaped;
}

QString applicationScopeName(const QString& desktopFileId, const QString& random) {
    QString application = desktopFileId;
    if (application.endsWith(QLatin1String(".desktop")))
        application.chop(8);
    return QStringLiteral("app-vantri-%1-%2.scope").arg(escapeUnitNamePart(application), random);
}

void placeInApplicationScope(const QString& desktopFileId, qint64 processId) {
    const QString unit = applicationScopeName(
        desktopFileId, QString::number(QRandomGenerator::global()->generate(), 16));
    // Not waited for: the application runs whatever the answer.
    (void)QtConcurrent::run(requestScope, unit, quint32(processId));
}
