#include "platform/CompositorCheck.h"

#include "platform/X11Connection.h"

#include <QByteArray>
#include <cstdlib>
#include <memory>

bool isCompositorRunning() {
    xcb_connection_t* connection = applicationX11Connection();
    if (!connection)
        return false;
    // A compositing manager owns the selection _NET_WM_CM_S<screen number>.
    char* host = nullptr;
    int display = 0;
    int screen = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen))
        std::free(host);
    else
        screen = 0;
    const QByteArray selection = "_NET_WM_CM_S" + QByteArray::number(screen);
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 0, uint16_t(selection.size()), selection.constData()),
            nullptr),
        &std::free);
    if (!atom)
        return false;
    const std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom),
                                      nullptr),
        &std::free);
    return owner && owner->owner != XCB_NONE;
}
