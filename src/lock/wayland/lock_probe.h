#pragma once
// Whether the Wayland session can be locked securely: only a compositor that offers
// ext-session-lock-v1 hides the other programs' surfaces and keeps their input from them.

namespace waylock {

enum class LockSupport {
    NoCompositor, // no Wayland compositor answered
    Missing,      // it answered but offers no session lock
    Offered,
};

// Asks the compositor WAYLAND_DISPLAY names (or `displayName`), waiting at most
// `timeoutMs`.
LockSupport probeSessionLock(const char* displayName, int timeoutMs);

} // namespace waylock
