#pragma once
// Failing closed on Windows: a second process of the program starts with it and waits,
// blocked in a read on a pipe from the program (no processor time). The program tells it
// "L" when the desktop locks, "U" when it is unlocked and "Q" when it quits. If the
// pipe breaks while locked (the program was ended from Task Manager, or crashed), the
// supervisor shows the lock again at once, its panel and banner over white, and lets go
// only for the stored password; meanwhile it is watched by a supervisor of its own in
// the same way. If a supervisor dies, the process it watches starts another.
//
// The supervisor is started through a short-lived middle process, so that it is not in
// the program's process tree and "End process tree" does not end both.

namespace LockSupervisor {

// The first argument of the middle process and of the supervisor, followed by the
// handles they inherit and the program's data folder; the program's entry runs run()
// instead of itself when given one of them.
bool isSupervisorCommand(const char* commandLine);
int run(const char* commandLine);

// Starts the supervisor of this process (again when one is running).
void start();
// Tells it the lock's state: it keeps the password read when told "locked".
void lockChanged(bool locked);
// Ends it and waits a little for it to go (Quit), so that nothing of the program runs
// once the process has ended.
void standDown();

} // namespace LockSupervisor
