#include "lock/linux/screen_lock.h"

#include "lock/linux/lock_state.h"
#include "lock/wayland/wayland_lock.h"
#include "lock/x11/x11_lock.h"
#include "platform/x11/x11_session.h"

#include <QCoreApplication>
#include <QTimer>

void startScreenLock(LockStart start) {
    // By the session, not by the toolkit's platform: under XWayland an X lock would hold
    // nothing but the X programs.
    if (platform::waylandSession())
        startWaylandLock(start);
    else
        startX11Lock(start);
}

void prepareScreenLocks() {
    if (platform::waylandSession())
        return;
    // From the event loop: neither the start nor an unlock waits for it.
    const auto prepare = [] { QTimer::singleShot(0, qApp, prepareX11Lock); };
    QObject::connect(&lockState(), &LockState::ended, qApp, prepare);
    QObject::connect(&lockState(), &LockState::refused, qApp, prepare);
    prepare();
}
