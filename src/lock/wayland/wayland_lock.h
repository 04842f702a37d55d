#pragma once
// The Wayland side of the lock seam (lock/linux/screen_lock.h): the compositor's session
// lock (ext-session-lock-v1) on a connection of the lock's own, a surface on every output
// (and on outputs that appear later) showing the frozen picture, the banner and the
// panel at the output's scale, keys from the compositor's keyboard. The compositor keeps
// the session locked should the program die; the guard then takes the lock over.

#include "lock/linux/screen_lock.h"

// Asks the compositor to lock. From the lock command the outputs are copied first; a
// compositor that refuses, or ends the lock itself, gets a box that says so. From the
// guard the picture is white and a refusal is tried again after a while.
void startWaylandLock(LockStart start);
