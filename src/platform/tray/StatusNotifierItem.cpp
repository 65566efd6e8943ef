// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/tray/StatusNotifierItem.h"

#include "product/Diagnostics.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QImage>
#include <QtEndian>

#include <utility>

namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString watcherInterface = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString itemPath = QStringLiteral("/StatusNotifierItem");

// A watcher answers at once when it is there; one that hangs must not hold
// the start for long.
constexpr int watcherTimeoutMs = 2000;

// Hosts pick the image nearest the size they draw at.
constexpr int pixmapSizes[] = {16, 22, 32, 48, 64};

// One image as the protocol carries it: 32-bit ARGB pixels, each in network
// byte order, row by row.
struct ItemPixmap {
    int width = 0;
    int height = 0;
    QByteArray argb;
};
using ItemPixmaps = QList<ItemPixmap>;

struct ItemToolTip {
    QString iconName;
    ItemPixmaps pixmaps;
    QString title;
    QString text;
};

QDBusArgument& operator<<(QDBusArgument& argument, const ItemPixmap& pixmap) {
    argument.beginStructure();
    argument << pixmap.width << pixmap.height << pixmap.argb;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ItemPixmap& pixmap) {
    argument.beginStructure();
    argument >> pixmap.width >> pixmap.height >> pixmap.argb;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const ItemToolTip& toolTip) {
    argument.beginStructure();
    argument << toolTip.iconName << toolTip.pixmaps << toolTip.title << toolTip.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ItemToolTip& toolTip) {
    argument.beginStructure();
    argument >> toolTip.iconName >> toolTip.pixmaps >> toolTip.title >> toolTip.text;
    argument.endStructure();
    return argument;
}

ItemPixmaps pixmapsOf(const QIcon& icon) {
    ItemPixmaps pixmaps;
    for (const int side : pixmapSizes) {
        QImage image = icon.pixmap(side, side).toImage().convertToFormat(QImage::Format_ARGB32);
        // An icon smaller than asked comes at its own size, which is there already.
        if (image.isNull() || (!pixmaps.isEmpty() && pixmaps.constLast().width == image.width()))
            continue;
        QByteArray argb(qsizetype(image.width()) * image.height() * 4, Qt::Uninitialized);
        auto* pixel = reinterpret_cast<quint32*>(argb.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto* row = reinterpret_cast<const quint32*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                *pixel++ = qToBigEndian(row[x]);
        }
        pixmaps << ItemPixmap{image.width(), image.height(), argb};
    }
    return pixmaps;
}

} // namespace

Q_DECLARE_METATYPE(ItemPixmap)
Q_DECLARE_METATYPE(ItemToolTip)

// The item as hosts see it on the bus.
class StatusNotifierItemAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QString IconName READ iconName)
    Q_PROPERTY(ItemPixmaps IconPixmap READ iconPixmap)
    Q_PROPERTY(QString AttentionIconName READ attentionIconName)
    Q_PROPERTY(ItemPixmaps AttentionIconPixmap READ attentionIconPixmap)
    Q_PROPERTY(ItemToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)

public:
    explicit StatusNotifierItemAdaptor(StatusNotifierItem& item)
        : QDBusAbstractAdaptor(&item)
        , _item(item)
        , _pixmaps(pixmapsOf(item.presentation().icon)) {}

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return _item.presentation().id; }
    QString title() const { return _item.presentation().title; }
    QString status() const { return QStringLiteral("Active"); }
    QString iconName() const { return _item.presentation().iconName; }
    ItemPixmaps iconPixmap() const { return _pixmaps; }
    // The item never asks for attention: hosts that read these find them empty.
    QString attentionIconName() const { return {}; }
    ItemPixmaps attentionIconPixmap() const { return {}; }
    ItemToolTip toolTip() const { return {{}, {}, _item.presentation().title, {}}; }
    // Clicks mean the menu, and no exported menu stands in for the program's.
    bool itemIsMenu() const { return true; }
    QDBusObjectPath menu() const { return QDBusObjectPath(QStringLiteral("/NO_DBUSMENU")); }

