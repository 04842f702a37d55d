#pragma once
// `appVTR --lock`, as lockers run in the foreground by xss-lock, xautolock or a key
// binding behave: it asks the running instance to lock (starting one, which stays, when
// none runs) and returns once the desktop is unlocked again. While it waits it holds no
// toolkit and no X connection.
//
// With `xss-lock --transfer-sleep-lock` the descriptor named by XSS_SLEEP_LOCK_FD keeps
// the system from sleeping; it is closed once the lock is on screen with both grabs held
// (or the lock was refused), never before.

// The exit status: 0 when the desktop was locked and is unlocked again (with `daemonize`:
// as soon as it is locked, as swayidle's before-sleep wants); 1, after one line on stderr
// saying why, when it could not be locked or the running instance could not be reached.
int requestLock(bool daemonize);

// Says why the desktop was not locked on stderr ("appVTR: the desktop was not locked:
// ..."), closes the sleep descriptor and returns the exit status for it.
int lockRefused(const char* why);
