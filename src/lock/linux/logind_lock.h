#pragma once
// Locking from the session. Desktops and `loginctl lock-session` ask a session's locker
// through logind's Lock signal, and logind lets a program delay sleep while it locks.
// The program listens for Lock on the system bus for its own session (Unlock is left
// alone: only the password unlocks) and holds a delay inhibitor for sleep; before the
// system sleeps it locks and lets the inhibitor go once the lock is on screen with both
// grabs held (or could not be taken), and takes it again after the resume.
// Where there is no logind (no system bus, nobody on it) nothing is said and nothing
// changes.

#include <functional>

namespace logind {

// From now on; `lock` is the lock command (it reports through lockState()).
void follow(std::function<void()> lock);

} // namespace logind
