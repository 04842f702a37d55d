#pragma once
// Failing closed: a guard process of the same program relocks the desktop when this one
// ends in the middle of a lock (killed, crashed), since the window system then takes the
// lock's windows and grabs away with it.
//
// One guard waits from program start: started from the running image, blocked on a
// socket at its standard input, with no toolkit and no X connection until it has to
// lock. A lock costs one byte to it ("L" when the lock begins, before anything of its
// set-up, "U" when it ends), so no moment of a lock is unguarded and none waits for the
// guard. The end of its input while a lock is under way means the program died.
// A guard that dies is replaced at once; stderr says when none can be started.

#include <functional>

namespace lockguard {

// The guard's argument, and the byte the program sends at each lock's beginning and end.
extern const char* const kArgument; // "--lock-supervisor"
inline constexpr char kLockBegins = 'L';
inline constexpr char kLockEnds = 'U';

// The program's side: keeps one guard waiting from now on and tells it of every lock
// (through lockState()).
void keep();
// Lets the guard go (it ends, as it does when the program ends unlocked) and reaps it:
// for a program about to become another one.
void dismiss();

// The guard's side: waits on standard input until the program ends, running `lockBegins`
// at each "L". True when the program ended while a lock was under way.
bool waitForProgramEnd(const std::function<void()>& lockBegins);

} // namespace lockguard
