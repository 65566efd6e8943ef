#include "platform/X11Connection.h"

#include <QGuiApplication>

xcb_connection_t* applicationX11Connection() {
    // The native interface exists on other platforms too, with a null connection.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}
