#pragma once
// The X11 lock's side of lockState() (lock/linux/lock_state.h), for the lock command and
// the guard's relock alike.

class Form1;

// Reports the lock window's progress: held once it is on screen with both grabs held,
// ended when the password ends it (or the window goes however else).
void followLock(Form1& lock);
