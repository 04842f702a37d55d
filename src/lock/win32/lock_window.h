#pragma once
// The Windows program's lock screen: a topmost pop-up over the whole virtual screen with
// the frozen desktop, the centred panel with the password box and the travelling
// banner. It refuses to close, stays in front, and while it is up a low-level keyboard
// hook swallows the system's switching keys. The stored password unlocks it.

// Sets the lock up and shows it; mdlGlobal::strLockPassword holds the password. False
// when the window could not be made (the desktop stays unlocked).
bool showLockWindow();
// True from the start of the set-up until the unlock.
bool lockShown();

// Whether the keyboard hook swallows this key going down: Alt+Tab, Alt+F4, Alt+Esc,
// Ctrl+Esc and the Windows keys. Ctrl+Alt+Del belongs to the system.
bool swallowedWhileLocked(unsigned long virtualKey, bool altDown, bool controlDown);
