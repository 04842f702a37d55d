#pragma once
// The guard's own program (lock/linux/lock_guard.h), which main() runs when given
// lockguard::kArgument. It waits without a toolkit. When the program died in the middle
// of a lock it locks again at once, as the session's lock does (screen_lock.h): the
// panel and the banner over a white screen (it never saw the desktop), on every screen,
// holding the input, open only to the stored password. On Wayland the compositor kept
// the session locked meanwhile, and the guard takes that abandoned lock over. Meanwhile
// it has a guard of its own and serves `appVTR --lock` on the instance's socket, so that
// the dead program's clients wait for this lock. After the unlock it becomes the tray
// program.

namespace LockSupervisor {

int run(int argc, char* argv[]);

} // namespace LockSupervisor
