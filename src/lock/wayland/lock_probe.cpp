#include "lock/wayland/lock_probe.h"

#include "lock/wayland/wayland_connection.h"

namespace waylock {

LockSupport probeSessionLock(const char* displayName, int timeoutMs) {
    const auto connection = Connection::open(displayName, timeoutMs);
    if (!connection)
        return LockSupport::NoCompositor;
    return connection->sessionLockManager() ? LockSupport::Offered : LockSupport::Missing;
}

} // namespace waylock
