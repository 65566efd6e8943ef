// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/wayland/WaylandActivationToken.h"

#include "product/Diagnostics.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <wayland-client.h>
#include <xdg-activation-v1-client-protocol.h>

namespace {

// How long a launch waits for the compositor; past it the program starts
// without a token.
constexpr int answerTimeoutMs = 500;

// One request for a token, on a queue of its own so that waiting for the
// compositor dispatches nothing of Qt's. Every object it makes is destroyed
// with it, before Qt's connection could go.
class TokenRequest {
public:
    explicit TokenRequest(wl_display* display)
        : _display(display)
        , _queue(wl_display_create_queue(display))
        , _displayOnQueue(static_cast<wl_display*>(wl_proxy_create_wrapper(display))) {
        wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(_displayOnQueue), _queue);
        _registry = wl_display_get_registry(_displayOnQueue);
        wl_registry_add_listener(_registry, &registryListener, this);
    }
    ~TokenRequest() {
        if (_token)
            xdg_activation_token_v1_destroy(_token);
        if (_activation)
            xdg_activation_v1_destroy(_activation);
        wl_registry_destroy(_registry);
        wl_proxy_wrapper_destroy(_displayOnQueue);
        wl_event_queue_destroy(_queue);
    }
    TokenRequest(const TokenRequest&) = delete;
    TokenRequest& operator=(const TokenRequest&) = delete;

    // The token, or the reason there is none.
    std::optional<QString> request(const QString& applicationId, QString* failure) {
        const QDeadlineTimer deadline(answerTimeoutMs);
        // The registry lists its globals in answer to a round trip.
        wl_callback* listed = wl_display_sync(_displayOnQueue);
        wl_callback_add_listener(listed, &listedListener, this);
        const bool hasListed = waitUntil([this] { return _hasListed; }, deadline);
        if (!_hasListed)
            wl_callback_destroy(listed);
        if (!hasListed) {
            *failure = QStringLiteral("the compositor did not list its globals");
            return std::nullopt;
        }
        if (!_activation) {
            *failure = QStringLiteral("the compositor offers no xdg_activation_v1");
            return std::nullopt;
        }

        _token = xdg_activation_v1_get_activation_token(_activation);
        xdg_activation_token_v1_add_listener(_token, &tokenListener, this);
        describeUserAction();
        if (!applicationId.isEmpty())
            xdg_activation_token_v1_set_app_id(_token, applicationId.toUtf8().constData());
        xdg_activation_token_v1_commit(_token);
        if (!waitUntil([this] { return _issued.has_value(); }, deadline)) {
            *failure = QStringLiteral("the compositor did not issue a token in time");
            return std::nullopt;
        }
        if (_issued->isEmpty()) {
            *failure = QStringLiteral("the compositor issued an empty token");
            return std::nullopt;
        }
        return _issued;
    }

private:
    // The focused window of this program, the seat and the serial of the
    // user's last input event: what the compositor weighs before it lets the
    // token move the focus.
    void describeUserAction() {
        QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
        if (QWindow* window = QGuiApplication::focusWindow()) {
            if (auto* surface =
                    static_cast<wl_surface*>(native->nativeResourceForWindow("surface", window)))
                xdg_activation_token_v1_set_surface(_token, surface);
        }
        if (auto* seat = static_cast<wl_seat*>(native->nativeResourceForIntegration("wl_seat"))) {
            const auto serial =
                quint32(reinterpret_cast<quintptr>(native->nativeResourceForIntegration("serial")));
            xdg_activation_token_v1_set_serial(_token, serial, seat);
        }
    }

    // Dispatches this request's queue until `isDone` or the deadline; whether
    // it is done. Reads the connection only in turn with Qt's own reader.
    template <typename Done> bool waitUntil(Done isDone, const QDeadlineTimer& deadline) {
        while (!isDone()) {
            if (wl_display_dispatch_queue_pending(_display, _queue) < 0)
                return false;
            if (isDone())
                return true;
            if (deadline.hasExpired())
                return false;
            if (wl_display_prepare_read_queue(_display, _queue) != 0)
                continue;
            wl_display_flush(_display);
            pollfd readable{wl_display_get_fd(_display), POLLIN, 0};
            const int polled = ::poll(&readable, 1, int(deadline.remainingTime()));
            if (polled > 0) {
                if (wl_display_read_events(_display) < 0)
                    return false;
            } else {
                wl_display_cancel_read(_display);
                if (polled < 0 && errno != EINTR)
                    return false;
            }
        }
        return true;
    }

    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                       uint32_t) {
        auto* self = static_cast<TokenRequest*>(data);
        if (!self->_activation && std::strcmp(interface, xdg_activation_v1_interface.name) == 0)
            self->_activation = static_cast<xdg_activation_v1*>(
                wl_registry_bind(registry, name, &xdg_activation_v1_interface, 1));
    }
    static void globalRemoved(void*, wl_registry*, uint32_t) {}
    static void listedDone(void* data, wl_callback* callback, uint32_t) {
        static_cast<TokenRequest*>(data)->_hasListed = true;
        wl_callback_destroy(callback);
    }
    static void tokenDone(void* data, xdg_activation_token_v1*, const char* token) {
        static_cast<TokenRequest*>(data)->_issued = QString::fromUtf8(token);
    }

    static constexpr wl_registry_listener registryListener{&global, &globalRemoved};
    static constexpr wl_callback_listener listedListener{&listedDone};
    static constexpr xdg_activation_token_v1_listener tokenListener{&tokenDone};

    wl_display* _display;
    wl_event_queue* _queue;
    wl_display* _displayOnQueue;
    wl_registry* _registry = nullptr;
    xdg_activation_v1* _activation = nullptr;
    xdg_activation_token_v1* _token = nullptr;
    bool _hasListed = false;
    std::optional<QString> _issued;
};

} // namespace

std::optional<QString> requestWaylandActivationToken(const QString& applicationId) {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return std::nullopt;
    auto* display = static_cast<wl_display*>(
        QGuiApplication::platformNativeInterface()->nativeResourceForIntegration("wl_display"));
    QString failure = QStringLiteral("Qt gives no Wayland connection");
    std::optional<QString> token;
    if (display)
        token = TokenRequest(display).request(applicationId, &failure);
    static bool hasLoggedFailure = false;
    if (!token && !std::exchange(hasLoggedFailure, true))
        qCWarning(vantriLog) << "programs start without an activation token:" << failure;
    return token;
}
