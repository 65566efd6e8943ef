// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/x11/X11StartupNotice.h"

#include "platform/x11/X11Connection.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSysInfo>

#include <atomic>
#include <cstring>
#include <poll.h>

namespace {

constexpr int pieceSize = 20;
// How long an announcement waits for the server's time before it goes out
// without one.
constexpr int serverTimeWaitMs = 200;

// The connection the notices go out on, with a window of its own that names
// the sender and whose property changes tell the server's time.
class NoticeConnection {
public:
    NoticeConnection() {
        if (!applicationX11Connection())
            return;
        _connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(_connection))
            return;
        xcb_screen_t* screen = applicationX11Screen(_connection);
        if (!screen)
            return;
        _root = screen->root;
        _window = xcb_generate_id(_connection);
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(_connection, XCB_COPY_FROM_PARENT, _window, _root, -1, -1, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          &events);
        _begin = internX11Atom(_connection, "_NET_STARTUP_INFO_BEGIN");
        _more = internX11Atom(_connection, "_NET_STARTUP_INFO");
        _usable = _begin != XCB_ATOM_NONE && _more != XCB_ATOM_NONE;
    }
    ~NoticeConnection() {
        if (_connection)
            xcb_disconnect(_connection);
    }
    NoticeConnection(const NoticeConnection&) = delete;
    NoticeConnection& operator=(const NoticeConnection&) = delete;

    bool isUsable() const { return _usable; }

    // The server's time now, read off the notice of a property change; 0
    // when it does not come in time.
    xcb_timestamp_t serverTime() {
        xcb_change_property(_connection, XCB_PROP_MODE_APPEND, _window, _more, XCB_ATOM_STRING, 8,
                            0, nullptr);
        xcb_flush(_connection);
        const QDeadlineTimer deadline(serverTimeWaitMs);
        while (!deadline.hasExpired()) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(_connection)) {
                const bool isChange = (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY;
                const xcb_timestamp_t time =
                    isChange ? reinterpret_cast<xcb_property_notify_event_t*>(event)->time : 0;
                std::free(event);
                if (isChange)
                    return time;
            }
            pollfd readable{xcb_get_file_descriptor(_connection), POLLIN, 0};
            if (::poll(&readable, 1, int(deadline.remainingTime())) < 0 && errno != EINTR)
                break;
            if (xcb_connection_has_error(_connection))
                break;
        }
        return 0;
    }

    void send(const QByteArray& message) {
        bool first = true;
        for (const QByteArray& piece : x11StartupMessagePieces(message)) {
            xcb_client_message_event_t event{};
            event.response_type = XCB_CLIENT_MESSAGE;
            event.format = 8;
            event.window = _window;
            event.type = first ? _begin : _more;
            std::memcpy(event.data.data8, piece.constData(), pieceSize);
            xcb_send_event(_connection, 0, _root, XCB_EVENT_MASK_PROPERTY_CHANGE,
                           reinterpret_cast<const char*>(&event));
            first = false;
        }
        xcb_flush(_connection);
    }

private:
    xcb_connection_t* _connection = nullptr;
    xcb_window_t _root = XCB_WINDOW_NONE;
    xcb_window_t _window = XCB_WINDOW_NONE;
    xcb_atom_t _begin = XCB_ATOM_NONE;
    xcb_atom_t _more = XCB_ATOM_NONE;
    bool _usable = false;
};

// Null where notices cannot be sent. Made on the main thread, where starts are.
NoticeConnection* noticeConnection() {
    static NoticeConnection connection;
    return connection.isUsable() ? &connection : nullptr;
}

QString newStartupId(xcb_timestamp_t time) {
    static std::atomic<quint64> starts{0};
    QString host = QSysInfo::machineHostName();
    host.replace(QLatin1Char(' '), QLatin1Char('_'));
    return QStringLiteral("vantri-%1-%2-%3_TIME%4")
        .arg(QCoreApplication::applicationPid())
        .arg(++starts)
        .arg(host)
        .arg(time);
}

} // namespace

QByteArray x11StartupMessage(const QByteArray& kind,
                             const QList<std::pair<QByteArray, QString>>& fields) {
    QByteArray message = kind + ':';
    for (const auto& [key, value] : fields) {
        QByteArray quoted = value.toUtf8();
        quoted.replace('\\', "\\\\").replace('"', "\\\"");
        message += ' ' + key + "=\"" + quoted + '"';
    }
    return message;
}

QByteArrayList x11StartupMessagePieces(const QByteArray& message) {
    QByteArray whole = message + '\0';
    whole.append((pieceSize - whole.size() % pieceSize) % pieceSize, '\0');
    QByteArrayList pieces;
    for (qsizetype start = 0; start < whole.size(); start += pieceSize)
        pieces << whole.mid(start, pieceSize);
    return pieces;
}

std::optional<QString> announceX11Startup(const StartupNotice& notice) {
    NoticeConnection* connection = noticeConnection();
    if (!connection)
        return std::nullopt;
    const QString id = newStartupId(connection->serverTime());
    QList<std::pair<QByteArray, QString>> fields{
        {"ID", id},
        {"NAME", notice.name},
        {"SCREEN", QString::number(applicationX11ScreenNumber())},
        {"BIN", notice.binary},
        {"APPLICATION_ID", notice.applicationId},
    };
    if (!notice.icon.isEmpty())
        fields.append({"ICON", notice.icon});
    connection->send(x11StartupMessage("new", fields));
    return id;
}

void withdrawX11Startup(const QString& id) {
    if (NoticeConnection* connection = noticeConnection())
        connection->send(x11StartupMessage("remove", {{"ID", id}}));
}
