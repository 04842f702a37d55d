#pragma once
// The running instance's side of `appVTR --lock` (lock_protocol.h): a socket in the
// user's private folder that serves this user's programs only. A request starts a lock
// or joins the one under way, and is answered from lockState() alone: "locked" once the
// lock holds, "unlocked" at its end, "refused ..." when it could not be taken. A request
// is never answered before that, and none is dropped while the lock's set-up waits (for
// a box of the program, say).

#include <functional>

namespace lockrequests {

// Takes the instance lock (if this process does not hold it yet) and opens the socket.
// `startLock` runs from the event loop for a request that finds no lock under way; an
// instance that exists only to lock again passes none. False, after one line on stderr
// saying why, when the socket cannot be opened: the program then runs without it.
bool serve(std::function<void()> startLock);

// Closes the socket (the waiting clients have had their answers).
void stop();

} // namespace lockrequests
