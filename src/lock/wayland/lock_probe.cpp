#include "lock/wayland/lock_probe.h"

#include "ext-session-lock-v1-client-protocol.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <wayland-client.h>

namespace waylock {

namespace {

// Plain libwayland with a time limit: the probe runs before any toolkit exists (for
// `appVTR --lock`), so it needs no event loop.
struct Probe {
    bool offered = false;
    bool answered = false;
};

void onGlobal(void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
    if (!std::strcmp(interface, ext_session_lock_manager_v1_interface.name))
        static_cast<Probe*>(data)->offered = true;
}
void onGlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

void onDone(void* data, wl_callback*, uint32_t) {
    static_cast<Probe*>(data)->answered = true;
}
const wl_callback_listener doneListener = {onDone};

// Reads and dispatches until the compositor answered, it failed or the time is up.
void waitForAnswer(wl_display* display, const Probe& probe, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!probe.answered) {
        while (wl_display_prepare_read(display) != 0) {
            if (wl_display_dispatch_pending(display) < 0)
                return;
        }
        if (probe.answered || wl_display_flush(display) < 0) {
            wl_display_cancel_read(display);
            return;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd watch = {wl_display_get_fd(display), POLLIN, 0};
        const int ready = left > 0 ? poll(&watch, 1, static_cast<int>(left)) : 0;
        if (ready <= 0 && !(ready < 0 && errno == EINTR)) {
            wl_display_cancel_read(display);
            return;
        }
        if (ready < 0) {
            wl_display_cancel_read(display);
            continue;
        }
        if (wl_display_read_events(display) != 0 || wl_display_dispatch_pending(display) < 0)
            return;
    }
}

// Whether libwayland can find the socket at all: where it cannot, it says so on stderr
// itself, and the caller's one line says it better.
bool socketNamed(const char* displayName) {
    if (std::getenv("WAYLAND_SOCKET"))
        return true;
    const char* name = displayName ? displayName : std::getenv("WAYLAND_DISPLAY");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return (name && name[0] == '/') || (runtime && *runtime);
}

} // namespace

LockSupport probeSessionLock(const char* displayName, int timeoutMs) {
    wl_display* display = socketNamed(displayName) ? wl_display_connect(displayName) : nullptr;
    if (!display)
        return LockSupport::NoCompositor;
    Probe probe;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &probe);
    wl_callback* done = wl_display_sync(display);
    wl_callback_add_listener(done, &doneListener, &probe);
    waitForAnswer(display, probe, timeoutMs);
    wl_callback_destroy(done);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    if (!probe.answered)
        return LockSupport::NoCompositor;
    return probe.offered ? LockSupport::Offered : LockSupport::Missing;
}

} // namespace waylock