public Q_SLOTS:
    void Activate(int x, int y) { Q_EMIT _item.menuRequested(QPoint(x, y)); }
    void SecondaryActivate(int x, int y) { Q_EMIT _item.menuRequested(QPoint(x, y)); }
    void ContextMenu(int x, int y) { Q_EMIT _item.menuRequested(QPoint(x, y)); }
    // Scrolling over the item changes nothing.
    void Scroll(int delta, const QString& orientation) {
        Q_UNUSED(delta);
        Q_UNUSED(orientation);
    }

Q_SIGNALS:
    // Nothing about the item changes while it lives; hosts still listen for these.
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString& status);

private:
    StatusNotifierItem& _item;
    ItemPixmaps _pixmaps;
};

StatusNotifierItem::StatusNotifierItem(Presentation presentation, QObject* parent)
    : QObject(parent)
    , _presentation(std::move(presentation)) {
    static const bool typesRegistered = [] {
        qDBusRegisterMetaType<ItemPixmap>();
        qDBusRegisterMetaType<ItemPixmaps>();
        qDBusRegisterMetaType<ItemToolTip>();
        return true;
    }();
    Q_UNUSED(typesRegistered);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    new StatusNotifierItemAdaptor(*this);
    if (!bus.registerObject(itemPath, this, QDBusConnection::ExportAdaptors)) {
        qCWarning(vantriLog, "cannot put the tray item on the session bus");
        return;
    }
    _isExported = true;
    // The name hosts expect; without it the watcher takes the item by the
    // connection's own name and the path.
    const QString name =
        QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(QCoreApplication::applicationPid());
    if (bus.registerService(name))
        _serviceName = name;
    auto* watcherWatch = new QDBusServiceWatcher(watcherService, bus,
                                                 QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcherWatch, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &StatusNotifierItem::onWatcherOwnerChanged);
    // Plasma's watcher also says when a host leaves; swaybar's host goes
    // with its watcher.
    for (const char* change : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
        bus.connect(watcherService, watcherPath, watcherInterface, QLatin1String(change), this,
                    SLOT(refreshHosted()));
    registerWithWatcher();
    refreshHosted();
}

StatusNotifierItem::~StatusNotifierItem() {
    if (!_isExported)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(itemPath);
    if (!_serviceName.isEmpty())
        bus.unregisterService(_serviceName);
}

void StatusNotifierItem::registerWithWatcher() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(watcherService, watcherPath, watcherInterface,
                                       QStringLiteral("RegisterStatusNotifierItem"));
    call.setArguments({_serviceName.isEmpty() ? itemPath : _serviceName});
    auto* reply = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(reply, &QDBusPendingCallWatcher::finished, this, [](QDBusPendingCallWatcher* reply) {
        reply->deleteLater();
        // No watcher yet is no fault: the item registers when one comes.
        if (reply->isError() && reply->error().type() != QDBusError::ServiceUnknown)
            qCWarning(vantriLog, "the tray did not take Vantri's item: %s",
                      qPrintable(reply->error().message()));
    });
}

void StatusNotifierItem::onWatcherOwnerChanged(const QString& watcher, const QString& oldOwner,
                                               const QString& newOwner) {
    Q_UNUSED(watcher);
    Q_UNUSED(oldOwner);
    if (newOwner.isEmpty()) {
        setHosted(false);
        return;
    }
    registerWithWatcher();
    refreshHosted();
}

void StatusNotifierItem::refreshHosted() {
    QDBusMessage get = QDBusMessage::createMethodCall(
        watcherService, watcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get.setArguments({watcherInterface, QStringLiteral("IsStatusNotifierHostRegistered")});
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(get, QDBus::Block, watcherTimeoutMs);
    // No watcher, or one that does not answer, shows nothing.
    setHosted(reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
              reply.arguments().constFirst().value<QDBusVariant>().variant().toBool());
}

void StatusNotifierItem::setHosted(bool isHosted) {
    if (std::exchange(_isHosted, isHosted) != isHosted)
        Q_EMIT isHostedChanged(isHosted);
}

#include "StatusNotifierItem.moc"
