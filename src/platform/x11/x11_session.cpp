#include "platform/x11/x11_session.h"

#include <QByteArray>
#include <xcb/xcb.h>

namespace platform {

namespace {
xcb_connection_t* probe = nullptr;
} // namespace

bool openX11Display() {
    const QByteArray asked = qgetenv("QT_QPA_PLATFORM");
    if (!asked.isEmpty() && asked != "xcb")
        return true;
    qputenv("QT_QPA_PLATFORM", "xcb");
    closeX11Probe();
    probe = xcb_connect(nullptr, nullptr);
    return xcb_connection_has_error(probe) == 0;
}

void closeX11Probe() {
    if (probe)
        xcb_disconnect(probe);
    probe = nullptr;
}

void useWaylandPlatform() {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "wayland");
}

bool waylandSession() {
    return qgetenv("XDG_SESSION_TYPE") == "wayland" || !qgetenv("WAYLAND_DISPLAY").isEmpty();
}

} // namespace platform
