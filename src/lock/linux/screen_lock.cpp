#include "lock/linux/screen_lock.h"

#include "lock/wayland/wayland_lock.h"
#include "lock/x11/x11_lock.h"
#include "platform/x11/x11_session.h"

void startScreenLock(LockStart start) {
    // By the session, not by the toolkit's platform: under XWayland an X lock would hold
    // nothing but the X programs.
    if (platform::waylandSession())
        startWaylandLock(start);
    else
        startX11Lock(start);
}
