#pragma once
// The Windows program's lock screen: a topmost pop-up over the whole virtual screen with
// the frozen desktop, the centred panel with the password box and the travelling
// banner. It refuses to close, stays in front, and while it is up a low-level keyboard
// hook swallows the system's switching keys. The stored password unlocks it.

// Sets the lock up and shows it; mdlGlobal::strLockPassword holds the password. Without
// the snapshot (the supervisor's lock) the panel and the banner are over white. False
// when the window could not be made (the desktop stays unlocked).
bool showLockWindow(bool withSnapshot = true);
// Runs after each unlock, once the lock is gone.
void setUnlockAction(void (*action)());
// True from the start of the set-up until the unlock.
bool lockShown();
