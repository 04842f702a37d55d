#include "platform/x11_session.h"

#include <QByteArray>
#include <xcb/xcb.h>

namespace platform {

bool openX11Display() {
    const QByteArray asked = qgetenv("QT_QPA_PLATFORM");
    if (!asked.isEmpty() && asked != "xcb")
        return true;
    // Under XWayland too the program must speak X11, or its grabs would be Wayland's.
    qputenv("QT_QPA_PLATFORM", "xcb");
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool ok = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return ok;
}

bool waylandSession() {
    return qgetenv("XDG_SESSION_TYPE") == "wayland" || !qgetenv("WAYLAND_DISPLAY").isEmpty();
}

} // namespace platform
